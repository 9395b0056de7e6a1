# Shared helpers of the desktop checks (mozc-check.sh, window-shots.sh,
# feature-shots.sh, edge-shots.sh, failed-open-focus.sh).
#
# Sourced twice by each check: by the root part (packages, the ordinary user,
# running the session, ending what the session left) and, copied into the
# user's run folder, by the session script the user runs (Xvfb, openbox,
# ibus with Mozc, the editor, keys, clicks and screenshots).
# It only defines functions (and the few names they share).

desk_lib=$(readlink -f "${BASH_SOURCE[0]}")

say() { printf '== %s\n' "$*"; }
step() { say "$@"; }
# A failed step: said, and noted in $DESK_FAILED_FILE when that is set.
fail() {
    printf '!! STEP FAILED: %s\n' "$*"
    if [ -n "${DESK_FAILED_FILE:-}" ]; then printf '%s\n' "$*" >>"$DESK_FAILED_FILE"; fi
    return 0
}

# Wait until a command succeeds, at most $1 seconds.
wait_for() {
    local limit=$1 end
    shift
    end=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}

# Text to the phone book's encoding: code page 932, CR LF.
to_book_bytes() { sed 's/$/\r/' | iconv -f UTF-8 -t CP932; }

# A phone book of the entries "$@" (each a line: group, name, reading and
# number:0:0, TAB between them), with the header that counts them, in the
# phone book's encoding on standard output.
desk_book() {
    {
        printf '電話帳データ  ルーヴォ RV-720\n'
        printf '作成日時 2024/05/18 10:42\n'
        printf '登録件数 %d\n' $#
        printf 'グループ 01:家族 02:友人 03:会社\n'
        printf '\n'
        printf 'ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\n'
        printf '%s\n' "$@"
    } | to_book_bytes
}

# =============================================================================
# Root part
# =============================================================================

# Ends the script unless it runs as root: the scripts install packages and
# switch to an ordinary user ($2). $1 names the script in the message.
desk_require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "$1: run this as root (it installs packages and switches to the user $2)" >&2
        exit 1
    fi
}

# Sets binary= to the full path of the editor binary $1 (relative to the
# current folder, else to the repository $2), waiting up to $3 seconds for a
# rebuild to put it back. Exits 1 when there is none.
desk_find_binary() {
    local name=$1 repo=$2 limit=$3 end
    binary=$name
    if [ "${binary#/}" = "$binary" ] && [ ! -e "$binary" ] && [ -d "$repo/$(dirname "$binary")" ]; then
        binary=$repo/$binary
    fi
    end=$((SECONDS + limit))
    until [ -x "$binary" ] || [ $SECONDS -ge $end ]; do
        sleep 2
    done
    if [ ! -x "$binary" ]; then
        echo "$(basename "$0"): no editor binary at '$binary' (build it first, or give its path)" >&2
        exit 1
    fi
    binary=$(readlink -f "$binary")
}

# The packages every desktop check needs (mozc-utils-gui, Mozc's settings
# window, and dbus-x11 are not needed: the mode is set by
# ibus_config.textproto and the 半角/全角 key, and dbus-run-session gives the
# session bus).
desk_packages=(ibus ibus-mozc xvfb xauth openbox xdotool x11-utils imagemagick
               fonts-ipafont-mincho dbus-daemon dbus-bin libglib2.0-bin
               dconf-gsettings-backend libqt6gui6)

# Installs those of the packages "$@" that are missing.
desk_install_packages() {
    local p missing=()
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null || fail "apt-get update"
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
        fail "apt-get install ${missing[*]}"
}

desk_check_ibus_plugin() {
    local plugin=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so
    if [ -f "$plugin" ]; then
        say "Qt ibus input-context plugin: $plugin (package $(dpkg -S "$plugin" 2>/dev/null | cut -d: -f1,2))"
    else
        fail "Qt ibus input-context plugin missing: $plugin (Debian 12 ships it in libqt6gui6)"
    fi
}

# The ordinary user $1, made by these checks (marked by ~/.mozc-check-user),
# with a fresh state: no input-method settings, learning or caches from an
# earlier run, and an empty run folder ~/$2. Sets user_home, user_uid and run.
# Exits 1 when the user exists but was not made by these checks.
desk_prepare_user() {
    local name=$1 folder=$2
    if ! id "$name" >/dev/null 2>&1; then
        say "creating user $name"
        useradd --create-home --shell /bin/bash "$name" || { fail "useradd $name"; exit 0; }
        touch "$(getent passwd "$name" | cut -d: -f6)/.mozc-check-user"
    fi
    user_home=$(getent passwd "$name" | cut -d: -f6)
    if [ ! -f "$user_home/.mozc-check-user" ]; then
        echo "$(basename "$0"): the user $name was not made by these checks; name another" >&2
        exit 1
    fi
    user_uid=$(id -u "$name")
    rm -rf "$user_home/.config" "$user_home/.cache" "$user_home/.local" "$user_home/.mozc" \
           "$user_home/.Xauthority" "$user_home/$folder"
    run=$user_home/$folder
    mkdir -p "$run" "$user_home/.config/mozc"
    # Mozc as an ibus engine: starts switched off (direct input), as on a
    # real desktop; the user switches it on with the 半角/全角 key.
    cat >"$user_home/.config/mozc/ibus_config.textproto" <<'EOF'
engines {
  name : "mozc-jp"
  longname : "Mozc"
  layout : "default"
  layout_variant : ""
  layout_option : ""
  rank : 80
}
active_on_launch: False
EOF
    mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
}

# The start of the root part of the check $1 (its run folder ~/$1) as the
# ordinary user $2: root or the end of the script, the editor binary $3
# (waiting up to $4 seconds for it), the packages (with the further ones
# "${@:5}"), the user with a fresh state, the run folder's shots and extra,
# and the user's own copy of the binary there (ruvoteledit). Sets user_name,
# binary, user_home, user_uid and run.
desk_root_begin() {
    local name=$1 limit=$4
    user_name=$2
    desk_require_root "$name" "$user_name"
    desk_find_binary "$3" "$(cd "$(dirname "$desk_lib")/../.." && pwd)" "$limit"
    shift 4
    desk_install_packages "${desk_packages[@]}" "$@"
    desk_prepare_user "$user_name" "$name"
    mkdir -p "$run/shots" "$run/extra"
    cp "$binary" "$run/ruvoteledit"
}

# Runs the session script $3 as the user $1 (run folder $2) in its own D-Bus
# session, at most $4 seconds; its standard error goes to $2/log-session-stderr.txt.
# Returns the script's exit status (124: out of time).
desk_run_session() {
    local name=$1 folder=$2 script=$3 limit=$4 home
    home=$(getent passwd "$name" | cut -d: -f6)
    cp "$desk_lib" "$folder/lib.sh"
    install -d -m 700 "$folder/xdg-runtime"
    chown -R "$name:" "$home"
    timeout --kill-after=10 "$limit" runuser -u "$name" -- env -i \
        HOME="$home" USER="$name" LOGNAME="$name" SHELL=/bin/bash \
        PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$folder/xdg-runtime" \
        NO_AT_BRIDGE=1 \
        dbus-run-session -- bash "$script" 2>"$folder/log-session-stderr.txt"
}

# Whatever the user's session left behind (mozc_server, its renderer, the
# accessibility bus): ends those processes of the user id $1, by their ids.
desk_end_user_processes() {
    local leftover
    leftover=$(ps -u "$1" -o pid=,stat= 2>/dev/null | awk '$2 !~ /^Z/ { printf "%s ", $1 }')
    [ -z "${leftover// /}" ] && return 0
    say "ending processes left by the user: $leftover"
    # shellcheck disable=SC2086
    kill $leftover 2>/dev/null
    sleep 1
    # shellcheck disable=SC2086
    kill -9 $leftover 2>/dev/null
    return 0
}

# Runs the run folder's session.sh as user_name, at most $1 seconds, then
# ends what its session left behind.
desk_root_run() {
    chmod 755 "$run/session.sh"
    say "running the session as $user_name"
    desk_run_session "$user_name" "$run" "$run/session.sh" "$1"
    [ $? -eq 124 ] && fail "the session ran out of time ($1 s)"
    desk_end_user_processes "$user_uid"
}

# Into the output folder $out: the run folder's shots, its folders extra,
# log and the further ones "$@", and the session's standard error as
# log/session-stderr.txt.
# shellcheck disable=SC2120,SC2154
desk_copy_evidence() {
    local d folders=("$run/extra" "$run/log")
    for d in "$@"; do folders+=("$run/$d"); done
    cp "$run"/shots/*.png "$out/" 2>/dev/null
    cp -r "${folders[@]}" "$out/" 2>/dev/null
    cp "$run/log-session-stderr.txt" "$out/log/session-stderr.txt" 2>/dev/null
}

# Lists the screenshots "$@" (NAME.png in $out), each as there or missing.
desk_say_shots() {
    local f
    echo
    say "screenshots:"
    for f in "$@"; do
        if [ -f "$out/$f.png" ]; then echo "   $out/$f.png"; else echo "   (missing) $out/$f.png"; fi
    done
    echo "   (more: $out/extra)"
}

# Prints $out/report.txt.
desk_say_report() {
    echo
    say "what was checked ($out/report.txt):"
    sed 's/^/   /' "$out/report.txt" 2>/dev/null
}

# Prints the steps that failed, when one did.
desk_say_failed() {
    [ -f "$run/failed" ] || return 0
    echo
    say "steps that failed:"
    sed 's/^/   /' "$run/failed"
}

# =============================================================================
# Session part (as the ordinary user)
# =============================================================================

# The start of every session script, run in $HOME/$1: its folders (run,
# shots, log), the cleanup on exit, and a display of size $2 with openbox,
# ibus and the monitor of its events. Ends the script when no display starts.
desk_session_begin() {
    run=$HOME/$1
    shots=$run/shots
    log=$run/log
    mkdir -p "$log"
    DESK_FAILED_FILE=$run/failed
    trap desk_cleanup EXIT
    desk_start_x "$2" || exit 0
    desk_start_openbox
    desk_start_ibus
    # What ibus hands the editor: every preedit and commit.
    desk_start_ime_monitor "$run/ime-events.txt"
}

# Processes the session started, ended in reverse order on exit.
desk_pids=()
desk_cleanup() {
    local i
    for ((i = ${#desk_pids[@]} - 1; i >= 0; i--)); do
        kill "${desk_pids[i]}" 2>/dev/null
    done
    sleep 1
    for ((i = ${#desk_pids[@]} - 1; i >= 0; i--)); do
        kill -9 "${desk_pids[i]}" 2>/dev/null
    done
}

# Xvfb with a screen of $1 (e.g. 1024x768) on a free display; sets DISPLAY
# and XAUTHORITY. Logs to $log. Returns 1 when no display would start.
desk_start_x() {
    local size=$1 d xpid
    export XAUTHORITY=$HOME/.Xauthority
    touch "$XAUTHORITY"
    for d in $(seq 90 199); do
        [ -e /tmp/.X$d-lock ] || [ -e /tmp/.X11-unix/X$d ] && continue
        xauth -q -f "$XAUTHORITY" add ":$d" . "$(mcookie)"
        # -noreset: without it the server resets when its last client (the
        # xdpyinfo below) leaves, and a client connecting during that reset
        # (openbox, on a busy machine) is refused.
        Xvfb ":$d" -screen 0 "${size}x24" -nolisten tcp -noreset -auth "$XAUTHORITY" \
            >"$log/xvfb.txt" 2>&1 &
        xpid=$!
        export DISPLAY=:$d
        if wait_for 15 xdpyinfo; then
            desk_pids+=("$xpid")
            step "Xvfb on $DISPLAY ($size)"
            return 0
        fi
        kill "$xpid" 2>/dev/null
    done
    fail "Xvfb did not start on any display 90..199"
    return 1
}

desk_start_openbox() {
    openbox --sm-disable >"$log/openbox.txt" 2>&1 &
    desk_pids+=($!)
    wait_for 15 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        fail "openbox did not come up"
}

# ibus with the Mozc engine (Mozc itself starts off: direct input).
desk_start_ibus() {
    export XMODIFIERS=@im=ibus GTK_IM_MODULE=ibus QT_IM_MODULE=ibus
    gsettings set org.freedesktop.ibus.general preload-engines "['mozc-jp']" 2>>"$log/gsettings.txt"
    ibus-daemon --xim --replace --panel=disable --emoji-extension=disable --verbose \
        >"$log/ibus-daemon.txt" 2>&1 &
    desk_pids+=($!)
    wait_for 30 sh -c 'ibus list-engine | grep -q mozc-jp' ||
        fail "ibus-daemon did not list the engine mozc-jp"
    # (ibus engine NAME may answer non-zero with no input context yet; what
    # counts is that the engine is set afterwards.)
    wait_for 15 sh -c 'ibus engine mozc-jp; [ "$(ibus engine)" = mozc-jp ]' ||
        fail "ibus engine mozc-jp (the engine is: $(ibus engine 2>&1))"
    step "ibus engine: $(ibus engine 2>&1)"
}

# What ibus hands the editor, into the file $1: every preedit and commit,
# read off the ibus bus as one line each ("preedit [やまだ] shown",
# "commit [山田]", "hide"). Sets ime_events=$1.
desk_start_ime_monitor() {
    ime_events=$1
    # mawk reads a pipe in blocks unless told to read it line by line.
    local awk_lines=(awk)
    awk -W version 2>&1 | grep -qi mawk && awk_lines=(awk -W interactive)
    : >"$ime_events"
    stdbuf -oL dbus-monitor --address "$(ibus address)" \
        "type='signal',sender='org.freedesktop.IBus',interface='org.freedesktop.IBus.InputContext'" \
        2>"$log/dbus-monitor.txt" | "${awk_lines[@]}" '
        /^signal / {
            m = ""; want = 0
            if (match($0, /member=[A-Za-z]+/)) m = substr($0, RSTART + 7, RLENGTH - 7)
            if (m == "HidePreeditText") { print "hide"; fflush() }
            if (m == "CommitText" || m == "UpdatePreeditText") want = 1
            next
        }
        want == 1 && /string "IBusText"/ { want = 2; next }
        want == 2 && /^ *string "/ {
            t = $0; sub(/^ *string "/, "", t); sub(/"$/, "", t)
            if (m == "CommitText") { print "commit [" t "]"; fflush(); want = 0 } else want = 3
            next
        }
        want == 3 && /^ *boolean/ { print "preedit [" t "] " ($2 == "true" ? "shown" : "hidden"); fflush(); want = 0 }
        ' >>"$ime_events" &
    desk_pids+=($!)
    sleep 0.5
}

# True while Mozc shows a composition (a preedit not yet committed).
composing() { tail -n 1 "$ime_events" | grep -q '^preedit \[..*\] shown'; }
not_composing() { ! composing; }

# The whole screen into the file $1.
desk_shot() {
    import -window root "$1" 2>>"$log/import.txt" && step "screenshot $1"
}

# Starts the editor binary $1 in the current folder; sets editor (its process
# id) and win (its window). Returns 1 when the window never shows.
desk_start_editor() {
    "$1" >"$log/editor.txt" 2>&1 &
    editor=$!
    desk_pids+=("$editor")
    win=$(timeout 30 xdotool search --sync --onlyvisible --name 'ルーヴォ' | head -n 1)
    if [ -z "$win" ]; then
        fail "the editor's window never appeared (see log/editor.txt)"
        return 1
    fi
    step "editor window $win: $(xdotool getwindowname "$win")"
    xdotool windowactivate --sync "$win" 2>/dev/null
    wait_for 10 desk_is_active "$win" || fail "the editor's window did not get the focus"
    return 0
}

desk_is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
desk_other_active() { local a; a=$(xdotool getactivewindow 2>/dev/null) && [ "$a" != "$1" ]; }

# "x y" of the window $1's client area on the screen.
desk_window_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        END { print x, y }'
}

# The active window, once it is none of the editor's main window and "$@"
# (dialogs that are closing); empty after 15 s.
new_window() {
    local a x end=$((SECONDS + 15)) skip
    while [ $SECONDS -lt $end ]; do
        a=$(xdotool getactivewindow 2>/dev/null)
        skip=no
        [ -z "$a" ] || [ "$a" = "$win" ] && skip=yes
        for x in "$@"; do [ "$a" = "$x" ] && skip=yes; done
        if [ $skip = no ]; then
            echo "$a"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

active_title() { xdotool getwindowname "$(xdotool getactivewindow 2>/dev/null)" 2>/dev/null; }

# Waits for the main window to be active again after a box closed ($1 names
# the box in the message).
back_to_main() {
    wait_for 10 desk_is_active "$win" || fail "$1: the main window did not get the focus back"
    sleep 0.5
}

# "left top right bottom" of the window $1 with its frame, on the screen
# (right and bottom exclusive).
frame_rect() {
    local x y w h l r t b
    read -r x y w h < <(xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }')
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed 's/.*= *//; s/,/ /g')
    echo "$((x - ${l:-0})) $((y - ${t:-0})) $((x + w + ${r:-0})) $((y + h + ${b:-0}))"
}

# Types $2 into the file dialog $1's name box, a click back into that box
# (the completer's popup would take the Enter), Enter; returns once the
# dialog is no longer the active window (1, and the shot extra dialog-stays,
# when it stays).
desk_choose_in_dialog() {
    local dialog=$1 path=$2
    sleep 0.5
    typ "$path"
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool mousemove --window "$dialog" 400 $((HEIGHT - 53)) click 1
    sleep 0.5
    key Return
    wait_for 15 sh -c "a=\$(xdotool getactivewindow) && [ \"\$a\" != $dialog ]" ||
        { fail "the file dialog did not close"; extra dialog-stays; return 1; }
    sleep 0.5
}

# A crop of the client area (at $wx,$wy) of the shot $1 into $2: the part
# $3 ("WxH+X+Y" relative to the client area), with the further convert
# options "${@:4}" (e.g. -scale 200%).
# shellcheck disable=SC2154
desk_crop() { convert "$1" -crop "$(awk -v g="$3" -v x="$wx" -v y="$wy" 'BEGIN {
    split(g, a, /[x+]/); printf "%dx%d+%d+%d", a[1], a[2], a[3] + x, a[4] + y }')" +repage \
    "${@:4}" "$2" 2>>"$log/convert.txt"; }

# --- a check's report ($report): edge-shots.sh, failed-open-focus.sh ---

# Starts the report, empty, in the file $1.
desk_report_begin() { report=$1; : >"$report"; }
note() { printf '%s\n' "$*" >>"$report"; printf '   %s\n' "$*"; }
section() { printf '\n[%s]\n' "$*" >>"$report"; step "$*"; }

# desk_choose_in_dialog, with the dialog and the path noted.
choose_in_dialog() {
    note "file dialog $1: [$(xdotool getwindowname "$1")], typed: $2"
    desk_choose_in_dialog "$1" "$2"
}

# The parts "${@:3}" (NAME:WxH+X+Y, relative to the client area) of the
# shot $2 against the shot $1: the pixels that differ in each, noted. Sets
# parts_differ to the names of those that differ (" boxes grid").
desk_compare_parts() {
    local a=$1 b=$2 part geometry d
    shift 2
    parts_differ=
    for part in "$@"; do
        geometry=${part#*:}
        desk_crop "$a" "$run/cmp-a.png" "$geometry"
        desk_crop "$b" "$run/cmp-b.png" "$geometry"
        d=$(compare -metric AE "$run/cmp-a.png" "$run/cmp-b.png" null: 2>&1)
        [ "$d" = 0 ] || parts_differ+=" ${part%%:*}"
        note "  ${part%%:*} vs $(basename "$a"): $([ "$d" = 0 ] && echo same || echo "differs ($d px)")"
    done
    rm -f "$run/cmp-a.png" "$run/cmp-b.png"
}

# Screenshots: shot NAME into shots/NAME.png, extra NAME into extra/NAME.png
# (a script may define its own shot; alive uses it when the editor is gone).
shot() { desk_shot "$shots/$1.png"; }
extra() { desk_shot "$run/extra/$1.png"; }

# Input to the editor.
alive() { kill -0 "$editor" 2>/dev/null || { fail "the editor has quit"; shot editor-gone; exit 0; }; }
click() { alive; xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.4; }
key() { xdotool key --delay 60 "$@"; sleep 0.5; }
typ() { xdotool type --delay 120 "$1"; sleep 0.8; }
