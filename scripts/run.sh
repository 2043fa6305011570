#!/bin/sh
# Builds an optimised Zumi and starts it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release >&2
# Pages and files are opened in the desktop's default application through xdg-open.
"$root/scripts/deps.sh" xdg-utils >&2
exec "$root/build/release/src/app/zumi" "$@"
