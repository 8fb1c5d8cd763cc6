#!/bin/sh
# Installs the Debian packages the project builds, tests and benchmarks with.
# Idempotent: packages already present are skipped, so a second run does nothing.
set -eu

PACKAGES="build-essential cmake ninja-build pkgconf qt6-base-dev libqt6opengl6-dev
libgl-dev libegl-dev libopengl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev fonts-liberation2 fonts-dejavu-core
libgtest-dev libbenchmark-dev xvfb xauth clang libclang-rt-14-dev clang-format
libgif-dev"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

echo "install-deps: installing$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
