#!/bin/sh
# Builds an optimised Zumi and packs it as a Debian package in build/package.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release
# dpkg-shlibdeps works out the package's library dependencies.
"$root/scripts/deps.sh" dpkg-dev file
cd "$root/build/release"
cpack -G DEB -B "$root/build/package"
