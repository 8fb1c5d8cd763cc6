#!/bin/sh
# Drawing figures: orvanta-batch render of a block of 1,000,000 hexahedra and of a plane
# model of 1,000,000 quadrilaterals (contour of the last component at 1024x768), timed side
# by side with a general viewer (f3d, installed from Debian's packages for the bench only)
# drawing the same block from a legacy VTK file; then the in-process frame times of every
# plot mode (and with numbers), and the desktop program's first frame and rotation drag.
#
#   bench/run_render_bench.sh            build (Release), generate bench/data/, measure
#   RUNS=9 bench/run_render_bench.sh     more runs per figure (default 5; medians)
#   BUILD_DIR=build-x bench/...          build directory (default build-bench)
#   PARTS="frames desktop" bench/...     only some parts (processes, frames, desktop)
set -eu
cd "$(dirname "$0")/.."
RUNS="${RUNS:-5}"
BUILD_DIR="${BUILD_DIR:-build-bench}"
PARTS="${PARTS:-processes frames desktop}"
DATA=bench/data
HEX="$DATA/block100.rst"
QUAD="$DATA/quad1000.rst"
VTK="$DATA/block100.vtk"

echo "== build (Release) into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" --parallel 2 --target orvanta-samples orvanta-batch orvanta-render-bench \
    orvanta-vtk-export orvanta-desktop-bench >/dev/null
SAMPLES="$BUILD_DIR/examples/orvanta-samples"
BATCH="$BUILD_DIR/cli/orvanta-batch"
FRAMES="$BUILD_DIR/bench/orvanta-render-bench"
DESKTOP="$BUILD_DIR/bench/orvanta-desktop-bench"

mkdir -p "$DATA"
[ -s "$HEX" ] || "$SAMPLES" block hex 100 "$HEX"
[ -s "$QUAD" ] || "$SAMPLES" block quad 1000 "$QUAD"
[ -s "$VTK" ] || "$BUILD_DIR/bench/orvanta-vtk-export" "$HEX" "$VTK"

# The median of each number in RUNS runs of a command whose output is one line of key=value
# pairs (the first run's text values are kept).
medians() {
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        "$@"
        i=$((i + 1))
    done | awk '
        { for (f = 1; f <= NF; ++f) { split($f, kv, "="); key[f] = kv[1];
              if (kv[2] ~ /^[0-9.]+$/) v[f, NR] = kv[2]; else text[f] = kv[2] }
          if (NF > fields) fields = NF; runs = NR }
        END { line = "";
              for (f = 1; f <= fields; ++f) {
                  if ((f, 1) in v) {
                      n = 0; for (r = 1; r <= runs; ++r) a[++n] = v[f, r];
                      for (x = 1; x <= n; ++x) for (y = x + 1; y <= n; ++y)
                          if (a[y] < a[x]) { t = a[x]; a[x] = a[y]; a[y] = t }
                      val = a[int((n + 1) / 2)]
                  } else val = text[f];
                  line = line key[f] "=" val " " }
              print line }'
}

case "$PARTS" in *processes*)
    # Only the side-by-side comparison needs these.
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    for tool in hyperfine f3d Xvfb; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            pkg="$tool"
            [ "$tool" = Xvfb ] && pkg=xvfb
            echo "== installing $pkg from the Debian packages (for the bench only)"
            DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
                "$pkg" >/dev/null 2>&1 || echo "   ($pkg unavailable)"
        fi
    done

    # The general viewer needs an X display: one server for the whole run, so that its
    # start-up is not counted against it.
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
        hyperfine --style basic --warmup 1 --runs "$RUNS" "$@" 2>&1 |
            grep -E 'Benchmark|Time|±' || true
    fi
    ;;
esac

case "$PARTS" in *frames*)
    echo "== in process, 1024x768: read, first frame, frames while dragging and after it"
    echo "   (medians of $RUNS runs, each the median of its frames)"
    for mode in mesh contour material isoline isosurface node; do
        medians "$FRAMES" "$HEX" --plot "$mode"
    done
    for numbers in --node-numbers --element-numbers; do
        for mode in mesh contour; do
            medians "$FRAMES" "$HEX" --plot "$mode" "$numbers"
        done
    done
    for f in "$HEX" "$QUAD"; do
        medians "$FRAMES" "$f"
        medians "$FRAMES" "$f" -1 immediate
    done
    ;;
esac

case "$PARTS" in *desktop*)
    echo "== the desktop program, 1280x1024 virtual screen: start to the first frame of the"
    echo "   block (mesh plot, as opened), then 40 moves of a rotation drag in each plot"
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "   (no xvfb-run: install xvfb to time the desktop program)"
    else
        for command in "" plotContour plotMaterial plotIsoLine plotIsoSurface plotNode; do
            i=0
            while [ "$i" -lt "$RUNS" ]; do
                xvfb-run -a -s '-screen 0 1280x1024x24' "$DESKTOP" "$HEX" 40 $command 2>/dev/null
                i=$((i + 1))
            done | awk -v name="${command:-plotMesh}" '
                /first frame of the model/ { for (f = 1; f <= NF; ++f)
                    if ($f == "model") first[++nf] = $(f + 1) }
                /frames per second/ { fps[++nr] = $(NF - 3) }
                function median(a, n,   x, y, t) {
                    for (x = 1; x <= n; ++x) for (y = x + 1; y <= n; ++y)
                        if (a[y] < a[x]) { t = a[x]; a[x] = a[y]; a[y] = t }
                    return a[int((n + 1) / 2)] }
                END { printf "%s: first frame %s ms after start, drag %s frames/s\n",
                      name, median(first, nf), median(fps, nr) }'
        done
    fi
    ;;
esac
