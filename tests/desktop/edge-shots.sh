#!/usr/bin/env bash
# Manual check: screenshots of what a user meets where things go wrong, in
# the editor's real window (openbox) under Xvfb 1280x1024, as an ordinary
# user (ibus with Mozc running, Mozc off), each after the user's own keys
# and clicks:
#
#   failed-save.png, failed-save-after.png
#       a book of three entries opened, one entry added, the file made
#       read-only (chmod 444), ファイル保存: the error box; then the window
#       after Enter (browse mode, every entry, 4件).
#   save-as.png, save-as-done.png
#       Ctrl+Shift+S: the save dialog; a new name typed, Enter; the window.
#   vcard-question.png, vcard-imported.png, vcard-window.png
#       a vCard file opened: the question; はい (Enter): the import summary;
#       the window with 2件 (no contacts.BAK may appear).
#   binary-refused.png
#       a PNG file named photo.txt opened: the error box.
#   export-refused.png, export-summary.png
#       Ctrl+E aimed at the open book itself (Qt's overwrite question
#       answered はい): the error box, the book's bytes unchanged; Ctrl+E to
#       a new file: the summary.
#   undo-menu.png, undo-after.png
#       データ削除 answered はい, a right click on the grid: the menu; 元に戻す.
#   escape-undo.png
#       Escape in browse mode (the window empties), then Ctrl+Z.
#   find-escape.png
#       Ctrl+F, a click on a grid row, Escape: the find box closes only.
#
# What each step checked goes to report.txt (checksums, window titles, the
# boxes' places against the main window, entry counts, and pixel
# comparisons of the count label, the buttons and the grid with a shot
# taken before, since the label's text cannot be read off the screen).
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/edge-shots.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit (relative to the current
#                    folder, else to the repository that holds this script)
#     OUTPUT_FOLDER  default /tmp/edge-shots (its earlier results are replaced)
#   EDGE_SHOTS_USER  the ordinary user (default ruvoime, shared with the
#                    other desktop checks: run one at a time)
#   EDGE_SHOTS_WAIT  seconds to wait for a missing binary (default 120)
#
# An evidence script, not a pass/fail test: it exits 0 once it has run and
# says which step failed when one did (exit 1 only for wrong use).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$script_dir/lib.sh"

out=${2:-/tmp/edge-shots}
# (qt6-translations-l10n: Qt's own buttons in Japanese, はい(&Y) and いいえ(&N).)
desk_root_begin edge-shots "${EDGE_SHOTS_USER:-ruvoime}" "${1:-build/app/ruvoteledit}" \
    "${EDGE_SHOTS_WAIT:-120}" qt6-translations-l10n
mkdir -p "$run/saved"

# A book of three entries, code page 932, CR LF.
desk_book \
    $'01\t青木一郎\tｱｵｷ ｲﾁﾛｳ\t0422345678:0:0' \
    $'02\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0' \
    $'03\t田中健\tﾀﾅｶ ｹﾝ\t0311112222:0:0' >"$run/book.txt"
cp "$run/book.txt" "$run/book.original"

# Two contacts, vCard 3.0, UTF-8, CR LF.
printf '%s\r\n' \
    'BEGIN:VCARD' 'VERSION:3.0' 'N:森;健一;;;' 'FN:森 健一' \
    'X-PHONETIC-LAST-NAME:もり' 'X-PHONETIC-FIRST-NAME:けんいち' \
    'TEL;TYPE=CELL:090-2222-3333' 'END:VCARD' \
    'BEGIN:VCARD' 'VERSION:3.0' 'N:石井;さくら;;;' 'FN:石井 さくら' \
    'X-PHONETIC-LAST-NAME:いしい' 'X-PHONETIC-FIRST-NAME:さくら' \
    'TEL;TYPE=HOME:045-555-0303' 'END:VCARD' >"$run/contacts.vcf"

# A real PNG under a phone book's name.
convert -size 48x48 gradient:red-blue "png:$run/photo.txt" 2>/dev/null ||
    { printf '\211PNG\r\n\032\n'; head -c 2048 /dev/zero; } >"$run/photo.txt"

cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/edge-shots/lib.sh"
desk_session_begin edge-shots 1280x1024

cd "$run" || { fail "cd $run"; exit 0; }
desk_report_begin "$run/report.txt"

# A box $1 (named $2): its title, and where it sits against the main window.
box_report() {
    local ml mt mr mb bl bt br bb
    read -r ml mt mr mb < <(frame_rect "$win")
    read -r bl bt br bb < <(frame_rect "$1")
    note "$2: window $1, title [$(xdotool getwindowname "$1")], active: [$(active_title)]"
    note "  main window frame x $ml..$mr y $mt..$mb; box frame x $bl..$br y $bt..$bb"
    note "  centre offset from the main window's centre: dx $(((bl + br - ml - mr) / 2)) dy $(((bt + bb - mt - mb) / 2));" \
         "inside the main window: $([ "$bl" -ge "$ml" ] && [ "$br" -le "$mr" ] && [ "$bt" -ge "$mt" ] && [ "$bb" -le "$mb" ] && echo yes || echo no)"
    note "  transient for: $(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | sed 's/.*# *//')"
}

# The count label, the row of buttons and the grid of the shot $2 against
# the shot $1: pixels that differ in each part.
compare_parts() { desk_compare_parts "$1" "$2" count:150x26+460+8 buttons:752x30+0+6 grid:741x614+11+78; }
# The count label of the shot $1, at 3x, for reading it (extra/NAME-count.png).
count_crop() {
    desk_crop "$1" "$run/extra/$2-count.png" 150x26+460+8 &&
        mogrify -scale 300% "$run/extra/$2-count.png" 2>>"$log/convert.txt"
}
entries_in() { tail -n +7 "$1" | grep -c .; }

# A click that then moves the pointer off the window: a hovered button
# would spoil the comparisons of the button row.
click() { alive; xdotool mousemove --window "$win" "$1" "$2" click 1 mousemove 1275 1019; sleep 0.4; }

# Opens $1 with ファイルオープン and its dialog; returns once the dialog has gone.
open_path() {
    local dialog
    click 78 21
    dialog=$(new_window) || { fail "no file dialog after clicking ファイルオープン"; extra no-open-dialog; return 1; }
    choose_in_dialog "$dialog" "$1"
}

desk_start_editor "$run/ruvoteledit" || { extra no-window; exit 0; }
read -r wx wy < <(desk_window_origin "$win")
step "client area at $wx,$wy"
sleep 0.5

# -- 1. a failed save ------------------------------------------------------------------
section "1. failed save"
if open_path "$run/book.txt" && back_to_main "open"; then
    extra opened
    click 216 21                  # 新規データ
    for text in 2 Suzuki '' 0355550000; do
        [ -n "$text" ] && typ "$text"
        key Return
    done
    key Return                    # Enter on 実行
    extra entry-added
    chmod 444 "$run/book.txt"
    note "book.txt: $(stat -c '%A %U' "$run/book.txt"), sha256 $(sha256sum <"$run/book.txt" | cut -c1-16)…"
    before=$(sha256sum <"$run/book.txt")
    click 694 21                  # ファイル保存
    if box=$(new_window); then
        sleep 0.5
        box_report "$box" "error box"
        shot failed-save
        key Return
        back_to_main "failed save"
        shot failed-save-after
        note "after Enter: active window [$(active_title)]"
        note "book.txt unchanged by the failed save: $([ "$(sha256sum <"$run/book.txt")" = "$before" ] && echo yes || echo NO)"
        compare_parts "$run/extra/entry-added.png" "$shots/failed-save-after.png"
        count_crop "$shots/failed-save-after.png" failed-save-after
    else
        fail "no error box after ファイル保存 on a read-only file"
        extra failed-save-none
    fi
else
    fail "the book did not open"
    extra not-opened
fi

# -- 2. save as -------------------------------------------------------------------------
section "2. save as"
copy=$run/saved/copy.txt
key ctrl+shift+s
if dialog=$(new_window); then
    sleep 1
    shot save-as
    note "save dialog $dialog: [$(xdotool getwindowname "$dialog")]"
    if choose_in_dialog "$dialog" "$copy"; then
        back_to_main "save as"
        wait_for 20 test -s "$copy" || fail "save as: $copy was not written"
        sleep 1
        shot save-as-done
        note "after the save: active window [$(active_title)]"
        if [ -f "$copy" ]; then
            note "$copy: $(entries_in "$copy") entry lines, sha256 $(sha256sum <"$copy" | cut -c1-16)…"
            iconv -f CP932 -t UTF-8 "$copy" | tail -n +7 | sed 's/\r$//; s/\t/ | /g; s/^/  /' >>"$report"
        fi
        note "book.txt still read-only and unchanged: $(stat -c %A "$run/book.txt")," \
             "$([ "$(sha256sum <"$run/book.txt")" = "$(sha256sum <"$run/book.original")" ] && echo same bytes || echo CHANGED)"
    fi
else
    fail "no save dialog after Ctrl+Shift+S"
    extra save-as-none
fi

# -- 3. a vCard opened -------------------------------------------------------------------
section "3. vCard opened"
if open_path "$run/contacts.vcf" && question=$(new_window); then
    sleep 0.5
    box_report "$question" "question"
    shot vcard-question
    key Return                    # はい is the default
    if summary=$(new_window "$question"); then
        sleep 0.5
        box_report "$summary" "summary box"
        shot vcard-imported
        key Return
        back_to_main "import summary"
        shot vcard-window
        count_crop "$shots/vcard-window.png" vcard-window
        note "after the summary: active window [$(active_title)]"
    else
        fail "no summary box after はい"
        extra vcard-no-summary
    fi
    note "contacts.BAK: $(ls "$run"/contacts.BAK "$run"/contacts.bak 2>/dev/null || echo none)"
    note "backups in $run: $(cd "$run" && ls ./*.BAK 2>/dev/null | tr '\n' ' ')"
else
    fail "no question after opening a vCard"
    extra vcard-none
fi

# -- 4. a binary file opened ---------------------------------------------------------------
section "4. binary file opened"
# Escape empties the window (the imported book is dropped): idle again.
key Escape
extra idle-before-binary
note "photo.txt: $(file -b "$run/photo.txt" 2>/dev/null || head -c 8 "$run/photo.txt" | od -c | head -n 1)," \
     "$(tr -cd '\000' <"$run/photo.txt" | wc -c) NUL bytes of $(stat -c %s "$run/photo.txt")"
if open_path "$run/photo.txt" && box=$(new_window); then
    sleep 0.5
    box_report "$box" "error box"
    shot binary-refused
    key Return
    back_to_main "binary refused"
    extra binary-after
    note "photo.BAK: $(ls "$run"/photo.BAK 2>/dev/null || echo none)"
else
    fail "no error box after opening photo.txt"
    extra binary-none
fi

# -- 5. export aimed at the book ----------------------------------------------------------------
section "5. export"
if open_path "$copy" && back_to_main "open copy"; then
    extra copy-opened
    sum_before=$(sha256sum <"$copy" | cut -d' ' -f1)
    note "copy.txt sha256 before: $sum_before"
    key ctrl+e
    if dialog=$(new_window) && choose_in_dialog "$dialog" "$copy" && box=$(new_window "$dialog"); then
        sleep 0.5
        if [ "$(xdotool getwindowname "$box")" = "$(xdotool getwindowname "$dialog")" ]; then
            # Qt's own question: replace the existing file? (default いいえ)
            box_report "$box" "Qt's overwrite question"
            extra export-overwrite-question
            key y                 # はい(&Y)
            box=$(new_window "$dialog" "$box")
            sleep 0.5
        fi
        if [ -n "$box" ]; then
            box_report "$box" "error box"
            shot export-refused
            key Return
            back_to_main "export refused"
        else
            fail "no error box after exporting onto the book"
        fi
    else
        fail "no save dialog or no box after Ctrl+E onto the book"
        extra export-none
    fi
    sum_after=$(sha256sum <"$copy" | cut -d' ' -f1)
    note "copy.txt sha256 after:  $sum_after ($([ "$sum_before" = "$sum_after" ] && echo unchanged || echo CHANGED))"
    vcf=$run/saved/export.vcf
    key ctrl+e
    if dialog=$(new_window) && choose_in_dialog "$dialog" "$vcf" && box=$(new_window "$dialog"); then
        sleep 0.5
        box_report "$box" "summary box"
        shot export-summary
        key Return
        back_to_main "export summary"
        note "$vcf: $(grep -c '^BEGIN:VCARD' "$vcf" 2>/dev/null || echo no file) vCards"
    else
        fail "no summary after Ctrl+E to a new file"
        extra export-summary-none
    fi
else
    fail "copy.txt did not open"
    extra copy-not-opened
fi

# -- 6. delete, then undo from the context menu ---------------------------------------------------
section "6. undo from the menu"
extra before-delete
click 448 21                      # データ削除
if box=$(new_window); then
    sleep 0.5
    box_report "$box" "delete question"
    extra delete-question
    key y                         # はい(&Y); Enter would answer いいえ
    back_to_main "delete question"
    extra after-delete
    compare_parts "$run/extra/before-delete.png" "$run/extra/after-delete.png"
    before=$(xdotool search --onlyvisible --pid "$editor" 2>/dev/null | wc -l)
    xdotool mousemove --window "$win" 300 130 click 3
    if wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --pid $editor | wc -l) -gt $before ]"; then
        sleep 0.5
        shot undo-menu
        # 検索, インポート…, エクスポート…, 名前を付けて保存…, 元に戻す
        key Down Down Down Down Down
        extra undo-menu-chosen
        key Return
        xdotool mousemove 1275 1019
        sleep 0.5
        shot undo-after
        note "after 元に戻す: active window [$(active_title)]"
        compare_parts "$run/extra/before-delete.png" "$shots/undo-after.png"
        count_crop "$shots/undo-after.png" undo-after
    else
        fail "no context menu after a right click on the grid"
        extra undo-menu-none
    fi
else
    fail "no question after データ削除"
    extra delete-none
fi

# -- 7. Escape in browse mode, then Ctrl+Z -------------------------------------------------------
section "7. Escape, Ctrl+Z"
extra before-escape
key Escape
extra escape-idle
compare_parts "$run/extra/before-escape.png" "$run/extra/escape-idle.png"
key ctrl+z
sleep 0.5
shot escape-undo
note "after Ctrl+Z: active window [$(active_title)]"
compare_parts "$run/extra/before-escape.png" "$shots/escape-undo.png"
count_crop "$shots/escape-undo.png" escape-undo

# -- 8. Escape with the find box open, after a click in the grid ----------------------------------
section "8. find box, Escape"
extra before-find
key ctrl+f
sleep 0.5
# The find box is a bar inside the main window: the window keeps the focus.
if desk_is_active "$win"; then
    extra find-open
    click 200 133                 # the second row
    note "after the click: active window [$(active_title)]"
    extra find-clicked
    key Escape
    sleep 0.5
    shot find-escape
    note "after Escape: active window [$(active_title)], editor running: $(kill -0 "$editor" 2>/dev/null && echo yes || echo NO)"
    compare_parts "$run/extra/find-open.png" "$shots/find-escape.png"
    count_crop "$shots/find-escape.png" find-escape
else
    fail "the main window is not active after Ctrl+F"
    extra find-none
fi
exit 0
SESSION
desk_root_run 480

# --- evidence ---------------------------------------------------------------------
mkdir -p "$out"
rm -rf "$out"/*.png "$out/extra" "$out/log" "$out/saved" "$out"/*.txt "$out"/*.original \
       "$out"/*.vcf "$out"/*.BAK
desk_copy_evidence saved
cp "$run"/*.txt "$run"/*.BAK "$run/book.original" "$run/contacts.vcf" "$out/" 2>/dev/null
rm -f "$out/log-session-stderr.txt"

desk_say_shots failed-save failed-save-after save-as save-as-done vcard-question vcard-imported \
    vcard-window binary-refused export-refused export-summary undo-menu undo-after \
    escape-undo find-escape
desk_say_report
desk_say_failed
exit 0
