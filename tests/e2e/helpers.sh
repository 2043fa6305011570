# Shared by the real-window tests, sourced.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Runs the condition every 0.1 s for up to 30 s.
wait_for() {
    tries=0
    until eval "$1"; do
        tries=$((tries + 1))
        [ $tries -lt 300 ] || fail "timed out waiting for: $1"
        sleep 0.1
    done
}
# Whether the process catches SIGTERM, as the program does once its event loop runs.
catches_term() {
    [ $((0x$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status") >> 14 & 1)) -eq 1 ]
}
