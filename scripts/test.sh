#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test, runs the core's tests again under ThreadSanitizer, then checks that the
# sources are formatted.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
# The page test loads written pages in a real browser.
"$root/scripts/deps.sh" chromium
# The start-up test sends a signal while the program is starting, and holds the start, with strace;
# the panes are tried on a FUSE volume, whose changes no watch sees, made with bindfs.
"$root/scripts/deps.sh" strace bindfs
# The real-window tests drive the program in a virtual X server and in a
# headless Wayland compositor; the install test checks the menu entry, the
# software centre entry and the icons, and the Debian package with lintian.
"$root/scripts/deps.sh" xvfb xauth xdotool imagemagick weston qt6-wayland desktop-file-utils appstream lintian
"$root/scripts/build.sh" test
# The install test checks the package of the optimised build; it is built here, before the tests run.
"$root/scripts/package.sh"
cd "$root/build/test"
# Each case runs in its own process and its own temporary folders, so two run at a time.
ctest --output-on-failure -j2
# The core's threads under ThreadSanitizer; the windows' tests are left out, as Qt is not instrumented.
"$root/scripts/build.sh" tsan
cd "$root/build/tsan"
ctest --output-on-failure -j2 -L unit
cd "$root"
"$root/scripts/check-format.sh"
