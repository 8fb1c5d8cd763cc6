#!/bin/sh
# Installs what is missing, builds, and shows a bundled example in the desktop program.
# Without a display it says so and draws the example into a PNG with the batch tool.
#   scripts/run-example.sh [EXAMPLE]    (default examples/cantilever.asc)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
EXAMPLE="${1:-examples/cantilever.asc}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "== orvanta $EXAMPLE"
    exec build/app/orvanta "$EXAMPLE"
fi
OUT="${TMPDIR:-/tmp}/orvanta-example.png"
echo "run-example: no display here (DISPLAY is not set), so the desktop program cannot start;"
echo "run-example: drawing $EXAMPLE with the batch tool instead."
build/cli/orvanta-batch info "$EXAMPLE"
build/cli/orvanta-batch render "$EXAMPLE" -o "$OUT" --plot contour
echo "run-example: the picture is $OUT"
