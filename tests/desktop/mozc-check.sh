#!/usr/bin/env bash
# Manual check of the editor with a real Japanese input method.
#
# Runs the editor under Xvfb + openbox, as an ordinary user, with ibus and
# Mozc (Mozc will not run as root), types into the four boxes the way a
# Japanese user would (Mozc switched on, hiragana mode), saves, and prints
# what each box received, read back from the bytes of the saved file.
# Screenshots of the key moments go to the output folder.
#
# Usage (as root, on Debian 12):
#   bash tests/desktop/mozc-check.sh [EDITOR_BINARY] [OUTPUT_FOLDER]
#     EDITOR_BINARY  default build/app/ruvoteledit (relative to the current
#                    folder, else to the repository that holds this script)
#     OUTPUT_FOLDER  default /tmp/mozc-check (its earlier results are replaced)
#   MOZC_CHECK_USER  the ordinary user to run as (default ruvoime; made by
#                    this script, its HOME's state is wiped on every run)
#   MOZC_CHECK_WAIT  seconds to wait for a missing binary (default 120)
#
# It is an evidence script, not a pass/fail test: it exits 0 once it has run,
# and says clearly which step failed when one did (exit 1 only for wrong use:
# not root, no editor binary).

set -u

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$script_dir/../.." && pwd)

binary=${1:-build/app/ruvoteledit}
out=${2:-/tmp/mozc-check}
user_name=${MOZC_CHECK_USER:-ruvoime}

say() { printf '== %s\n' "$*"; }
fail() { printf '!! STEP FAILED: %s\n' "$*"; }

if [ "$(id -u)" -ne 0 ]; then
    echo "mozc-check: run this as root (it installs packages and switches to the user $user_name)" >&2
    exit 1
fi
if [ "${binary#/}" = "$binary" ] && [ ! -e "$binary" ] && [ -d "$repo_root/$(dirname "$binary")" ]; then
    binary=$repo_root/$binary
fi
# A rebuild may have the binary away for a moment: wait for it a while.
end=$((SECONDS + ${MOZC_CHECK_WAIT:-120}))
until [ -x "$binary" ] || [ $SECONDS -ge $end ]; do
    sleep 2
done
if [ ! -x "$binary" ]; then
    echo "mozc-check: no editor binary at '$binary' (build it first, or give its path)" >&2
    exit 1
fi
binary=$(readlink -f "$binary")

# --- 1. packages ------------------------------------------------------------
# (mozc-utils-gui, Mozc's settings window, and dbus-x11 are not needed:
# the mode is set by ibus_config.textproto and the 半角/全角 key, and
# dbus-run-session gives the session bus.)
packages=(ibus ibus-mozc xvfb xauth openbox xdotool x11-utils imagemagick
          fonts-ipafont-mincho dbus-daemon dbus-bin libglib2.0-bin
          dconf-gsettings-backend libqt6gui6)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null || fail "apt-get update"
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
        fail "apt-get install ${missing[*]}"
fi

plugin=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so
if [ -f "$plugin" ]; then
    say "Qt ibus input-context plugin: $plugin (package $(dpkg -S "$plugin" 2>/dev/null | cut -d: -f1,2))"
else
    fail "Qt ibus input-context plugin missing: $plugin (Debian 12 ships it in libqt6gui6)"
fi

# --- 2. the ordinary user ---------------------------------------------------
if ! id "$user_name" >/dev/null 2>&1; then
    say "creating user $user_name"
    useradd --create-home --shell /bin/bash "$user_name" || { fail "useradd $user_name"; exit 0; }
    touch "$(getent passwd "$user_name" | cut -d: -f6)/.mozc-check-user"
fi
user_home=$(getent passwd "$user_name" | cut -d: -f6)
if [ ! -f "$user_home/.mozc-check-user" ]; then
    echo "mozc-check: the user $user_name was not made by this script; name another with MOZC_CHECK_USER" >&2
    exit 1
fi
user_uid=$(id -u "$user_name")
# A fresh state for every run: no input-method settings, learning or caches
# from an earlier run.
rm -rf "$user_home/.config" "$user_home/.cache" "$user_home/.local" "$user_home/.mozc" \
       "$user_home/.Xauthority" "$user_home/mozc-check"
run=$user_home/mozc-check
mkdir -p "$run/shots" "$user_home/.config/mozc"

# The user's own copy of the editor (the lead may rebuild the original).
cp "$binary" "$run/ruvoteledit"

# Mozc as an ibus engine: starts switched off (direct input), as on a real
# desktop; the user switches it on with the 半角/全角 key (see below).
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

# A small phone book: six header lines and two entries, code page 932, CR LF.
book=$run/book.txt
{
    printf '電話帳データ  ルーヴォ RV-720\n'
    printf '作成日時 2024/05/18 10:42\n'
    printf '登録件数 2\n'
    printf 'グループ 01:家族 02:友人 03:会社\n'
    printf '\n'
    printf 'ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号\n'
    printf '01\t鈴木一郎\tｽｽﾞｷ ｲﾁﾛｳ\t0422345678:0:0\n'
    printf '02\t佐藤花子\tｻﾄｳ ﾊﾅｺ\t09012345678:0:0\n'
} | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$book"
cp "$book" "$run/book.original"

mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix

# --- 3 and 4. the session, as the user ---------------------------------------
cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
run=$HOME/mozc-check
shots=$run/shots
log=$run/log
mkdir -p "$log"
pids=()
step() { printf '== %s\n' "$*"; }
fail() { printf '!! STEP FAILED: %s\n' "$*"; echo "$*" >>"$run/failed"; }
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
    done
    sleep 1
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -9 "${pids[i]}" 2>/dev/null
    done
}
trap cleanup EXIT

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

n=0
shot() {
    n=$((n + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$shots" "$n" "$1")
    import -window root "$file" 2>>"$log/import.txt" && step "screenshot $(basename "$file")"
}

# -- X server on a free display
export XAUTHORITY=$HOME/.Xauthority
touch "$XAUTHORITY"
display=
for d in $(seq 90 199); do
    [ -e /tmp/.X$d-lock ] || [ -e /tmp/.X11-unix/X$d ] && continue
    xauth -q -f "$XAUTHORITY" add ":$d" . "$(mcookie)"
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp -auth "$XAUTHORITY" >"$log/xvfb.txt" 2>&1 &
    xpid=$!
    export DISPLAY=:$d
    if wait_for 15 xdpyinfo; then
        display=$d
        pids+=("$xpid")
        break
    fi
    kill "$xpid" 2>/dev/null
done
if [ -z "$display" ]; then
    fail "Xvfb did not start on any display 90..199"
    exit 0
fi
step "Xvfb on $DISPLAY"

# -- window manager
openbox --sm-disable >"$log/openbox.txt" 2>&1 &
pids+=($!)
wait_for 15 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not come up"

# -- ibus with Mozc
export XMODIFIERS=@im=ibus GTK_IM_MODULE=ibus QT_IM_MODULE=ibus
gsettings set org.freedesktop.ibus.general preload-engines "['mozc-jp']" 2>>"$log/gsettings.txt"
ibus-daemon --xim --replace --panel=disable --emoji-extension=disable --verbose \
    >"$log/ibus-daemon.txt" 2>&1 &
pids+=($!)
wait_for 30 sh -c 'ibus list-engine | grep -q mozc-jp' ||
    fail "ibus-daemon did not list the engine mozc-jp"
# (ibus engine NAME may answer non-zero with no input context yet; what
# counts is that the engine is set afterwards.)
wait_for 15 sh -c 'ibus engine mozc-jp; [ "$(ibus engine)" = mozc-jp ]' ||
    fail "ibus engine mozc-jp (the engine is: $(ibus engine 2>&1))"
step "ibus engine: $(ibus engine 2>&1)"

# What ibus hands the editor: every preedit and commit, read off the ibus
# bus as one line each ("preedit [やまだ] shown", "commit [山田]", "hide").
events=$run/ime-events.txt
# mawk reads a pipe in blocks unless told to read it line by line.
awk_lines=(awk)
awk -W version 2>&1 | grep -qi mawk && awk_lines=(awk -W interactive)
: >"$events"
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
    ' >>"$events" &
pids+=($!)
sleep 0.5

# True while Mozc shows a composition (a preedit not yet committed).
composing() { tail -n 1 "$events" | grep -q '^preedit \[..*\] shown'; }
not_composing() { ! composing; }
# Marks where each step's input-method events start.
mark() { printf '%s %s\n' "$(wc -l <"$events")" "$1" >>"$run/marks.txt"; }

# -- the editor
cd "$run" || { fail "cd $run"; exit 0; }
"$run/ruvoteledit" >"$log/editor.txt" 2>&1 &
editor=$!
pids+=("$editor")
win=$(timeout 30 xdotool search --sync --onlyvisible --name 'ルーヴォ' | head -n 1)
if [ -z "$win" ]; then
    fail "the editor's window never appeared (see log/editor.txt)"
    shot no-window
    exit 0
fi
step "editor window $win: $(xdotool getwindowname "$win")"
ctx=$(grep -o '[^/]*platforminputcontextplugin[^/]*\.so' "/proc/$editor/maps" | sort -u | tr '\n' ' ')
if [ -n "$ctx" ]; then
    step "input-context plugin loaded by the editor: $ctx"
else
    fail "the editor loaded no input-context plugin (QT_IM_MODULE=ibus)"
fi
xdotool windowactivate --sync "$win" 2>/dev/null
wait_for 10 sh -c "[ \"\$(xdotool getactivewindow)\" = $win ]" || fail "the editor's window did not get the focus"
# Where the window's client area sits on the screen (for the picture of the
# box row at every step).
xwininfo -id "$win" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    END { print x, y }' >"$run/window-origin.txt"
sleep 0.5
shot window

alive() { kill -0 "$editor" 2>/dev/null || { fail "the editor has quit"; shot editor-gone; exit 0; }; }
click() { alive; xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.4; }
key() { xdotool key --delay 60 "$@"; sleep 0.5; }
typ() { xdotool type --delay 120 "$1"; sleep 0.8; }

# -- open the book through the file dialog
mark file-dialog
click 78 21
if wait_for 15 sh -c "a=\$(xdotool getactivewindow) && [ \"\$a\" != $win ]"; then
    dialog=$(xdotool getactivewindow)
    step "file dialog $dialog: $(xdotool getwindowname "$dialog")"
    sleep 0.5
    # Mozc is still off (direct input): the path goes in as typed.
    typ "$run/book.txt"
    shot dialog-path
    # The file-name completer's popup takes the keys while it shows, and
    # hands them on past the input method: a click back into the file-name
    # box closes it. Then the user switches Mozc on with 半角/全角 (it only
    # reaches Mozc from a box that takes an input method, as this one does;
    # Mozc keeps the mode for the editor's later boxes) and opens the file.
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool mousemove --window "$dialog" 400 $((HEIGHT - 53)) click 1
    sleep 0.5
    key Zenkaku_Hankaku
    sleep 0.5
    key Return
    wait_for 15 sh -c "[ \"\$(xdotool getactivewindow)\" = $win ]" || fail "the file dialog did not close"
    sleep 1
    shot opened
else
    fail "no file dialog after clicking ファイルオープン"
    shot no-dialog
fi

# -- a new entry
mark new-entry
click 216 21
shot new-entry

# One box, as a user with Mozc on types it: the text; when Mozc composes,
# (Space to convert,) Enter to commit; then Enter to go to the next box.
fill() {
    local box=$1 text=$2 convert=${3:-}
    alive
    mark "$box"
    typ "$text"
    shot "$box-typed"
    if wait_for 3 composing; then
        if [ -n "$convert" ]; then
            key space
            shot "$box-converted"
        fi
        key Return
        wait_for 3 not_composing || fail "$box: the composition stays after Enter"
        shot "$box-committed"
    else
        step "$box: Mozc shows no composition after typing '$text' (Mozc off, or the box bypasses it)"
    fi
    mark "$box-next"
    key Return
}

fill egroup 3
fill ename yamada convert
fill ekana yamada
fill etel 0312345678
shot on-run-button
# Enter on 実行
mark run
alive
key Return
shot stored

# -- save
mark save
click 694 21
if wait_for 20 sh -c "! cmp -s '$run/book.txt' '$run/book.original'"; then
    sleep 0.5
    step "saved: $run/book.txt"
else
    fail "the file was not written after clicking ファイル保存"
fi
shot saved
exit 0
SESSION
chmod 755 "$run/session.sh"
chown -R "$user_name:" "$user_home"

say "running the session as $user_name (logs: $out/log)"
install -d -o "$user_name" -m 700 "$run/xdg-runtime"
timeout --kill-after=10 300 runuser -u "$user_name" -- env -i \
    HOME="$user_home" USER="$user_name" LOGNAME="$user_name" SHELL=/bin/bash \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$run/xdg-runtime" \
    NO_AT_BRIDGE=1 \
    dbus-run-session -- bash "$run/session.sh" 2>"$run/log-session-stderr.txt"
rc=$?
[ $rc -eq 124 ] && fail "the session ran out of time (300 s)"

# Whatever the user's session left behind (mozc_server, its renderer, the
# accessibility bus): end those processes, by their ids.
leftover=$(ps -u "$user_uid" -o pid=,stat= 2>/dev/null | awk '$2 !~ /^Z/ { printf "%s ", $1 }')
if [ -n "${leftover// /}" ]; then
    say "ending processes left by $user_name: $leftover"
    # shellcheck disable=SC2086
    kill $leftover 2>/dev/null
    sleep 1
    # shellcheck disable=SC2086
    kill -9 $leftover 2>/dev/null
fi

# --- 5. evidence ----------------------------------------------------------------
mkdir -p "$out"
rm -rf "$out/shots" "$out/log" "$out/boxes.png" "$out/book.txt" "$out/book.original" \
       "$out/ime-events.txt" "$out/new-entry.bin"
cp -r "$run/shots" "$run/log" "$out/" 2>/dev/null
cp "$run/log-session-stderr.txt" "$out/log/session-stderr.txt" 2>/dev/null
cp "$run/book.original" "$run/book.txt" "$run/ime-events.txt" "$out/" 2>/dev/null

# One picture of the window's top rows (buttons and the four boxes) at every
# screenshot, one above the other.
if [ -f "$run/window-origin.txt" ] && ls "$out"/shots/*.png >/dev/null 2>&1; then
    read -r wx wy <"$run/window-origin.txt"
    strips=()
    for f in "$out"/shots/*.png; do
        strip=$run/strip-$(basename "$f")
        convert "$f" -crop "760x110+$wx+$wy" +repage -background white -gravity West \
            -splice 190x0 -fill black -pointsize 14 -annotate +6+0 "$(basename "$f" .png)" \
            "$strip" 2>>"$out/log/convert.txt" && strips+=("$strip")
    done
    convert "${strips[@]}" -append "$out/boxes.png" 2>>"$out/log/convert.txt" ||
        fail "could not make $out/boxes.png"
fi

say "screenshots: $out/shots (the box row at every step, one above the other: $out/boxes.png)"
ls "$out/shots" 2>/dev/null | sed 's/^/   /'

if [ -f "$run/marks.txt" ]; then
    echo
    say "what Mozc handed the editor, step by step ($out/ime-events.txt):"
    total=$(wc -l <"$out/ime-events.txt")
    # marks.txt: "<events so far> <step>"; each step's events run to the next mark.
    { cat "$run/marks.txt"; echo "$total end"; } | while read -r from name; do
        if [ -n "${prev_name:-}" ]; then
            printf '   %-13s' "$prev_name:"
            [ "$from" -gt "$prev_from" ] &&
                sed -n "$((prev_from + 1)),${from}p" "$out/ime-events.txt" | tr '\n' ' '
            echo
        fi
        prev_from=$from
        prev_name=$name
    done
fi

echo
if cmp -s "$out/book.txt" "$out/book.original"; then
    fail "the saved file is unchanged"
fi
say "saved file, decoded (iconv -f CP932; TAB shown as ' | '):"
iconv -f CP932 -t UTF-8 "$out/book.txt" | sed 's/\r$//; s/\t/ | /g; s/^/   /'

new=$(tail -n +7 "$out/book.txt" | grep -avxF -f <(tail -n +7 "$out/book.original"))
echo
if [ -z "$new" ]; then
    fail "no new entry line in the saved file"
else
    say "new entry line, decoded:"
    printf '%s\n' "$new" | iconv -f CP932 -t UTF-8 | sed 's/\r$//; s/\t/ | /g; s/^/   /'
    line=$(printf '%s\n' "$new" | head -n 1 | tr -d '\r')
    printf '%s' "$line" >"$out/new-entry.bin"
    say "what each box received (field bytes, code page 932):"
    names=(EGroup EName EKana ETel)
    count=$(printf '%s\n' "$line" | awk -F'\t' '{ print NF }')
    for ((i = 1; i <= count; i++)); do
        f=$(printf '%s\n' "$line" | cut -f "$i")
        printf '   %-7s [%s]  bytes:%s\n' "${names[i - 1]:-field$i}" \
            "$(printf '%s' "$f" | iconv -f CP932 -t UTF-8 2>/dev/null)" \
            "$(printf '%s' "$f" | od -An -tx1 | tr -s ' \n' ' ')"
    done
fi
if [ -f "$run/failed" ]; then
    echo
    say "steps that failed:"
    sed 's/^/   /' "$run/failed"
fi
exit 0
