#!/usr/bin/env bash
# Manual check: screenshots of the find box, the grid's context menu and the
# contacts import, in the editor's real window (openbox) under Xvfb 1280x1024,
# as an ordinary user (ibus with Mozc running, Mozc off unless said):
#
#   find-box.png, find-box-next.png, find-box-nomatch.png
#       a book of ten entries opened; Ctrl+F, "0455" typed (found: an entry
#       that is not the first); then Enter (the next one); then a number that
#       no entry holds (the note 見つかりません). The find box is a bar at
#       the bottom of the list, inside the main window.
#   find-box-mozc.png, find-box-prev.png (in extra/)
#       Mozc on, "yamada" typed into the find box and committed (やまだ finds
#       ﾔﾏﾀﾞ); then Shift+F3 (the previous one). Escape closes the box.
#   context-menu.png, context-menu-idle.png
#       a right click on the grid with a book open (検索 / インポート… /
#       エクスポート…), and in a freshly started editor (ファイルオープン…);
#       extra/context-menu-saved.png: the same after ファイル保存.
#   import-summary.png, import-summary-details.png
#       Ctrl+I, a vCard 3.0 file of three contacts (one without a number)
#       chosen by typing its path; the summary box; its details shown.
#   find-box-grid.png, ... (in extra/): the grid's rows of each find shot at 2x.
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/feature-shots.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit (relative to the current
#                    folder, else to the repository that holds this script)
#     OUTPUT_FOLDER  default /tmp/feature-shots (its earlier results are replaced)
#   FEATURE_SHOTS_USER  the ordinary user (default ruvoime, shared with
#                       mozc-check.sh and window-shots.sh: run one at a time)
#   FEATURE_SHOTS_WAIT  seconds to wait for a missing binary (default 120)
#
# An evidence script, not a pass/fail test: it exits 0 once it has run and
# says which step failed when one did (exit 1 only for wrong use).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$script_dir/lib.sh"

out=${2:-/tmp/feature-shots}
# (qt6-translations-l10n: Qt's own texts in Japanese, e.g. the summary box's
# details button.)
desk_root_begin feature-shots "${FEATURE_SHOTS_USER:-ruvoime}" "${1:-build/app/ruvoteledit}" \
    "${FEATURE_SHOTS_WAIT:-120}" qt6-translations-l10n

# A book of ten entries, three of them ﾔﾏﾀﾞ (two with a number holding 0455,
# neither the first entry), code page 932, CR LF.
desk_book \
    $'01\t青木一郎\tｱｵｷ ｲﾁﾛｳ\t0422345678:0:0' \
    $'02\t伊藤翔太\tｲﾄｳ ｼｮｳﾀ\t09087654321:0:0' \
    $'03\t加藤商店\tｶﾄｳｼｮｳﾃﾝ\t0312341234:0:0' \
    $'01\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0' \
    $'02\t田中健\tﾀﾅｶ ｹﾝ\t0311112222:0:0' \
    $'01\t山田太郎\tﾔﾏﾀﾞ ﾀﾛｳ\t0455512345:0:0' \
    $'01\t山田花子\tﾔﾏﾀﾞ ﾊﾅｺ\t0455598765:0:0' \
    $'03\t山田課長\tﾔﾏﾀﾞ ｶﾁｮｳ\t0352101236:0:0' \
    $'02\t山本由美\tﾔﾏﾓﾄ ﾕﾐ\t07012348765:0:0' \
    $'03\t渡辺和子\tﾜﾀﾅﾍﾞ ｶｽﾞｺ\t0761234567:0:0' >"$run/book.txt"
cp "$run/book.txt" "$run/book.original"

# Three contacts, vCard 3.0, UTF-8, CR LF; the second has no TEL.
printf '%s\r\n' \
    'BEGIN:VCARD' 'VERSION:3.0' 'N:森;健一;;;' 'FN:森 健一' \
    'X-PHONETIC-LAST-NAME:もり' 'X-PHONETIC-FIRST-NAME:けんいち' \
    'TEL;TYPE=CELL:090-2222-3333' 'END:VCARD' \
    'BEGIN:VCARD' 'VERSION:3.0' 'N:佐々木;真理;;;' 'FN:佐々木 真理' \
    'X-PHONETIC-LAST-NAME:ささき' 'X-PHONETIC-FIRST-NAME:まり' \
    'EMAIL:mari@example.com' 'END:VCARD' \
    'BEGIN:VCARD' 'VERSION:3.0' 'N:石井;さくら;;;' 'FN:石井 さくら' \
    'X-PHONETIC-LAST-NAME:いしい' 'X-PHONETIC-FIRST-NAME:さくら' \
    'TEL;TYPE=HOME:+81-45-555-0303' 'END:VCARD' >"$run/contacts.vcf"

cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/feature-shots/lib.sh"
desk_session_begin feature-shots 1280x1024

cd "$run" || { fail "cd $run"; exit 0; }

# The editor's visible windows (the main window, tool windows, popup menus).
visible_count() { xdotool search --onlyvisible --pid "$editor" 2>/dev/null | wc -l; }
more_visible_than() { [ "$(visible_count)" -gt "$1" ]; }
no_more_visible_than() { [ "$(visible_count)" -le "$1" ]; }

# Opens $2 through the file dialog $1 that is active now; returns once the
# dialog has gone.
open_in_dialog() {
    step "file dialog $1: $(xdotool getwindowname "$1")"
    desk_choose_in_dialog "$1" "$2"
}

# A crop of the client area ("WxH+X+Y" relative to it) of the file $1 into
# $2, at 2x.
crop2x() { desk_crop "$1" "$2" "$3" -scale 200%; }

# A right click at the client point $1,$2, the menu's window waited for; the
# screenshot $3 (shot or extra) named $4; Escape closes the menu.
menu_shot() {
    local before
    alive
    before=$(visible_count)
    xdotool mousemove --window "$win" "$1" "$2" click 3
    if wait_for 10 more_visible_than "$before"; then
        sleep 0.5
        "$3" "$4"
    else
        fail "no context menu after a right click at $1,$2 ($4)"
        extra "$4-none"
    fi
    key Escape
    wait_for 5 no_more_visible_than "$before" || fail "the context menu ($4) did not close with Escape"
}

desk_start_editor "$run/ruvoteledit" || { extra no-window; exit 0; }
read -r wx wy < <(desk_window_origin "$win")
step "client area at $wx,$wy"
sleep 0.5

# -- the context menu in idle mode (just started) -----------------------------------
menu_shot 300 300 shot context-menu-idle

# -- open the book --------------------------------------------------------------------
key ctrl+o
if dialog=$(new_window) && open_in_dialog "$dialog" "$run/book.txt" &&
        wait_for 10 desk_is_active "$win"; then
    sleep 0.5
    extra opened
else
    fail "the book did not open (Ctrl+O)"
    extra not-opened
fi

# -- the find box (a bar inside the window) -----------------------------------------------
key ctrl+f
sleep 0.5
windows_now=$(xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l)
step "visible windows after Ctrl+F: $windows_now (the find box is a bar of the main window)"
if desk_is_active "$win"; then
    typ 0455
    shot find-box
    key Return
    shot find-box-next
    key ctrl+a
    typ 99999
    shot find-box-nomatch
    # Mozc on (hiragana): "yamada" composes, Enter commits やまだ.
    key ctrl+a
    key Zenkaku_Hankaku
    typ yamada
    if wait_for 3 composing; then
        key Return
        wait_for 3 not_composing || fail "find box: the composition stays after Enter"
        sleep 0.5
    else
        fail "find box: Mozc shows no composition after typing 'yamada'"
    fi
    extra find-box-mozc
    key Zenkaku_Hankaku   # Mozc off again
    key shift+F3
    extra find-box-prev
    key Escape
    wait_for 10 desk_is_active "$win" || fail "the main window lost the focus"
    for f in find-box find-box-next find-box-nomatch; do
        crop2x "$shots/$f.png" "$run/extra/$f-grid.png" 380x230+0+78
    done
    for f in find-box-mozc find-box-prev; do
        crop2x "$run/extra/$f.png" "$run/extra/$f-grid.png" 380x230+0+78
    done
else
    fail "the main window is not active after Ctrl+F"
    extra no-find-box
fi

# -- the context menu with a book open -------------------------------------------------
menu_shot 300 130 shot context-menu

# -- the import ---------------------------------------------------------------------------
key ctrl+i
if dialog=$(new_window) && open_in_dialog "$dialog" "$run/contacts.vcf" &&
        box=$(new_window "$dialog"); then
    sleep 0.5
    step "summary box $box: $(xdotool getwindowname "$box")"
    eval "$(xdotool getwindowgeometry --shell "$box")"
    h0=$HEIGHT
    shot import-summary
    # The details button follows the focused OK button.
    key Tab
    key space
    if wait_for 10 sh -c "[ \"\$(xdotool getwindowgeometry --shell $box | sed -n 's/^HEIGHT=//p')\" -gt $h0 ]"; then
        sleep 0.5
    else
        fail "the summary box did not grow after Tab, Space (details not shown)"
    fi
    shot import-summary-details
    key Escape
    wait_for 10 desk_is_active "$win" || { key Return; wait_for 5 desk_is_active "$win"; } ||
        fail "the summary box did not close"
else
    fail "no import dialog or no summary box after Ctrl+I"
    extra no-import
fi

# -- save; the context menu in idle mode after the save ---------------------------------
before=$(stat -c %y "$run/book.txt")
key ctrl+s
if wait_for 20 sh -c "[ \"\$(stat -c %y '$run/book.txt')\" != '$before' ]"; then
    sleep 1
    step "saved: $run/book.txt"
else
    fail "the book was not written after Ctrl+S"
fi
menu_shot 300 130 extra context-menu-saved
exit 0
SESSION
desk_root_run 300

# --- evidence ---------------------------------------------------------------------
mkdir -p "$out"
rm -rf "$out"/*.png "$out/extra" "$out/log" "$out"/*.txt "$out"/*.original "$out"/*.vcf
desk_copy_evidence
cp "$run"/*.txt "$run/book.original" "$run/contacts.vcf" "$out/" 2>/dev/null
rm -f "$out/log-session-stderr.txt"

desk_say_shots find-box find-box-next find-box-nomatch context-menu context-menu-idle \
    import-summary import-summary-details

echo
say "the book saved after the import ($out/book.txt, iconv -f CP932; TAB as ' | '):"
iconv -f CP932 -t UTF-8 "$out/book.txt" 2>/dev/null | sed 's/\r$//; s/\t/ | /g; s/^/   /'

echo
say "what Mozc handed the editor ($out/ime-events.txt):"
grep -v '^preedit \[\] hidden$' "$out/ime-events.txt" 2>/dev/null | tr '\n' ' ' | fold -s -w 100 |
    sed 's/^/   /'
echo
desk_say_failed
exit 0
