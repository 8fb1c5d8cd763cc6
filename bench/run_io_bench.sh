#!/bin/sh
# Reading, writing and surface-search figures on a block of 1,000,000 hexahedra, as .rst,
# as .asc in the writer's form (%.4e) and as .asc with 9 significant digits (the form other
# programs write), each read also timed as `orvanta-batch info FILE` against `cat FILE`.
#
#   bench/run_io_bench.sh            build (Release), generate bench/data/, measure
#   RUNS=9 bench/run_io_bench.sh     more runs per figure (default 5; medians are reported)
#   BUILD_DIR=build-x bench/...      build directory (default build-bench)
#   N=50 bench/run_io_bench.sh       a smaller block (N x N x N hexahedra; default 100)
#   bench/run_io_bench.sh & bench/run_io_bench.sh; wait
#                                    two runs side by side: each one's figures under the load
#                                    of the other (generate the data with one run first)
#
# Whole-process times come from hyperfine (installed from Debian's packages when missing
# and apt-get can be used); the in-process figures of orvanta-io-bench exclude start-up
# and, for the surface search and the writers, the reading of the input.
set -eu
cd "$(dirname "$0")/.."
RUNS="${RUNS:-5}"
BUILD_DIR="${BUILD_DIR:-build-bench}"
N="${N:-100}"
DATA=bench/data
RST="$DATA/block$N.rst"
ASC="$DATA/block$N.asc"
ASC9="$DATA/block$N-9.asc"

echo "== build (Release) into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j2 --target orvanta-samples orvanta-io-bench orvanta-batch >/dev/null
SAMPLES="$BUILD_DIR/examples/orvanta-samples"
BENCH="$BUILD_DIR/bench/orvanta-io-bench"
BATCH="$BUILD_DIR/cli/orvanta-batch"

if ! command -v hyperfine >/dev/null 2>&1; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    if command -v apt-get >/dev/null 2>&1 && { [ -z "$SUDO" ] || command -v sudo >/dev/null; }; then
        echo "== installing hyperfine from the Debian packages"
        export DEBIAN_FRONTEND=noninteractive
        $SUDO apt-get install -y -qq --no-install-recommends hyperfine >/dev/null 2>&1 ||
            { $SUDO apt-get update -qq >/dev/null 2>&1 &&
                $SUDO apt-get install -y -qq --no-install-recommends hyperfine >/dev/null 2>&1; } ||
            echo "   (hyperfine unavailable: timing whole processes with a shell loop)"
    fi
fi

mkdir -p "$DATA"
for f in "$RST" "$ASC"; do
    if [ ! -s "$f" ]; then
        echo "== generating $f"
        "$SAMPLES" block hex "$N" "$f"
    fi
done
if [ ! -s "$ASC9" ]; then
    echo "== generating $ASC9"
    "$SAMPLES" block hex "$N" "$ASC9" --digits 9
fi
size_mb() { echo "$(wc -c <"$1") 1000000" | awk '{printf "%.1f", $1 / $2}'; }
RST_MB=$(size_mb "$RST")
ASC_MB=$(size_mb "$ASC")
ASC9_MB=$(size_mb "$ASC9")
echo "   $RST: $RST_MB MB, $ASC: $ASC_MB MB, $ASC9: $ASC9_MB MB"

# Median of the numbers on standard input.
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Value of key=... in a line of orvanta-io-bench output.
field() { tr ' ' '\n' | sed -n "s/^$1=//p"; }

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

# RUNS runs of orvanta-io-bench with the given arguments, their output lines kept in
# $OUT/NAME; then the median of one key over those runs.
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
bench_runs() {
    name="$1"
    shift
    : >"$OUT/$name"
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        "$BENCH" "$@" >>"$OUT/$name"
        i=$((i + 1))
    done
}
bench_field() { while read -r line; do echo "$line" | field "$2"; done <"$OUT/$1" | median; }

echo "== page-cache reference (cat FILE > /dev/null)"
cat "$RST" "$ASC" "$ASC9" >/dev/null
CAT_RST=$(process_time "cat $RST > /dev/null")
CAT_ASC=$(process_time "cat $ASC > /dev/null")
CAT_ASC9=$(process_time "cat $ASC9 > /dev/null")

echo "== reads"
P_RST=$(process_time "$BENCH read $RST")
P_ASC=$(process_time "$BENCH read $ASC")
I_RST=$(process_time "$BATCH info $RST")
I_ASC=$(process_time "$BATCH info $ASC")
I_ASC9=$(process_time "$BATCH info $ASC9")
bench_runs read_rst read "$RST"
bench_runs read_asc read "$ASC"
bench_runs read_asc9 read "$ASC9"
# Where the binary read's time goes: faulting in fresh memory of the file's size, and the
# same read with glibc backing large allocations by transparent huge pages.
bench_runs touch touch "$RST_MB"
(
    export GLIBC_TUNABLES=glibc.malloc.hugetlb=1
    bench_runs read_rst_huge read "$RST"
)

echo "== surface search alone"
bench_runs surface surface "$ASC"

echo "== writes (each written file is flushed to disk before it replaces the target)"
bench_runs write_rst write "$RST" "$DATA/written.rst"
bench_runs write_asc write "$RST" "$DATA/written.asc"
rm -f "$DATA/written.rst" "$DATA/written.asc"

echo "== text read breakdown"
bench_runs words words "$ASC"
bench_runs numbers numbers "$ASC"

R_RST=$(bench_field read_rst seconds)
R_ASC=$(bench_field read_asc seconds)
R_ASC9=$(bench_field read_asc9 seconds)
M_RST=$(bench_field read_rst max_rss_mb)
M_ASC=$(bench_field read_asc max_rss_mb)
F_TOUCH=$(bench_field touch seconds)
H_RST=$(bench_field read_rst_huge seconds)
S_ALL=$(bench_field surface seconds)
S_CPU=$(bench_field surface cpu_s)
W_RST=$(bench_field write_rst seconds)
W_ASC=$(bench_field write_asc seconds)
T_WORDS=$(bench_field words seconds)
T_NUMBERS=$(bench_field numbers seconds)

awk -v runs="$RUNS" -v n="$N" -v rstmb="$RST_MB" -v ascmb="$ASC_MB" -v asc9mb="$ASC9_MB" \
    -v catrst="$CAT_RST" -v catasc="$CAT_ASC" -v catasc9="$CAT_ASC9" -v prst="$P_RST" -v pasc="$P_ASC" \
    -v irst="$I_RST" -v iasc="$I_ASC" -v iasc9="$I_ASC9" -v rasc9="$R_ASC9" \
    -v rrst="$R_RST" -v rasc="$R_ASC" -v mrst="$M_RST" -v masc="$M_ASC" \
    -v sall="$S_ALL" -v scpu="$S_CPU" \
    -v ftouch="$F_TOUCH" -v hrst="$H_RST" -v wrst="$W_RST" -v wasc="$W_ASC" -v twords="$T_WORDS" -v tnum="$T_NUMBERS" 'BEGIN {
    printf "\nBlock of %d x %d x %d hexahedra, medians of %d runs\n", n, n, n, runs
    printf "  .rst %s MB, .asc %s MB, .asc with 9 digits %s MB\n\n", rstmb, ascmb, asc9mb
    printf "  %-44s %9s %9s %9s\n", "whole process, against cat in this run", "seconds", "MB/s", "x cat"
    printf "  %-44s %9.4f %9.0f\n", "cat .rst > /dev/null (page cache)", catrst, rstmb / catrst
    printf "  %-44s %9.4f %9.0f\n", "cat .asc > /dev/null (page cache)", catasc, ascmb / catasc
    printf "  %-44s %9.4f %9.0f\n", "cat .asc 9 digits > /dev/null (page cache)", catasc9, asc9mb / catasc9
    printf "  %-44s %9.4f %9.0f %9.1f\n", "orvanta-batch info .rst", irst, rstmb / irst, irst / catrst
    printf "  %-44s %9.4f %9.0f %9.1f\n", "orvanta-batch info .asc", iasc, ascmb / iasc, iasc / catasc
    printf "  %-44s %9.4f %9.0f %9.1f\n\n", "orvanta-batch info .asc 9 digits", iasc9, asc9mb / iasc9, iasc9 / catasc9
    printf "  %-44s %9s %9s\n", "figure", "seconds", "MB/s"
    printf "  %-44s %9.4f %9.0f\n", ".rst read, in process", rrst, rstmb / rrst
    printf "  %-44s %9.4f %9.0f\n", ".rst read, whole process", prst, rstmb / prst
    printf "  %-44s %9.4f %9.0f\n", "  fresh memory of the .rst size, faulted in", ftouch, rstmb / ftouch
    printf "  %-44s %9.4f %9.0f\n", "  .rst read, in process, huge pages", hrst, rstmb / hrst
    printf "  %-44s %9.4f %9.0f\n", ".asc read with surface search, in process", rasc, ascmb / rasc
    printf "  %-44s %9.4f %9.0f\n", ".asc read with surface search, whole process", pasc, ascmb / pasc
    printf "  %-44s %9.4f %9.0f\n", ".asc 9 digits read with surface search, in process", rasc9, asc9mb / rasc9
    printf "  %-44s %9.4f\n", "surface search (findSurfaceFaces)", sall
    printf "  %-44s %9.4f\n", "  processor time, both threads", scpu
    printf "  %-44s %9.4f %9.0f\n", ".rst write (read .rst first)", wrst, rstmb / wrst
    printf "  %-44s %9.4f %9.0f\n", ".asc write (read .rst first)", wasc, ascmb / wasc
    printf "  %-44s %9.4f %9.0f\n", ".asc split into words only", twords, ascmb / twords
    printf "  %-44s %9.4f %9.0f\n", ".asc split and converted to numbers", tnum, ascmb / tnum
    printf "  %-44s %9.1f MB (%.2f x .rst)\n", "peak memory, .rst read", mrst, mrst / rstmb
    printf "  %-44s %9.1f MB (%.2f x .rst)\n\n", "peak memory, .asc read", masc, masc / rstmb
    printf "Targets\n"
    printf "  orvanta-batch info .rst <= 6 x cat: %.1f x   %s\n", irst / catrst, (irst <= 6 * catrst) ? "met" : "NOT met"
    printf "  .asc read >= 200 MB/s with surface search: %.0f MB/s   %s\n", ascmb / pasc, (ascmb / pasc >= 200) ? "met" : "NOT met"
    printf "  orvanta-batch info >= 400 MB/s on both .asc forms: %.0f and %.0f MB/s   %s\n", ascmb / iasc, asc9mb / iasc9, (ascmb / iasc >= 400 && asc9mb / iasc9 >= 400) ? "met" : "NOT met"
    printf "  surface search < 0.15 s: %.3f s   %s\n", sall, (sall < 0.15) ? "met" : "NOT met"
    printf "  peak memory < 1.5 x .rst size: %.2f x / %.2f x   %s\n", mrst / rstmb, masc / rstmb, (mrst < 1.5 * rstmb && masc < 1.5 * rstmb) ? "met" : "NOT met"
}'
