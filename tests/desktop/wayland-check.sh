#!/usr/bin/env bash
# Desktop check: the editor as a native Wayland client in a nested weston
# (weston --backend=x11-backend.so inside Xvfb), as an ordinary user, by the
# user's own keys (xdotool into weston's window). The protocol log
# (WAYLAND_DEBUG=1) says what each surface is and whose child it is:
#
#   1. the find box: Ctrl+F on an open book creates no top-level of its own
#      (no xdg_toplevel, no popup): it is a bar inside the window
#      (find-bar.png);
#   2. the error box of a failed open (the name of a file that does not
#      exist): an xdg_toplevel whose set_parent is the main window's
#      (error-box.png), as is the open dialog's;
#   3. the path where the editor once died: that box closed with Enter (the
#      keyboard focus must come back to the main window: the last
#      wl_keyboard.enter names its surface), then Escape twice: the first
#      leaves the new, empty book (after-escape.png), the second closes the
#      window, and the editor must end with status 0. Run WAYLAND_RUNS times
#      (default 20), under AddressSanitizer when the binary was built with it
#      (its reports go to log/asan.*).
#   4. IBus with Mozc (the Qt ibus module) under Wayland: yamada Space Enter,
#      tarou Space Enter typed into 姓名 of a new entry, nothing into ﾖﾐｶﾞﾅ;
#      the saved file must hold 山田太郎 with ﾔﾏﾀﾞﾀﾛｳ (ime-*.png).
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/wayland-check.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit
#     OUTPUT_FOLDER  default /tmp/wayland-check (its earlier results are replaced)
#   WAYLAND_USER   the ordinary user (default ruvoime, shared with the other
#                  desktop checks: run one at a time)
#   WAYLAND_RUNS   runs of the failed-open path (default 20)
#
# An evidence script, not a pass/fail test: it exits 0 once it has run and
# lists the steps that failed (exit 1 only for wrong use).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
. "$script_dir/lib.sh"

out=${2:-/tmp/wayland-check}
desk_root_begin wayland-check "${WAYLAND_USER:-ruvoime}" "${1:-build/app/ruvoteledit}" 120 \
    weston qt6-wayland qt6-translations-l10n x11-xkb-utils
# The sanitizer's library, when the binary links it, comes with the binary.
mkdir -p "$run/books"
desk_book \
    $'01\t青木一郎\tｱｵｷ ｲﾁﾛｳ\t0422345678:0:0' \
    $'02\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0' \
    $'03\t田中健\tﾀﾅｶ ｹﾝ\t0311112222:0:0' >"$run/books/book.txt"
desk_book >"$run/books/empty.txt"
echo "${WAYLAND_RUNS:-20}" >"$run/runs"

cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/wayland-check/lib.sh"
run=$HOME/wayland-check
shots=$run/shots
log=$run/log
mkdir -p "$log"
DESK_FAILED_FILE=$run/failed
trap desk_cleanup EXIT
report=$run/report.txt
: >"$report"
note() { printf '%s\n' "$*" | tee -a "$report"; }
desk_start_x 1280x1024 || exit 0

# No on-screen keyboard: weston's would cover the bottom of the screen, and
# the keys come from xdotool. A Japanese keyboard on the X server, whose
# layout weston takes over, so that its 半角/全角 key (X keycode 49) reaches
# Mozc, which it switches on and off.
cat >"$run/weston.ini" <<'INI'
[core]
idle-time=0
[input-method]
path=/bin/true
INI
setxkbmap -layout jp 2>>"$log/setxkbmap.txt" || fail "setxkbmap -layout jp"
weston --config="$run/weston.ini" --backend=x11-backend.so --socket=wayland-ruvo \
    --width=1200 --height=980 >"$log/weston.txt" 2>&1 &
desk_pids+=($!)
if ! wait_for 20 test -S "$XDG_RUNTIME_DIR/wayland-ruvo"; then
    fail "weston did not start"
    exit 0
fi
weston_window=$(xdotool search --sync --class weston | head -n 1)
note "weston's window on the X display: $weston_window"

shot() { import -window root "$shots/$1.png" 2>>"$log/import.txt"; }
key() { xdotool windowfocus --sync "$weston_window" key --delay 60 "$@"; sleep 0.3; }
type_text() { xdotool windowfocus --sync "$weston_window" type --delay 30 "$1"; sleep 0.3; }

# The protocol log of the running editor: its top-levels in order, the
# parent each one was given, the surface of each, the keyboard's last enter.
toplevels() { grep -c -- '-> xdg_surface@[0-9]*\.get_toplevel' "$wlog"; }
popups() { grep -c -- '-> xdg_surface@[0-9]*\.get_popup' "$wlog"; }
toplevel_id() { grep -o -- '-> xdg_surface@[0-9]*\.get_toplevel(new id xdg_toplevel@[0-9]*' "$wlog" |
    sed -n "${1}p" | grep -o 'xdg_toplevel@[0-9]*$'; }
parent_of() { grep -o -- "-> $1\.set_parent([^)]*)" "$wlog" | tail -n 1 | sed 's/.*set_parent(//; s/)$//'; }
title_of() { grep -o -- "-> $1\.set_title(\"[^\"]*\")" "$wlog" | tail -n 1 | sed 's/.*set_title(//; s/)$//'; }
surface_of_toplevel() {
    # xdg_wm_base.get_xdg_surface(new id xdg_surface@A, wl_surface@B), then
    # xdg_surface@A.get_toplevel(new id $1)
    local xdg
    xdg=$(grep -o -- "-> xdg_surface@[0-9]*\.get_toplevel(new id $1)" "$wlog" | grep -o 'xdg_surface@[0-9]*' | head -n 1)
    grep -o -- "get_xdg_surface(new id $xdg, wl_surface@[0-9]*)" "$wlog" | tail -n 1 | grep -o 'wl_surface@[0-9]*'
}
last_keyboard_surface() { grep -o 'wl_keyboard@[0-9]*\.enter([0-9]*, wl_surface@[0-9]*' "$wlog" | tail -n 1 | grep -o 'wl_surface@[0-9]*'; }

start_editor() {
    wlog=$log/wayland-$1.txt
    WAYLAND_DISPLAY=wayland-ruvo QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 \
        ASAN_OPTIONS="log_path=$log/asan:detect_leaks=0" "$run/ruvoteledit" >"$wlog" 2>&1 &
    editor=$!
    wait_for 20 sh -c "[ \$(grep -c -- '-> xdg_surface@[0-9]*\.get_toplevel' '$wlog') -ge 1 ]" ||
        { fail "$1: no window"; return 1; }
    main_toplevel=$(toplevel_id 1)
    main_surface=$(surface_of_toplevel "$main_toplevel")
    sleep 1
}
end_editor() {
    kill "$editor" 2>/dev/null
    wait_for 10 sh -c "! kill -0 $editor" || kill -9 "$editor" 2>/dev/null
    sleep 0.3
}
# Waits until the keyboard is on the N-th top-level's surface: keys sent
# before it gets there are lost.
wait_keyboard_on() {
    local surface
    surface=$(surface_of_toplevel "$(toplevel_id "$1")")
    wait_for 5 sh -c "grep -o 'wl_keyboard@[0-9]*\.enter([0-9]*, wl_surface@[0-9]*' '$wlog' | tail -n 1 | grep -q '$surface\$'"
}
wait_toplevels() { wait_for 10 sh -c "[ \$(grep -c -- '-> xdg_surface@[0-9]*\.get_toplevel' '$wlog') -ge $1 ]"; }

# -- 1. the find box ---------------------------------------------------------------------------
note "== 1. find box (Ctrl+F on an open book)"
if start_editor find; then
    key ctrl+o
    wait_toplevels 2 || fail "find: no open dialog"
    wait_keyboard_on 2
    note "open dialog: $(title_of "$(toplevel_id 2)"), parent $(parent_of "$(toplevel_id 2)") (main window $main_toplevel)"
    type_text "$run/books/book.txt"
    key Return
    sleep 1
    before_top=$(toplevels) before_pop=$(popups)
    key ctrl+f
    sleep 1
    type_text "sato"
    sleep 0.5
    shot find-bar
    after_top=$(toplevels) after_pop=$(popups)
    note "top-levels $before_top -> $after_top, popups $before_pop -> $after_pop after Ctrl+F"
    if [ "$after_top" = "$before_top" ] && [ "$after_pop" = "$before_pop" ]; then
        note "the find box made no surface of its own"
    else
        fail "the find box made a surface of its own"
    fi
    key Escape
    end_editor
fi

# -- 2 and 3. the error box of a failed open, then Enter, Escape, Escape ------------------------
runs=$(cat "$run/runs")
note "== 2/3. failed open, box closed with Enter, Escape twice ($runs runs)"
alive=0 parented=0 focused=0 clean=0
for i in $(seq 1 "$runs"); do
    start_editor "open-$i" || continue
    key ctrl+o
    wait_toplevels 2 || { fail "run $i: no open dialog"; end_editor; continue; }
    wait_keyboard_on 2 || note "run $i: the keyboard is not on the open dialog"
    type_text "$run/books/nothere-$i.txt"
    key Return
    if ! wait_toplevels 3; then
        fail "run $i: no error box"
        end_editor
        continue
    fi
    box=$(toplevel_id 3)
    wait_keyboard_on 3 || note "run $i: the keyboard is not on the error box"
    [ "$i" = 1 ] && { sleep 0.5; shot error-box; }
    parent=$(parent_of "$box")
    [ "$i" = 1 ] && note "error box $box: title $(title_of "$box"), parent $parent (main window $main_toplevel)"
    [ "$parent" = "$main_toplevel" ] && parented=$((parented + 1))
    key Return
    # The keyboard must come back to the main window once the box is gone.
    if wait_for 5 sh -c "grep -o 'wl_keyboard@[0-9]*\.enter([0-9]*, wl_surface@[0-9]*' '$wlog' | tail -n 1 | grep -q '$main_surface\$'"; then
        focused=$((focused + 1))
    else
        fail "run $i: the keyboard did not come back to the main window"
    fi
    # Escape leaves the new, empty book (the window is idle), the next one
    # closes the window: the editor ends, cleanly.
    key Escape
    if kill -0 "$editor" 2>/dev/null; then
        alive=$((alive + 1))
    else
        fail "run $i: the editor ended at the first Escape"
    fi
    [ "$i" = 1 ] && shot after-escape
    key Escape
    if wait_for 10 sh -c "! kill -0 $editor"; then
        wait "$editor"
        status=$?
        if [ "$status" = 0 ]; then
            clean=$((clean + 1))
        else
            fail "run $i: the editor ended with status $status"
        fi
    else
        fail "run $i: the second Escape did not close the window"
        end_editor
    fi
done
note "runs: $runs; the box's parent the main window: $parented; keyboard back on the main window: $focused; alive after the first Escape: $alive; closed cleanly by the second: $clean"
[ "$parented" = "$runs" ] || fail "an error box without the main window as its parent"
[ "$clean" = "$runs" ] || fail "the editor did not end cleanly on the failed-open path"
if ls "$log"/asan.* >/dev/null 2>&1; then
    fail "AddressSanitizer reported: $(ls "$log"/asan.* | tr '\n' ' ')"
else
    note "no AddressSanitizer report"
fi

# -- 4. typing a name through IBus with Mozc, under Wayland ----------------------------------
note "== 4. IBus + Mozc under Wayland: yamada Space Enter, tarou Space Enter into 姓名"
desk_start_ibus
# Qt's ibus module looks for the daemon's address file under the display's
# name, which on Wayland is WAYLAND_DISPLAY's: told which file it is.
IBUS_ADDRESS_FILE=$(ls -t "$HOME"/.config/ibus/bus/* 2>/dev/null | head -n 1)
export IBUS_ADDRESS_FILE
note "ibus address file: $IBUS_ADDRESS_FILE"
if start_editor ime; then
    key ctrl+o
    wait_toplevels 2 || fail "ime: no open dialog"
    wait_keyboard_on 2
    type_text "$run/books/empty.txt"
    key Return
    sleep 1
    # An empty book: Enter on the list starts the first entry, in ｸﾞﾙｰﾌﾟ.
    key Return
    type_text 3
    key Return
    # Mozc on, in 姓名: two conversions, each committed with Enter.
    key 49
    for word in yamada tarou; do
        type_text "$word"
        sleep 0.5
        key space
        sleep 0.5
        key Return
    done
    shot ime-name
    key Return
    shot ime-reading
    key Return
    key 49
    type_text 0312345678
    key Return
    key Return
    sleep 0.5
    key ctrl+s
    sleep 1.5
    shot ime-saved
    end_editor
    entry=$(tail -n +7 "$run/books/empty.txt" | iconv -f CP932 -t UTF-8 2>/dev/null | tr -d '\r')
    note "saved entry: [$entry]"
    case "$entry" in
    *$'\t山田太郎\tﾔﾏﾀﾞﾀﾛｳ\t0312345678'*) note "the name and the reading typed through Mozc were stored" ;;
    *) fail "ime: the saved entry is not 山田太郎 with ﾔﾏﾀﾞﾀﾛｳ" ;;
    esac
fi
SESSION

desk_root_run 1800
rm -rf "$out"
mkdir -p "$out"
desk_copy_evidence
cp "$run/report.txt" "$out/" 2>/dev/null
desk_say_shots find-bar error-box after-escape ime-name ime-reading ime-saved
desk_say_report
desk_say_failed
exit 0
