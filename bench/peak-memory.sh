#!/bin/sh
# Peak resident memory of the real program with a large folder listed, and the
# time it takes to start and list it.
#
#   bench/peak-memory.sh [count...]        (default: 100000 1000000)
#
# Builds the optimised program (scripts/build.sh release), then for each count
# makes a folder under /tmp of that many empty files named as bench/Names.h
# names them, copies the program into a scratch folder beside a settings file
# (zumi.ini) that opens on that folder with the mask *.* so that every file is
# listed, and starts it on the offscreen platform under GNU time. Once the
# program has used no processor time for a second it has listed; it then gets
# SIGTERM, saves its settings and exits, and the script prints GNU time's
# "Maximum resident set size", the resident size once listed, and the time
# from the start to the last processor tick before it went idle (to within
# 0.1 s). Everything it made is removed at exit.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" time
"$root/scripts/build.sh" release >&2
[ $# -gt 0 ] || set -- 100000 1000000

scratch=$(mktemp -d /tmp/zumi-peak-XXXXXX)
trap 'rm -rf "$scratch"' EXIT INT TERM

now() { date +%s.%N; }

# Processor time the process has used so far, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo gone; }

for count in "$@"; do
    folder="$scratch/files-$count"
    mkdir "$folder"
    # The names of bench/Names.h, name for name.
    awk -v n="$count" 'BEGIN {
        for (i = 0; i < n; i++) {
            r = i % 10
            if (r < 3) s = "IMG_" i ".JPG"
            else if (r == 3) s = "DSC" i ".jpg"
            else if (r == 4) s = "Holiday " (2000 + i % 25) " (" i ").png"
            else if (r == 5) s = "写真 " i ".jpg"
            else if (r == 6) s = "スクリーンショット " i ".png"
            else if (r == 7) s = "anim-" i ".gif"
            else if (r == 8) s = "IMG_" i ".MOV"
            else s = "notes " i ".txt"
            print s
        }
    }' | (cd "$folder" && xargs -d '\n' touch)

    program="$scratch/program-$count"
    mkdir "$program"
    cp "$root/build/release/src/app/zumi" "$program/zumi"
    printf '[File]\nIniDir=%s\n[Setting]\nMask=*.*\n' "$folder" >"$program/zumi.ini"

    start=$(now)
    QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$program/time.txt" "$program/zumi" >/dev/null 2>&1 &
    timer=$!
    pid=""
    while [ -z "$pid" ]; do
        sleep 0.05
        pid=$(pgrep -P "$timer" || true)
    done

    # Listed once the processor ticks have stood still for ten polls in a row.
    last=$(ticks "$pid")
    busyUntil=$(now)
    still=0
    while [ "$still" -lt 10 ]; do
        sleep 0.1
        current=$(ticks "$pid")
        [ "$current" != gone ] || { echo "zumi stopped on its own" >&2; exit 1; }
        if [ "$current" = "$last" ] && [ "$current" -gt 0 ]; then
            still=$((still + 1))
        else
            still=0
            last=$current
            busyUntil=$(now)
        fi
    done
    settled=$(awk '/VmRSS/ { print int($2 / 1024) }' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$timer" || true

    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$program/time.txt")
    listed=$(awk -v a="$start" -v b="$busyUntil" 'BEGIN { printf "%.1f", b - a }')
    echo "$count files: peak resident $((peak / 1024)) MB ($peak kB), $settled MB once listed, started and listed in $listed s"
    rm -rf "$folder" "$program"
done
