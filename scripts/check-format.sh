#!/bin/sh
# Fails when a tracked C++ source file is not laid out as .clang-format says,
# and names each place that differs.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" git clang-format
cd "$root"
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror; then
    echo "check-format.sh: run clang-format -i on the files named above" >&2
    exit 1
fi
