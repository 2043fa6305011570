#!/bin/sh
# Builds an optimised Zumi and starts it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" release >&2
exec "$root/build/release/src/app/zumi" "$@"
