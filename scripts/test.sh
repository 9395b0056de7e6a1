#!/usr/bin/env bash
# Builds everything and runs every test: the normal build with the window
# tests, the core again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a short run of the reader fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ruvo_install_deps

jobs=$(nproc)
# The reader fuzzer's budget: this many inputs, or this many seconds on a
# slow machine, whichever ends first.
fuzz_runs=200000
fuzz_seconds=900

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
