#!/usr/bin/env bash
# Checks that the C++ sources are as clang-format writes them, then builds
# everything and runs every test: the normal build with the window tests, the
# core again under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short run of the reader fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ruvo_install_deps

jobs=$(nproc)
# The reader fuzzer's budget: this many inputs, or this many seconds on a
# slow machine, whichever ends first. Each input is saved to files three
# times; where file calls are slow (about 115 inputs a second seen), the
# seconds keep the whole command near 20 minutes.
fuzz_runs=200000
fuzz_seconds=420

echo "== clang-format"
# Before the long build: every tracked C++ source in the folders the build's
# format target covers must be as clang-format writes it (.clang-format).
format_pathspecs=()
for dir in core print ui app tools tests bench; do
    format_pathspecs+=("$dir/*.cpp" "$dir/*.h")
done
format_sources=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    while IFS= read -r -d '' file; do
        # A tracked file deleted from the work tree has nothing to check.
        if [ -f "$file" ]; then format_sources+=("$file"); fi
    done < <(git ls-files -z -- "${format_pathspecs[@]}")
else
    # Not a git checkout (an unpacked source archive): every source there.
    while IFS= read -r -d '' file; do
        format_sources+=("$file")
    done < <(find core print ui app tools tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
fi
# (With no file, clang-format would read its standard input.)
if ((${#format_sources[@]} == 0)); then
    echo "clang-format: no C++ sources found" >&2
    exit 1
fi
if ! clang-format --dry-run --Werror "${format_sources[@]}"; then
    echo "clang-format: the files named above are not formatted;" \
        "run clang-format -i on them (or cmake --build build --target format)" >&2
    exit 1
fi
echo "${#format_sources[@]} sources formatted"

echo "== build and test"
# Every option spelled out (run.sh builds in its own folder, build-run/).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRUVO_BUILD_UI=ON -DRUVO_BUILD_TESTS=ON -DRUVO_BUILD_BENCH=ON -DRUVO_SANITIZE=OFF -DRUVO_FUZZ=OFF \
    -DRUVO_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== core under ASan and UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUVO_SANITIZE=ON \
    -DRUVO_BUILD_UI=OFF -DRUVO_BUILD_BENCH=OFF -DRUVO_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== reader fuzzer (short run)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRUVO_FUZZ=ON -DRUVO_BUILD_UI=OFF -DRUVO_BUILD_BENCH=OFF -DRUVO_BUILD_TESTS=ON
cmake --build build-fuzz -j "$jobs" --target fuzz_phonebook_file
# The fuzzer adds what it finds to its corpus folder: give it a copy, so that
# the seed corpus in the repository stays as it is. Crash inputs go to
# build-fuzz/.
fuzz_corpus=$(mktemp -d)
trap 'rm -rf "$fuzz_corpus"' EXIT
cp tests/fuzz/corpus/* "$fuzz_corpus"/
build-fuzz/tests/fuzz/fuzz_phonebook_file -runs="$fuzz_runs" -max_total_time="$fuzz_seconds" -max_len=4096 -seed=1 \
    -artifact_prefix=build-fuzz/ "$fuzz_corpus"

echo "== contact reader fuzzer (short run)"
cmake --build build-fuzz -j "$jobs" --target fuzz_contact_reader
exchange_corpus=$(mktemp -d)
trap 'rm -rf "$fuzz_corpus" "$exchange_corpus"' EXIT
cp tests/fuzz/corpus-exchange/* "$exchange_corpus"/
build-fuzz/tests/fuzz/fuzz_contact_reader -max_total_time=90 -max_len=4096 -seed=1 \
    -artifact_prefix=build-fuzz/ "$exchange_corpus"

echo "== Debian package (built and checked, not installed)"
bash scripts/package.sh
bash packaging/check-package.sh

echo "== all tests passed"
