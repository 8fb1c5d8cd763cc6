#!/bin/sh
# Import figures: the block of 1,000,000 hexahedra as other programs write it - a VTK XML grid
# with its arrays appended raw (.vtu), a CalculiX result file in ccx's short ASCII form (.frd)
# and, for reference, the program's own .rst and .asc - each read as `orvanta-batch info FILE`
# against `cat FILE` in the same run. With f3d installed (from Debian's packages, for this
# comparison only; SIDE_BY_SIDE=0 skips it), the .vtu is also read by f3d without rendering.
#
#   bench/run_import_bench.sh          build (Release), generate bench/data/, measure
#   RUNS=9 bench/run_import_bench.sh   more runs per figure (default 5; medians are reported)
#   BUILD_DIR=build-x N=50 ...         build directory (default build-bench), block size
set -eu
cd "$(dirname "$0")/.."
RUNS="${RUNS:-5}"
BUILD_DIR="${BUILD_DIR:-build-bench}"
N="${N:-100}"
SIDE_BY_SIDE="${SIDE_BY_SIDE:-1}"
DATA=bench/data

echo "== build (Release) into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j2 --target orvanta-samples orvanta-batch >/dev/null
SAMPLES="$BUILD_DIR/examples/orvanta-samples"
BATCH="$BUILD_DIR/cli/orvanta-batch"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
install_tool() {  # package: from Debian's packages, only when apt-get can be used
    if command -v apt-get >/dev/null 2>&1 && { [ -z "$SUDO" ] || command -v sudo >/dev/null; }; then
        echo "== installing $1 from the Debian packages"
        export DEBIAN_FRONTEND=noninteractive
        $SUDO apt-get install -y -qq --no-install-recommends "$1" >/dev/null 2>&1 ||
            { $SUDO apt-get update -qq >/dev/null 2>&1 &&
                $SUDO apt-get install -y -qq --no-install-recommends "$1" >/dev/null 2>&1; } ||
            echo "   ($1 unavailable)"
    fi
}
command -v hyperfine >/dev/null 2>&1 || install_tool hyperfine
if [ "$SIDE_BY_SIDE" = 1 ]; then
    command -v f3d >/dev/null 2>&1 || install_tool f3d
    command -v xvfb-run >/dev/null 2>&1 || install_tool xvfb
fi

mkdir -p "$DATA"
for x in vtu frd rst asc; do
    f="$DATA/block$N.$x"
    if [ ! -s "$f" ]; then
        echo "== generating $f"
        "$SAMPLES" block hex "$N" "$f" >/dev/null
    fi
done
size_mb() { echo "$(wc -c <"$1") 1000000" | awk '{printf "%.1f", $1 / $2}'; }

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Median wall time in seconds of a shell command, whole process.
process_time() {
    if command -v hyperfine >/dev/null 2>&1; then
        json=$(mktemp)
        hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$json" "$1" >/dev/null 2>&1
        grep -o '"median": *[0-9.eE+-]*' "$json" | head -1 | sed 's/.*: *//'
        rm -f "$json"
    else
        sh -c "$1" >/dev/null 2>&1
        i=0
        while [ "$i" -lt "$RUNS" ]; do
            start=$(date +%s.%N)
            sh -c "$1" >/dev/null 2>&1
            end=$(date +%s.%N)
            echo "$end - $start" | awk '{printf "%.6f\n", $1 - $3}'
            i=$((i + 1))
        done | median
    fi
}
# Peak memory in MB of a command, whole process.
peak_mb() { /usr/bin/time -f %M sh -c "$1 >/dev/null" 2>&1 | tail -1 | awk '{printf "%.0f", $1 / 1024}'; }

echo "== reads (medians of $RUNS runs)"
printf "\nBlock of %d x %d x %d hexahedra, whole processes, medians of %d runs\n\n" "$N" "$N" "$N" "$RUNS"
printf "  %-36s %8s %9s %9s %9s %9s\n" "file" "MB" "cat s" "info s" "MB/s" "x cat"
for x in vtu frd rst asc; do
    f="$DATA/block$N.$x"
    cat "$f" >/dev/null
    mb=$(size_mb "$f")
    c=$(process_time "cat $f > /dev/null")
    i=$(process_time "$BATCH info $f")
    printf "  %-36s %8s %9.4f %9.4f %9.0f %9.1f\n" "$f" "$mb" "$c" "$i" \
        "$(echo "$mb $i" | awk '{print $1 / $2}')" "$(echo "$i $c" | awk '{print $1 / $2}')"
done
if command -v /usr/bin/time >/dev/null 2>&1; then
    printf "\n  peak memory of info: .vtu %s MB, .frd %s MB, .rst %s MB\n" \
        "$(peak_mb "$BATCH info $DATA/block$N.vtu")" "$(peak_mb "$BATCH info $DATA/block$N.frd")" \
        "$(peak_mb "$BATCH info $DATA/block$N.rst")"
fi
if [ "$SIDE_BY_SIDE" = 1 ] && command -v f3d >/dev/null 2>&1 && command -v xvfb-run >/dev/null 2>&1; then
    # f3d reads the file and prints its information, then quits without drawing.
    F=$(process_time "xvfb-run -a f3d --no-render --verbose $DATA/block$N.vtu")
    X=$(process_time "xvfb-run -a true")
    I=$(process_time "$BATCH info $DATA/block$N.vtu")
    printf "\n  side by side on the .vtu: f3d --no-render %.3f s (of which %.3f s starting Xvfb), orvanta-batch info %.3f s\n" "$F" "$X" "$I"
fi
