#!/bin/sh
# Installs what is missing, builds, and shows a bundled example with the batch tool.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
EXAMPLE="${1:-examples/cantilever.asc}"
echo "== orvanta-batch info $EXAMPLE"
build/cli/orvanta-batch info "$EXAMPLE"
