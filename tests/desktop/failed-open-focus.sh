#!/usr/bin/env bash
# Manual check: where the focus lands after an open that failed, in the
# editor's real window (openbox) under Xvfb 1280x1024, as an ordinary user
# (ibus with Mozc running, Mozc off), by the user's own keys and clicks.
# The grid was not chosen by the user, so the next Enter must not start
# editing and Up must not move its marked row. Each scenario runs in a
# freshly started editor:
#
#   new-enter-*.png
#       Ctrl+O, the name of a file that does not exist (in a writable
#       folder) typed into the open dialog, Enter: the box
#       「ファイルが見つかりません。」 (new-enter-box.png), closed with Enter
#       (new-enter-closed.png); then Enter (new-enter-enter.png: edit mode
#       or not?), Escape when that Enter started editing
#       (new-enter-escape.png), Up (new-enter-up.png).
#   unreadable-*.png
#       the same with a book of five entries made unreadable (chmod 000):
#       the box 「ファイルへのアクセスが拒否されました。」, closed with Enter;
#       Enter (unreadable-enter.png), Escape when editing, Up
#       (unreadable-up.png).
#   new-click-*.png
#       as new-enter, the box closed with a mouse click on its OK button.
#
# What each step checked goes to report.txt: the active window, the boxes'
# titles, and pixel comparisons of the row of edit boxes (ｸﾞﾙｰﾌﾟ, 姓名,
# フリガナ, 電話番号, 実行), the buttons and the grid with the shot taken
# right after the box closed (a change of the edit boxes after Enter means
# Enter started editing).
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/failed-open-focus.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit (relative to the current
#                    folder, else to the repository that holds this script)
#     OUTPUT_FOLDER  default /tmp/failed-open-focus (its earlier results are
#                    replaced)
#   FAILED_OPEN_USER  the ordinary user (default ruvoime, shared with the
#                     other desktop checks: run one at a time)
#   FAILED_OPEN_WAIT  seconds to wait for a missing binary (default 120)
#
# An evidence script, not a pass/fail test: it exits 0 once it has run and
# says which step failed when one did (exit 1 only for wrong use).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$script_dir/lib.sh"

out=${2:-/tmp/failed-open-focus}
# (qt6-translations-l10n: Qt's own texts in Japanese, as the other checks see them.)
desk_root_begin failed-open-focus "${FAILED_OPEN_USER:-ruvoime}" "${1:-build/app/ruvoteledit}" \
    "${FAILED_OPEN_WAIT:-120}" qt6-translations-l10n
mkdir -p "$run/books"

# A book of five entries, code page 932, CR LF, which the user cannot read.
desk_book \
    $'01\t青木一郎\tｱｵｷ ｲﾁﾛｳ\t0422345678:0:0' \
    $'02\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0' \
    $'03\t田中健\tﾀﾅｶ ｹﾝ\t0311112222:0:0' \
    $'01\t中村さくら\tﾅｶﾑﾗ ｻｸﾗ\t0455550101:0:0' \
    $'02\t山本次郎\tﾔﾏﾓﾄ ｼﾞﾛｳ\t0667778888:0:0' >"$run/books/locked.txt"
cp "$run/books/locked.txt" "$run/locked.original"
# (desk_run_session's chown keeps the mode.)
chmod 000 "$run/books/locked.txt"

cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/failed-open-focus/lib.sh"
desk_session_begin failed-open-focus 1280x1024

cd "$run" || { fail "cd $run"; exit 0; }
desk_report_begin "$run/report.txt"

# The edit boxes, the row of buttons and the grid of the shot $2 against the
# shot $1: pixels that differ in each part. Sets boxes_differ=yes|no.
compare_parts() {
    desk_compare_parts "$1" "$2" boxes:760x34+0+42 buttons:752x30+0+6 grid:741x614+11+78
    case "$parts_differ " in *" boxes "*) boxes_differ=yes ;; *) boxes_differ=no ;; esac
}

# Ends the editor of this scenario (by its id) before the next one starts.
end_editor() {
    kill "$editor" 2>/dev/null
    wait_for 10 sh -c "! kill -0 $editor" || kill -9 "$editor" 2>/dev/null
    sleep 0.5
}

# One scenario in a freshly started editor: $1 names its shots, $2 is the
# path typed into the open dialog, $3 how the error box is closed (enter or
# click).
scenario() {
    local name=$1 path=$2 how=$3 dialog box
    section "$name: $path, the box closed by $how"
    desk_start_editor "$run/ruvoteledit" || { extra "$name-no-window"; return; }
    read -r wx wy < <(desk_window_origin "$win")
    note "client area at $wx,$wy"
    sleep 0.5
    extra "$name-idle"
    key ctrl+o
    dialog=$(new_window) || { fail "$name: no file dialog after Ctrl+O"; extra "$name-no-dialog"; end_editor; return; }
    choose_in_dialog "$dialog" "$path" || { end_editor; return; }
    if ! box=$(new_window "$dialog"); then
        fail "$name: no error box after the open"
        extra "$name-no-box"
        end_editor
        return
    fi
    sleep 0.5
    note "error box $box: title [$(xdotool getwindowname "$box")]"
    shot "$name-box"
    if [ "$how" = click ]; then
        eval "$(xdotool getwindowgeometry --shell "$box")"
        # OK sits at the box's lower right corner.
        note "clicking OK at $((WIDTH - 50)),$((HEIGHT - 24)) of the box (${WIDTH}x$HEIGHT)"
        xdotool mousemove --window "$box" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
        sleep 0.4
    else
        key Return
    fi
    back_to_main "$name: error box"
    xdotool mousemove 1275 1019
    sleep 0.5
    shot "$name-closed"
    note "box closed: active window [$(active_title)], box still shown:" \
         "$(xdotool search --onlyvisible --pid "$editor" 2>/dev/null | grep -qx "$box" && echo YES || echo no)"
    compare_parts "$run/extra/$name-idle.png" "$shots/$name-closed.png"

    key Return
    sleep 0.5
    shot "$name-enter"
    note "after Enter: active window [$(active_title)]"
    compare_parts "$shots/$name-closed.png" "$shots/$name-enter.png"
    local editing=$boxes_differ
    note "  => Enter $([ "$editing" = yes ] && echo 'CHANGED the edit boxes (edit mode)' || echo 'left the edit boxes as they were (no edit mode)')"
    if [ "$editing" = yes ]; then
        key Escape
        sleep 0.5
        shot "$name-escape"
        note "after Escape: active window [$(active_title)]"
        compare_parts "$shots/$name-closed.png" "$shots/$name-escape.png"
    fi
    key Up
    sleep 0.5
    shot "$name-up"
    note "after Up: active window [$(active_title)]"
    compare_parts "$shots/$name-closed.png" "$shots/$name-up.png"
    note "editor running: $(kill -0 "$editor" 2>/dev/null && echo yes || echo NO)"
    end_editor
}

note "locked.txt: $(stat -c '%A %U' "$run/books/locked.txt"), readable by $(id -un):" \
     "$([ -r "$run/books/locked.txt" ] && echo YES || echo no)"
scenario new-enter "$run/books/new-enter.txt" enter
scenario unreadable "$run/books/locked.txt" enter
scenario new-click "$run/books/new-click.txt" click
note "files in books/: $(cd "$run/books" && ls | tr '\n' ' ')"
exit 0
SESSION
desk_root_run 300

# --- evidence ---------------------------------------------------------------------
mkdir -p "$out"
rm -rf "$out"/*.png "$out/extra" "$out/log" "$out"/*.txt
desk_copy_evidence
cp "$run"/report.txt "$run"/ime-events.txt "$out/" 2>/dev/null

echo
say "screenshots:"
for s in new-enter unreadable new-click; do
    for f in box closed enter escape up; do
        [ -f "$out/$s-$f.png" ] && echo "   $out/$s-$f.png"
    done
done
echo "   (more: $out/extra)"

desk_say_report
desk_say_failed
exit 0
