#!/bin/sh
# Drawing figures: orvanta-batch render of a block of 1,000,000 hexahedra and of a plane
# model of 1,000,000 quadrilaterals (contour of the last component at 1024x768), timed side
# by side with a general viewer (f3d, installed from Debian's packages for the bench only)
# drawing the same block from a legacy VTK file; then the in-process frame times.
#
#   bench/run_render_bench.sh            build (Release), generate bench/data/, measure
#   RUNS=9 bench/run_render_bench.sh     more runs per figure (default 5; medians)
#   BUILD_DIR=build-x bench/...          build directory (default build-bench)
set -eu
cd "$(dirname "$0")/.."
RUNS="${RUNS:-5}"
BUILD_DIR="${BUILD_DIR:-build-bench}"
DATA=bench/data
HEX="$DATA/block100.rst"
QUAD="$DATA/quad1000.rst"
VTK="$DATA/block100.vtk"

echo "== build (Release) into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" --target orvanta-samples orvanta-batch orvanta-render-bench \
    orvanta-vtk-export >/dev/null
SAMPLES="$BUILD_DIR/examples/orvanta-samples"
BATCH="$BUILD_DIR/cli/orvanta-batch"
FRAMES="$BUILD_DIR/bench/orvanta-render-bench"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
for tool in hyperfine f3d Xvfb; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        pkg="$tool"
        [ "$tool" = Xvfb ] && pkg=xvfb
        echo "== installing $pkg from the Debian packages (for the bench only)"
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$pkg" \
            >/dev/null 2>&1 || echo "   ($pkg unavailable)"
    fi
done

mkdir -p "$DATA"
[ -s "$HEX" ] || "$SAMPLES" block hex 100 "$HEX"
[ -s "$QUAD" ] || "$SAMPLES" block quad 1000 "$QUAD"
[ -s "$VTK" ] || "$BUILD_DIR/bench/orvanta-vtk-export" "$HEX" "$VTK"

# The general viewer needs an X display: one server for the whole run, so that its start-up
# is not counted against it.
XPID=""
if command -v Xvfb >/dev/null 2>&1 && command -v f3d >/dev/null 2>&1; then
    Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    XPID=$!
    sleep 1
fi
trap '[ -n "$XPID" ] && kill "$XPID" 2>/dev/null; rm -f "$DATA"/out-*.png' EXIT

OURS_HEX="$BATCH render $HEX -o $DATA/out-hex.png --plot contour --item SX"
OURS_QUAD="$BATCH render $QUAD -o $DATA/out-quad.png --plot contour --item SX"
F3D_HEX="env DISPLAY=:97 f3d $VTK --output $DATA/out-f3d.png --resolution 1024,768 --scalars=SX"
cat "$HEX" "$QUAD" "$VTK" >/dev/null

echo "== whole processes, side by side (hyperfine, $RUNS runs each)"
if command -v hyperfine >/dev/null 2>&1; then
    set -- "$OURS_HEX" "$OURS_QUAD"
    [ -n "$XPID" ] && set -- "$@" "$F3D_HEX"
    hyperfine --style basic --warmup 1 --runs "$RUNS" "$@" 2>&1 | grep -E 'Benchmark|Time|±' || true
fi

echo "== in process: read, first frame, further frames after a rotation (median of 5)"
for f in "$HEX" "$QUAD"; do
    "$FRAMES" "$f"
    "$FRAMES" "$f" -1 immediate
done
