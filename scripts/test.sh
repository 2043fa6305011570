#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
# The page test loads written pages in a real browser.
"$root/scripts/deps.sh" chromium
"$root/scripts/build.sh" test
cd "$root/build/test"
ctest --output-on-failure
