#!/bin/sh
# Renders every case of tests/images/cases.txt into its baseline tests/images/NAME.png.
# Run it after a deliberate change to the pictures, then look at each one before committing.
#   scripts/update-image-baselines.sh [BUILD_DIR]   (default build)
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
ROOT="$PWD"
cmake --build "$BUILD_DIR" --target orvanta-batch >/dev/null
grep -v '^#' tests/images/cases.txt | grep ' | ' | while IFS= read -r line; do
    name=$(printf '%s' "$line" | awk -F' [|] ' '{print $1}')
    file=$(printf '%s' "$line" | awk -F' [|] ' '{print $2}')
    options=$(printf '%s' "$line" | awk -F' [|] ' '{print $3}')
    echo "$name"
    # shellcheck disable=SC2086
    # Run beside the baselines, so that a case's options may name files there.
    # A curve file beside the baselines is drawn as a chart, anything else is a model.
    case "$file" in
        *.cdb) draw="curve plot $file" ;;
        *) draw="render $ROOT/examples/$file" ;;
    esac
    # shellcheck disable=SC2086
    (cd tests/images && TZ=UTC SOURCE_DATE_EPOCH=1800000000 "$ROOT/$BUILD_DIR/cli/orvanta-batch" \
        $draw -o "$name.png" $options)
done
