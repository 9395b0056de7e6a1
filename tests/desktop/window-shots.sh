#!/usr/bin/env bash
# Manual check: screenshots of the editor's real window (frame and title bar
# drawn by openbox) under Xvfb, as an ordinary user, at these moments:
#
#   grid-widest.png, grid-widest-crop.png
#       a book whose entry holds the widest values (15 kanji, 30 half-width
#       katakana, 20 digits, group 99), and the grid's top rows at 2x;
#   delete-question.png
#       データ削除's question (its window title is printed with xprop), answered
#       いいえ with Enter;
#   grey-grid.png
#       after ファイル保存, double-clicks on a grid row and on the title row
#       (nothing may happen; the saved file must stay as saved);
#   new-name-error.png
#       the open dialog given a name that does not exist: the error box; then
#       a new entry is typed and saved, which creates the file (printed);
#   ekana-mozc.png
#       Mozc on (hiragana), "yamada" typed into the reading box and committed.
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/window-shots.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit (relative to the current
#                    folder, else to the repository that holds this script)
#     OUTPUT_FOLDER  default /tmp/window-shots (its earlier results are replaced)
#   WINDOW_SHOTS_USER  the ordinary user (default ruvoime, shared with
#                      mozc-check.sh: do not run both at once)
#   WINDOW_SHOTS_WAIT  seconds to wait for a missing binary (default 120)
#
# An evidence script, not a pass/fail test: it exits 0 once it has run and
# says which step failed when one did (exit 1 only for wrong use).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$script_dir/lib.sh"

out=${2:-/tmp/window-shots}
desk_root_begin window-shots "${WINDOW_SHOTS_USER:-ruvoime}" "${1:-build/app/ruvoteledit}" \
    "${WINDOW_SHOTS_WAIT:-120}"

# The book with the widest values, among ordinary entries (code page 932, CR LF).
desk_book \
    $'01\t鈴木一郎\tｽｽﾞｷ ｲﾁﾛｳ\t0422345678:0:0' \
    $'99\t東西南北春夏秋冬上下左右前後中\tｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎ\t01234567890123456789:0:0' \
    $'02\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0' \
    $'03\t田中\tﾀﾅｶ\t0311112222:0:0' >"$run/widest.txt"
cp "$run/widest.txt" "$run/widest.original"

cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/window-shots/lib.sh"
desk_session_begin window-shots 1024x768

cd "$run" || { fail "cd $run"; exit 0; }
desk_start_editor "$run/ruvoteledit" || { extra no-window; exit 0; }
read -r wx wy < <(desk_window_origin "$win")
step "client area at $wx,$wy"
sleep 0.5

# The title of the window $1, as X holds it, into the file $2 (and said).
title_of() {
    {
        echo "window $1"
        xprop -id "$1" _NET_WM_NAME WM_NAME
        printf 'title bar text (xdotool getwindowname): [%s]\n' "$(xdotool getwindowname "$1")"
    } >"$2" 2>&1
    sed 's/^/   /' "$2"
}

# Opens $1 through ファイルオープン and Qt's file dialog (the path typed into its
# file-name box, Enter); returns once the dialog has gone.
open_path() {
    local dialog
    click 78 21
    dialog=$(new_window) || { fail "no file dialog after clicking ファイルオープン"; extra no-dialog; return 1; }
    step "file dialog $dialog: $(xdotool getwindowname "$dialog")"
    desk_choose_in_dialog "$dialog" "$1" || return 1
    sleep 0.5
}

# A grid-area crop of the client area; "WxH+X+Y" relative to the client area.
crop() { convert "$1" -crop "$(awk -v g="$2" -v x="$wx" -v y="$wy" 'BEGIN {
    split(g, a, /[x+]/); printf "%dx%d+%d+%d", a[1], a[2], a[3] + x, a[4] + y }')" +repage "${@:3}"; }

# -- 1. the widest values -----------------------------------------------------
if open_path "$run/widest.txt" && wait_for 10 desk_is_active "$win"; then
    shot grid-widest
    crop "$shots/grid-widest.png" 741x150+11+78 -scale 200% "$shots/grid-widest-crop.png" &&
        step "crop $shots/grid-widest-crop.png"
else
    fail "the widest book did not open"
fi

# -- 3. the delete question -------------------------------------------------------
click 448 21
if box=$(new_window); then
    sleep 0.5
    title_of "$box" "$run/delete-question-title.txt"
    shot delete-question
    key Return
    wait_for 10 desk_is_active "$win" || fail "the question did not close with Enter"
else
    fail "no question after clicking データ削除"
    extra no-question
fi

# -- 5. idle after a save: double-clicks do nothing -------------------------------
mtime() { stat -c %y "$1"; }
before=$(mtime "$run/widest.txt")
click 694 21
if wait_for 20 sh -c "[ \"\$(stat -c %y '$run/widest.txt')\" != '$before' ]"; then
    sleep 1
    step "saved: $run/widest.txt"
else
    fail "the book was not written after clicking ファイル保存"
fi
saved_sum=$(sha256sum <"$run/widest.txt")
saved_time=$(mtime "$run/widest.txt")
extra grey-before
dblclick() { alive; xdotool mousemove --window "$win" "$1" "$2" click --repeat 2 --delay 90 1; sleep 0.7; }
dblclick 200 130    # a grid row
dblclick 200 88     # the title row
sleep 0.5
shot grey-grid
# A further attempt: double-clicks again, and clicks on 新規データ, データ削除
# and ファイル保存 (all disabled).
dblclick 300 104
dblclick 60 88
click 216 21
click 448 21
click 694 21
sleep 2
extra grey-after
{
    same=yes
    if [ "$(sha256sum <"$run/widest.txt")" = "$saved_sum" ] && [ "$(mtime "$run/widest.txt")" = "$saved_time" ]; then
        echo "file on disk: unchanged since the save (sha256 and mtime $saved_time)"
    else
        echo "file on disk: CHANGED after the save"
        same=no
    fi
    if desk_is_active "$win"; then
        echo "active window: still the editor's (no dialog opened)"
    else
        echo "active window: $(xdotool getactivewindow) '$(xdotool getwindowname "$(xdotool getactivewindow)")' (NOT the editor's)"
        same=no
    fi
    crop "$run/extra/grey-before.png" 760x700+0+0 "$run/extra/cmp-before.png"
    for f in "$shots/grey-grid.png" "$run/extra/grey-after.png"; do
        crop "$f" 760x700+0+0 "$run/extra/cmp-now.png"
        d=$(compare -metric AE "$run/extra/cmp-before.png" "$run/extra/cmp-now.png" null: 2>&1)
        echo "client area, pixels differing from before the double-clicks, $(basename "$f"): $d"
        [ "$d" = 0 ] || same=no
    done
    rm -f "$run/extra/cmp-before.png" "$run/extra/cmp-now.png"
    echo "nothing happened: $same"
} >"$run/grey-check.txt"
sed 's/^/   /' "$run/grey-check.txt"
grep -q 'nothing happened: yes' "$run/grey-check.txt" || fail "something changed in idle mode"

# -- a name that does not exist, right after a book was open and saved ----------
# (Mozc still off: ASCII only.) What the first save writes then.
afterbook=$run/after-book.txt
if open_path "$afterbook" && box=$(new_window); then
    sleep 0.5
    title_of "$box" "$run/after-book-error-title.txt"
    extra after-book-error
    key Return
    wait_for 10 desk_is_active "$win" || fail "the error box did not close with Enter"
    click 216 21        # 新規データ
    for text in 2 Tanaka tanaka 0422000000; do
        typ "$text"
        key Return
    done
    key Return          # Enter on 実行
    extra after-book-entry
    click 694 21        # ファイル保存
    wait_for 20 test -s "$afterbook" || fail "after-book.txt was not created by ファイル保存"
    sleep 1
else
    fail "no error box for a name that does not exist (after a book)"
    extra after-book-no-error-box
fi

# -- a fresh editor for the rest ------------------------------------------------------
# In idle mode Escape closes the window.
key Escape
if ! wait_for 10 sh -c "! kill -0 $editor"; then
    fail "the editor did not close with Escape in idle mode"
    kill "$editor" 2>/dev/null
    wait_for 5 sh -c "! kill -0 $editor"
fi
desk_start_editor "$run/ruvoteledit" || { extra no-window-2; exit 0; }
read -r wx wy < <(desk_window_origin "$win")
sleep 0.5

# -- 2. a name that does not exist ----------------------------------------------------
newbook=$run/新しい電話帳.txt
if open_path "$newbook" && box=$(new_window); then
    sleep 0.5
    title_of "$box" "$run/new-name-error-title.txt"
    shot new-name-error
    key Return
    wait_for 10 desk_is_active "$win" || fail "the error box did not close with Enter"
else
    fail "no error box for a name that does not exist"
    extra no-error-box
fi

# -- 4. the reading box with Mozc ---------------------------------------------------
click 216 21         # 新規データ
key Return           # EGroup -> EName
key Return           # EName -> EKana
key Zenkaku_Hankaku  # Mozc on, hiragana (the reading box takes the input method)
typ yamada
if wait_for 3 composing; then
    key Return
    wait_for 3 not_composing || fail "ekana: the composition stays after Enter"
    sleep 0.3
else
    fail "ekana: Mozc shows no composition after typing 'yamada'"
fi
shot ekana-mozc
# Drop this entry (Escape leaves the edit mode without storing).
key Escape

# -- 2, continued: a new entry, saved into the new file -----------------------------
# One box: the text; when Mozc composes, (Space to convert,) Enter to commit;
# then Enter to go to the next box.
fill() {
    local box=$1 text=$2 convert=${3:-}
    alive
    typ "$text"
    if wait_for 3 composing; then
        [ -n "$convert" ] && key space
        key Return
        wait_for 3 not_composing || fail "$box: the composition stays after Enter"
    fi
    key Return
}
click 216 21         # 新規データ
fill egroup 1
fill ename yamada convert
fill ekana yamada
fill etel 0311112222
extra new-entry-typed
key Return           # Enter on 実行
click 694 21         # ファイル保存
if wait_for 20 test -s "$newbook"; then
    sleep 1
    step "created: $newbook"
else
    fail "the new file was not created by ファイル保存"
fi
extra new-saved
exit 0
SESSION
desk_root_run 300

# --- evidence ---------------------------------------------------------------------
mkdir -p "$out"
rm -rf "$out"/*.png "$out/extra" "$out/log" "$out"/*.txt "$out"/*.original
desk_copy_evidence
cp "$run"/*.txt "$run/widest.original" "$out/" 2>/dev/null
rm -f "$out/session.sh" "$out/log-session-stderr.txt"

desk_say_shots grid-widest grid-widest-crop delete-question grey-grid new-name-error ekana-mozc

echo
say "the delete question's window title:"
sed 's/^/   /' "$out/delete-question-title.txt" 2>/dev/null
echo "   entries in the book saved afterwards: $(tail -n +7 "$out/widest.txt" 2>/dev/null | grep -c .)" \
     "of $(tail -n +7 "$out/widest.original" | grep -c .) (Enter on the question deleted nothing)"

echo
say "idle mode after the save, double-clicks:"
sed 's/^/   /' "$out/grey-check.txt" 2>/dev/null
if cmp -s "$out/widest.txt" "$out/widest.original"; then
    echo "   the saved book is byte for byte the book that was opened"
else
    echo "   the saved book differs from the book that was opened:"
    diff <(iconv -f CP932 -t UTF-8 "$out/widest.original") <(iconv -f CP932 -t UTF-8 "$out/widest.txt") |
        sed 's/\r$//; s/^/      /'
fi

echo
say "the error box for a name that does not exist:"
sed 's/^/   /' "$out/new-name-error-title.txt" 2>/dev/null

show_new() {
    if [ -f "$1" ]; then
        say "$2 $1 (iconv -f CP932; CR shown as <CR>, TAB as <TAB>):"
        iconv -f CP932 -t UTF-8 "$1" | sed 's/\r$/<CR>/; s/\t/<TAB>/g; s/^/   /'
        say "its bytes (od -c):"
        od -c "$1" | sed 's/^/   /'
    else
        fail "no new file $1"
    fi
}
echo
show_new "$out/新しい電話帳.txt" "the new file, made in a freshly started editor:"
echo
show_new "$out/after-book.txt" "a new file made right after a book was open and saved in the same editor:"

echo
say "what Mozc handed the editor ($out/ime-events.txt):"
grep -v '^preedit \[\] hidden$' "$out/ime-events.txt" 2>/dev/null | tr '\n' ' ' | fold -s -w 100 |
    sed 's/^/   /'
echo
desk_say_failed
exit 0
