#!/bin/sh
# Screenshots of the desktop program in a virtual X server, for looking at the windows:
#   scripts/screenshots.sh [OUT_DIR]       (default /tmp/orvanta-screenshots)
# Each shot opens an example, runs a few commands and saves the screen as a PNG.
set -eu
cd "$(dirname "$0")/.."
OUT="${1:-/tmp/orvanta-screenshots}"
mkdir -p "$OUT"
CONFIG="$(mktemp -d)"
trap 'rm -rf "$CONFIG"' EXIT
shot() {  # name delay-ms commands example [switch]
    XDG_CONFIG_HOME="$CONFIG" ORVANTA_SCREENSHOT="$OUT/$1.png" ORVANTA_SCREENSHOT_DELAY_MS="$2" \
        ORVANTA_SCREENSHOT_COMMANDS="$3" \
        xvfb-run -a -s '-screen 0 1280x1024x24' build/app/orvanta ${5:-} "examples/$4" \
        2>/dev/null || true
    echo "$OUT/$1.png"
}
shot splash 300 "" cantilever.asc
shot contour 2500 plotContour,viewXYZ cantilever.asc -Embedding
shot contour-edges 2500 plotContourEdge,addGrid plate_hole_q8.asc -Embedding
shot animation 2500 play cantilever_modes.mdf -Embedding
shot viewport 2500 viewPort pressure_tube.rst -Embedding
shot about 2500 about truss_bridge.asc -Embedding
