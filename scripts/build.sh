#!/bin/sh
# Installs what the build needs, then configures (first time only) and builds
# one flavour incrementally, all of it or one target: build.sh release | test | tsan [target]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=$1
target=${2:-}
# The tests turn the platform's accessibility on through Qt's private platform headers.
"$root/scripts/deps.sh" g++ cmake ninja-build qt6-base-dev qt6-base-private-dev libicu-dev libgtest-dev \
    libbenchmark-dev fonts-ipafont-gothic qt6-translations-l10n
dir="$root/build/$flavour"
if [ ! -f "$dir/CMakeCache.txt" ]; then
    case $flavour in
        release) opts="-DCMAKE_BUILD_TYPE=Release" ;;
        test) opts="-DCMAKE_BUILD_TYPE=Debug -DZUMI_SANITIZE=ON" ;;
        tsan) opts="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUMI_TSAN=ON" ;;
        *) echo "build.sh: unknown flavour '$flavour'" >&2; exit 2 ;;
    esac
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$dir" -G Ninja $opts
fi
cmake --build "$dir" ${target:+--target "$target"}
