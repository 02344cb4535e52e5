#!/usr/bin/env bash
# Runs one example program against a fresh vorsa-sim and checks what it did.
#
#   run-example.sh send VORSA_SIM SEND_SMS
#   run-example.sh receive VORSA_SIM RECEIVE_SMS
set -euo pipefail
kind=$1 simulator=$2 example=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/vorsa-example.XXXXXX")
sim_pid=""
cleanup() {
    exec 3>&- 4<&- 2>/dev/null || true
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    for f in "$work"/*.log "$work"/*.out; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# Waits (at most 30 s) until the file holds the text.
wait_for() {
    local deadline=$((SECONDS + 30))
    until grep -q -- "$2" "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "no '$2' in $(basename "$1")"
        sleep 0.05
    done
}

mkfifo "$work/console" "$work/replies"
"$simulator" <"$work/console" >"$work/replies" 2>"$work/simulator.log" &
sim_pid=$!
exec 3>"$work/console" 4<"$work/replies"
read -r -t 30 device <&4 || fail "the simulator printed no device"
cat <&4 >"$work/console.log" &

case $kind in
    send)
        timeout 60 "$example" "$device" +40700000001 "Hello from an example" >"$work/send.out" ||
            fail "send_sms ended with $?"
        grep -q '^sent, reference 1$' "$work/send.out" || fail "no reference printed"
        echo outbox >&3
        wait_for "$work/console.log" 'to +40700000001 (text mode): "Hello from an example"'
        ;;
    receive)
        timeout 60 "$example" "$device" 2 >"$work/receive.out" &
        example_pid=$!
        wait_for "$work/receive.out" "listening on"
        echo "deliver +40700000002 First for the receiver" >&3
        wait_for "$work/receive.out" "First for the receiver"
        echo "deliver +40700000003 Second for the receiver" >&3
        wait "$example_pid" || fail "receive_sms ended with $?"
        grep -q 'message 1 in SM: REC UNREAD,+40700000003' "$work/receive.out" ||
            fail "the second message is missing"
        ;;
    *)
        fail "unknown example $kind"
        ;;
esac
echo "$kind example ok"
