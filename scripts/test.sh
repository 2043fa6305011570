#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
# The page test loads written pages in a real browser.
"$root/scripts/deps.sh" chromium
# The real-window test drives the program in a virtual X server; the install
# test checks the menu entry and the icons.
"$root/scripts/deps.sh" xvfb xauth xdotool imagemagick desktop-file-utils
"$root/scripts/build.sh" test
cd "$root/build/test"
# Each case runs in its own process and its own temporary folders, so two run at a time.
ctest --output-on-failure -j2
