#!/usr/bin/env bash
# Runs the Windows build against vorsa-sim: the simulator (a program of the build machine)
# serves a pseudo-terminal, COM5 of the Wine prefix leads to it, and the Windows programs
# run under the emulator and open COM5:
#
#   1. the end-to-end test program, all but the hang-up (which ends the line);
#   2. vorsa.exe -p COM5 --json send ...;
#   3. the hang-up test.
#
# Lines "sim> COMMAND" from the test program go to the simulator's console, and its
# one-line answer goes back to the program's standard input.
#
# usage: run-end-to-end.sh WORK_DIR WINE_PREFIX VORSA_SIM TEST_PROGRAM VORSA_PROGRAM EMULATOR...
set -euo pipefail

work=$1 prefix=$2 sim=$3 program=$4 cli=$5
shift 5
emulator=("$@")

rm -rf "$work"
mkdir -p "$work"
link="$prefix/dosdevices/com5"
program_pid=""

cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "${SIM_PID:-}" ] && kill "$SIM_PID" 2>/dev/null || true
    rm -f "$link"
}
trap cleanup EXIT

coproc SIM { exec "$sim" --own-number +40700000099 2>"$work/sim.err"; }
if ! IFS= read -r -t 30 device <&"${SIM[0]}"; then
    echo "run-end-to-end: vorsa-sim did not start" >&2
    cat "$work/sim.err" >&2
    exit 1
fi
echo "run-end-to-end: vorsa-sim serves $device as COM5"
mkdir -p "$prefix/dosdevices"
ln -sfn "$device" "$link"

# Runs the test program with ARGS, relaying its requests to the simulator's console; gives
# the program's exit status.
run_program() {
    local to="$work/to-program" from="$work/from-program" line answer status
    rm -f "$to" "$from"
    mkfifo "$to" "$from"
    "${emulator[@]}" "$program" "$@" <"$to" >"$from" 2>>"$work/program.err" &
    program_pid=$!
    exec {to_fd}>"$to" {from_fd}<"$from"
    while IFS= read -r line <&"$from_fd"; do
        line=${line%$'\r'}
        case "$line" in
            "sim> "*)
                printf '%s\n' "${line#sim> }" >&"${SIM[1]}"
                if ! IFS= read -r -t 30 answer <&"${SIM[0]}"; then
                    answer="(no answer from vorsa-sim)"
                fi
                printf '%s\n' "$answer" >&"$to_fd"
                ;;
            *) printf '%s\n' "$line" ;;
        esac
    done
    exec {to_fd}>&- {from_fd}<&-
    status=0
    wait "$program_pid" || status=$?
    program_pid=""
    return "$status"
}

failed=0
run_program --gtest_filter=-*HangUp* || failed=1

echo "run-end-to-end: vorsa.exe -p COM5 --json send"
cli_status=0
"${emulator[@]}" "$cli" -p COM5 --json send +40700000001 "Sent by vorsa.exe" \
    >"$work/cli.out" 2>"$work/cli.err" || cli_status=$?
cat "$work/cli.out"
if [ "$cli_status" -ne 0 ] ||
   ! grep -q '"type":"send","ok":true,.*"outcome":"sent",.*"references":\[[0-9]' "$work/cli.out"; then
    echo "run-end-to-end: vorsa.exe did not send (status $cli_status)" >&2
    cat "$work/cli.err" >&2
    failed=1
fi

run_program --gtest_filter=*HangUp* || failed=1

if [ "$failed" -ne 0 ]; then
    echo "run-end-to-end: FAILED; the programs' standard error:" >&2
    cat "$work/program.err" >&2 || true
fi
exit "$failed"
