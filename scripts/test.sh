#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" test
cd "$root/build/test"
ctest --output-on-failure
