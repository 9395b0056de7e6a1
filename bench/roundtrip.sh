#!/usr/bin/env bash
# Times `ruvotel sort FILE -o OUT` on a generated phone book of 1,000,000
# entries against GNU sort ordering the same entry lines by the same two
# columns (reading, then group) in the C locale, and prints wall time, peak
# memory and their ratio. Each command runs RUNS times; the best wall time,
# the best processor time (user and system; on a busy machine it says more
# than the wall time) and the highest peak count.
#
# Usage: bench/roundtrip.sh [BUILD_DIR]   (default: build-tool)
# Environment: ENTRIES (default 1000000), RUNS (default 3), TMPDIR.
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

# measure COMMAND...: sets best_s, best_cpu_s and peak_kib for the command.
measure() {
    best_s=
    best_cpu_s=
    peak_kib=0
    local i result seconds kib cpu
    for ((i = 0; i < runs; i++)); do
        result=$("$peakrss" "$@" | tail -n 1)
        read -r seconds kib cpu <<<"$result"
        if [[ -z $best_s ]] || less "$seconds" "$best_s"; then best_s=$seconds; fi
        if [[ -z $best_cpu_s ]] || less "$cpu" "$best_cpu_s"; then best_cpu_s=$cpu; fi
        if ((kib > peak_kib)); then peak_kib=$kib; fi
    done
}

verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "MISSED") }'; }

printf 'Phone book: %d entries, %d bytes; best of %d runs\n' \
    "$entries" "$(stat -c %s "$book")" "$runs"

measure "$ruvotel" sort "$book" -o "$work/ruvotel-out.txt"
ruvo_s=$best_s
ruvo_cpu=$best_cpu_s
ruvo_mb=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k * 1024 / 1e6 }')

measure env LC_ALL=C sort -t "$(printf '\t')" -k3,3 -k1,1 -o "$work/sort-out.txt" \
    "$work/entries.txt"
gnu_s=$best_s
gnu_cpu=$best_cpu_s
gnu_mb=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k * 1024 / 1e6 }')

ratio=$(awk -v a="$ruvo_s" -v b="$gnu_s" 'BEGIN { printf "%.2f", a / b }')

printf 'load average    : %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '                   wall     processor  peak\n'
printf 'ruvotel sort -o : %6.3f s  %6.3f s  %7s MB   (targets 1.5 s: %s, 300 MB: %s)\n' \
    "$ruvo_s" "$ruvo_cpu" "$ruvo_mb" "$(verdict "$ruvo_s" 1.5)" "$(verdict "$ruvo_mb" 300)"
printf 'GNU sort (C)    : %6.3f s  %6.3f s  %7s MB\n' "$gnu_s" "$gnu_cpu" "$gnu_mb"
printf 'wall-time ratio : %6.2f                          (target 2.0: %s)\n' \
    "$ratio" "$(verdict "$ratio" 2)"
