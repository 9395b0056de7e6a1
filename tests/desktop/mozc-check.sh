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

# shellcheck source=lib.sh
. "$script_dir/lib.sh"

desk_require_root mozc-check "$user_name"
# A rebuild may have the binary away for a moment: wait for it a while.
desk_find_binary "$binary" "$repo_root" "${MOZC_CHECK_WAIT:-120}"

# --- 1. packages ------------------------------------------------------------
desk_install_packages "${desk_packages[@]}"
desk_check_ibus_plugin

# --- 2. the ordinary user ---------------------------------------------------
# (Its HOME's input-method state and the run folder ~/mozc-check are wiped.)
desk_prepare_user "$user_name" mozc-check
mkdir -p "$run/shots"

# The user's own copy of the editor (the lead may rebuild the original).
cp "$binary" "$run/ruvoteledit"

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
} | to_book_bytes >"$book"
cp "$book" "$run/book.original"

# --- 3 and 4. the session, as the user ---------------------------------------
cat >"$run/session.sh" <<'SESSION'
#!/usr/bin/env bash
# Runs inside dbus-run-session, as the ordinary user.
set -u
# shellcheck source=lib.sh
. "$HOME/mozc-check/lib.sh"
desk_session_begin mozc-check 1024x768

n=0
shot() {
    n=$((n + 1))
    desk_shot "$(printf '%s/%02d-%s.png' "$shots" "$n" "$1")"
}

events=$ime_events

# Marks where each step's input-method events start.
mark() { printf '%s %s\n' "$(wc -l <"$events")" "$1" >>"$run/marks.txt"; }

# -- the editor
cd "$run" || { fail "cd $run"; exit 0; }
desk_start_editor "$run/ruvoteledit" || { shot no-window; exit 0; }
ctx=$(grep -o '[^/]*platforminputcontextplugin[^/]*\.so' "/proc/$editor/maps" | sort -u | tr '\n' ' ')
if [ -n "$ctx" ]; then
    step "input-context plugin loaded by the editor: $ctx"
else
    fail "the editor loaded no input-context plugin (QT_IM_MODULE=ibus)"
fi
# Where the window's client area sits on the screen (for the picture of the
# box row at every step).
desk_window_origin "$win" >"$run/window-origin.txt"
sleep 0.5
shot window

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

# A name in two conversions, then nothing typed into ﾖﾐｶﾞﾅ: the editor puts
# the reading of what was typed there when the focus leaves 姓名.
compose() {
    local box=$1 text=$2
    typ "$text"
    if wait_for 3 composing; then
        key space
        shot "$box-converted"
        key Return
        wait_for 3 not_composing || fail "$box: the composition stays after Enter"
    else
        step "$box: Mozc shows no composition after typing '$text'"
    fi
}
fill egroup 3
alive
mark ename
compose ename yamada
compose ename tarou
shot ename-committed
mark ename-next
key Return
mark ekana
shot ekana-filled
key Return
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

say "running the session as $user_name (logs: $out/log)"
desk_run_session "$user_name" "$run" "$run/session.sh" 300
rc=$?
[ $rc -eq 124 ] && fail "the session ran out of time (300 s)"

desk_end_user_processes "$user_uid"

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
