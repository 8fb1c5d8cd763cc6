#!/bin/sh
# Installs what is missing, builds, and runs every test: the whole suite, then all of it
# again under the address and undefined-behaviour sanitizers, and a short run of each
# fuzzer over its corpus. The desktop program's tests run in a virtual X server
# (xvfb-run, set up by ctest), so they need no display of their own.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

JOBS="$(nproc)"
command -v xvfb-run >/dev/null || { echo "test.sh: xvfb-run is missing" >&2; exit 1; }

echo "== build and run all tests"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$JOBS"

echo "== all tests again under address and undefined-behaviour sanitizers"
scripts/build.sh build-asan -DORVANTA_SANITIZE=ON -DORVANTA_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS"

echo "== fuzzers"
fuzz/run_fuzzers.sh "${FUZZ_SECONDS:-30}"

echo "== all tests passed"
