#!/bin/sh
# Runs the built program under a headless Wayland compositor: it lists a
# prepared folder, gets SIGTERM, and must save its settings with the window's
# place kept as it was, since a Wayland client cannot learn it.
#   wayland-window.sh <program>
set -eu
program=$1
work=$(mktemp -d)
pids=""
cleanup() {
    for p in $pids; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/helpers.sh"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=zumi >"$work/weston.log" 2>&1 &
pids=$!
wait_for '[ -S "$XDG_RUNTIME_DIR/zumi" ]'

mkdir "$work/bin" "$work/pics"
cp "$program" "$work/bin/zumi"
: >"$work/pics/a.png"
# Keys left out are saved with their values; the place must stay as written.
printf '[Software]\nVersion=200\n[Window]\nTop=123\nLeft=45\n[File]\nIniDir=%s\n[Setting]\nMask=*.png\n' \
    "$work/pics" >"$work/bin/zumi.ini"

cd "$work"
env -u DISPLAY WAYLAND_DISPLAY=zumi QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client LC_ALL=C.UTF-8 \
    "$work/bin/zumi" 2>"$work/zumi.log" &
pid=$!
pids="$pids $pid"
# Up once the compositor has configured the window. The program lists the
# folder without standing in it (the saved settings below tell which it listed).
wait_for 'grep -q "xdg_toplevel@[0-9]*\.configure" "$work/zumi.log"'
# The last frame asked for shown: Qt 6.4's Wayland plugin aborts when the window is torn
# down while that frame's callback is still pending, which is not what this tries.
frame_shown() {
    awk '/\.frame\(new id wl_callback@/ { match($0, /wl_callback@[0-9]+/); id = substr($0, RSTART, RLENGTH) ".done"; found = 0 }
        id != "" && index($0, id) { found = 1 } END { exit !found }' "$work/zumi.log"
}
wait_for frame_shown
wait_for '[ "$(readlink /proc/$pid/cwd)" = "/" ]'
# Before its event loop runs, a signal would end it without saving.
wait_for 'catches_term $pid'
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ $status -eq 0 ] || { tail -n 20 "$work/zumi.log" >&2; fail "the program exited with $status"; }

printf '[Software]\nVersion=200\n[Window]\nTop=123\nLeft=45\nSplitter=145\n[File]\nIniDir=%s\n[Setting]\nMask=*.png
ImageBorder=1\nAfterView=1\nSizeFixed=0\nSizeHeight=100\nSizeWidth=100\n' "$work/pics" >"$work/expected.ini"
diff "$work/expected.ini" "$work/bin/zumi.ini" || fail "the settings were not saved with the place kept"
echo "Wayland window listed the folder and saved its settings"
