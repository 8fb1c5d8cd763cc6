#!/bin/sh
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and
# runs each reader's fuzzer for a fixed time over a scratch copy of its seed corpus and the
# regression inputs. The committed corpus is never modified. Exits non-zero when a fuzzer
# finds a crash, a leak, a hang or a failed check; its input is kept and its path printed.
#
# Usage: fuzz/run_fuzzers.sh [SECONDS]   (default 30 seconds per fuzzer)
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_TARGETS (default "binary text curve frd msh vtk vtu").
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-30}"
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"
TARGETS="${FUZZ_TARGETS:-binary text curve frd msh vtk vtu}"

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANTA_FUZZ=ON -DORVANTA_TESTS=OFF -DORVANTA_BENCH=OFF -DORVANTA_SANITIZE=ON >/dev/null
for t in $TARGETS; do
    cmake --build "$BUILD_DIR" --target "fuzz_${t}_reader"
done

SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/orvanta-fuzz-run.XXXXXX")"
# The files each input writes (and syncs) go to memory when there is a memory file system.
FILES_ROOT="$SCRATCH"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    FILES_ROOT="$(mktemp -d /dev/shm/orvanta-fuzz.XXXXXX)"
    trap 'rm -rf "$FILES_ROOT"' EXIT
fi
failed=""
for t in $TARGETS; do
    corpus="$SCRATCH/$t/corpus"
    artifacts="$SCRATCH/$t/artifacts"
    work="$FILES_ROOT/$t-files"
    mkdir -p "$corpus" "$artifacts" "$work"
    cp fuzz/corpus/"$t"/* "$corpus"/
    # Earlier findings are good seeds for every reader.
    if [ -d fuzz/regressions ]; then
        find fuzz/regressions -type f -exec cp {} "$corpus"/ \;
    fi
    echo "== fuzzing the $t reader for $SECONDS_EACH s"
    dict=""
    if [ -f "fuzz/$t.dict" ]; then dict="-dict=fuzz/$t.dict"; fi
    if ! ORVANTA_FUZZ_TMP="$work" "$BUILD_DIR/fuzz/fuzz_${t}_reader" \
        -max_total_time="$SECONDS_EACH" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        $dict -artifact_prefix="$artifacts/" -print_final_stats=1 \
        "$corpus" >"$SCRATCH/$t/log" 2>&1; then
        failed="$failed $t"
        tail -n 60 "$SCRATCH/$t/log"
        echo "== the $t reader failed; inputs kept in $artifacts"
    else
        grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
            "$SCRATCH/$t/log" || true
    fi
done

if [ -n "$failed" ]; then
    echo "== fuzzing failed for:$failed (logs in $SCRATCH)"
    exit 1
fi
rm -rf "$SCRATCH"
echo "== fuzzing found nothing"
