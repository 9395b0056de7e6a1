#!/usr/bin/env bash
# Times `ruvotel sort FILE -o OUT` on a generated phone book of 1,000,000
# entries against GNU sort ordering the same entry lines by the same two
# columns (reading, then group) in the C locale, and prints wall time, peak
# memory and their ratio. GNU sort runs on one thread (--parallel=1), as
# ruvotel's reading and writing do. The commands run in turn, RUNS rounds;
# each gets its best wall time, its best processor time (user and system; on
# a busy machine it says more than the wall time) and its highest peak
# count. With BEFORE set to another ruvotel (an earlier build), it runs in
# the same rounds, and its output must be the same bytes.
#
# Usage: bench/roundtrip.sh [BUILD_DIR]   (default: build-tool)
# Environment: ENTRIES (default 1000000), RUNS (default 3), BEFORE, TMPDIR.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tool}
entries=${ENTRIES:-1000000}
runs=${RUNS:-3}

cmake --build "$build" -j2 --target ruvotel ruvotel-genbook peakrss >/dev/null 2>&1 ||
    cmake --build "$build" -j2 --target ruvotel ruvotel-genbook peakrss
ruvotel=$build/tools/ruvotel
genbook=$build/bench/ruvotel-genbook
peakrss=$build/bench/peakrss

work=$(mktemp -d "${TMPDIR:-/tmp}/ruvo-roundtrip-XXXXXX")
trap 'rm -rf "$work"' EXIT
book=$work/book.txt
"$genbook" "$entries" "$book"
tail -n +7 "$book" >"$work/entries.txt"

less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# run NAME COMMAND...: runs the command once and keeps, under NAME, its best
# wall and processor times and its highest peak.
declare -A best_s best_cpu_s peak_kib
run() {
    local name=$1 result seconds kib cpu
    shift
    result=$("$peakrss" "$@" | tail -n 1)
    read -r seconds kib cpu <<<"$result"
    if [[ -z ${best_s[$name]:-} ]] || less "$seconds" "${best_s[$name]}"; then best_s[$name]=$seconds; fi
    if [[ -z ${best_cpu_s[$name]:-} ]] || less "$cpu" "${best_cpu_s[$name]}"; then best_cpu_s[$name]=$cpu; fi
    if ((kib > ${peak_kib[$name]:-0})); then peak_kib[$name]=$kib; fi
}

megabytes() { awk -v k="$1" 'BEGIN { printf "%.1f", k * 1024 / 1e6 }'; }

verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "MISSED") }'; }

printf 'Phone book: %d entries, %d bytes; best of %d runs\n' \
    "$entries" "$(stat -c %s "$book")" "$runs"

for ((i = 0; i < runs; i++)); do
    if [[ -n ${BEFORE:-} ]]; then
        run before "$BEFORE" sort "$book" -o "$work/before-out.txt"
    fi
    run ruvotel "$ruvotel" sort "$book" -o "$work/ruvotel-out.txt"
    run gnu env LC_ALL=C sort --parallel=1 -t "$(printf '\t')" -k3,3 -k1,1 \
        -o "$work/sort-out.txt" "$work/entries.txt"
done
if [[ -n ${BEFORE:-} ]] && ! cmp -s "$work/before-out.txt" "$work/ruvotel-out.txt"; then
    echo "roundtrip.sh: $BEFORE and $ruvotel wrote different files" >&2
    exit 1
fi
ruvo_s=${best_s[ruvotel]}
ruvo_cpu=${best_cpu_s[ruvotel]}
ruvo_mb=$(megabytes "${peak_kib[ruvotel]}")
gnu_s=${best_s[gnu]}
gnu_cpu=${best_cpu_s[gnu]}
gnu_mb=$(megabytes "${peak_kib[gnu]}")

ratio=$(awk -v a="$ruvo_s" -v b="$gnu_s" 'BEGIN { printf "%.2f", a / b }')
cpu_ratio=$(awk -v a="$ruvo_cpu" -v b="$gnu_cpu" 'BEGIN { printf "%.2f", a / b }')

printf 'load average    : %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '                   wall     processor  peak\n'
if [[ -n ${BEFORE:-} ]]; then
    printf 'before          : %6.3f s  %6.3f s  %7s MB\n' "${best_s[before]}" \
        "${best_cpu_s[before]}" "$(megabytes "${peak_kib[before]}")"
fi
printf 'ruvotel sort -o : %6.3f s  %6.3f s  %7s MB   (target 150 MB: %s)\n' \
    "$ruvo_s" "$ruvo_cpu" "$ruvo_mb" "$(verdict "$ruvo_mb" 150)"
printf 'GNU sort (C, 1) : %6.3f s  %6.3f s  %7s MB\n' "$gnu_s" "$gnu_cpu" "$gnu_mb"
printf 'ratio to GNU    : %6.2f    %6.2f                (target 0.5: wall %s, processor %s)\n' \
    "$ratio" "$cpu_ratio" "$(verdict "$ratio" 0.5)" "$(verdict "$cpu_ratio" 0.5)"
