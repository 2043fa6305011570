#!/bin/sh
# Builds an optimised Zumi, the program alone (the tests and benchmarks are
# test.sh's), and starts it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release zumi >&2
# Pages and files are opened in the desktop's default application through
# xdg-open; in a Wayland session Qt's Wayland platform runs it natively.
"$root/scripts/deps.sh" xdg-utils qt6-wayland >&2
exec "$root/build/release/src/app/zumi" "$@"
