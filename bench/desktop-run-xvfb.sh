#!/bin/bash
# What the desktop program's window adds to a growth run, measured on the real program: `dla` in
# an X server of its own (Xvfb, 1280 x 1024, no window manager), driven from the keyboard as a
# user drives it (Snowflake, Image Size, START), against `dla-grow` growing the same snowflake to
# the same limit with the same seed, one after the other in each round.
#
# dla seeds its random source from the clock (UTC milliseconds since midnight); it runs with the
# clock held at 00:00:07 by libfaketime (the monotonic clock left alone), so its seed is 7000,
# and dla-grow is given -r 7000. Each run's picture is saved from the window and compared byte
# for byte with dla-grow's, which proves both grew the same cluster.
#
# A run's time in the window is taken from the S of Alt+O, S to the moment the program stops
# using the processor (polled every 5 ms from its threads' run times); the program's and the X
# server's processor time over the run are told too. The best of the rounds is told for each,
# since other work on the machine only ever slows a run down.
#
# Usage: bench/desktop-run-xvfb.sh [BUILD_FOLDER [ROUNDS [SIDES...]]]
#        (default build, 5 rounds, sides 1000 and 3000)
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(realpath "${1:-build}")
rounds=${2:-5}
shift 2 2>/dev/null || shift $#
sides=("$@")
[ "${#sides[@]}" -gt 0 ] || sides=(1000 3000)
dla="$build/src/app/dla"
grower="$build/src/cli/dla-grow"
faketime_library=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
seed=7000

for tool in Xvfb xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -r "$faketime_library" ] || { echo "missing $faketime_library (install faketime)" >&2; exit 1; }
if [ ! -x "$dla" ] || [ ! -x "$grower" ]; then
    echo "build dla and dla-grow in $build first" >&2
    exit 1
fi

out=$(mktemp -d)
# shellcheck source=../tests/e2e/e2e_lib.sh disable=SC2154  # xvfb_pid and the rest come from there
source "$here/../tests/e2e/e2e_lib.sh"
log() { :; } # the e2e helpers' progress lines are not wanted here
trap 'cleanup; rm -rf "$out"' EXIT
start_xvfb || { echo "could not start Xvfb" >&2; exit 1; }
export XDG_RUNTIME_DIR="$out/runtime" QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkfifo "$out/tick"
exec 7<>"$out/tick" # read -t on it sleeps without starting a process

microseconds() { echo "${EPOCHREALTIME/./}"; }

# cpu_of PID: sets cpu_ns to the nanoseconds all the process's threads have run, and queue_ns
# to those they were ready to run but waited for a processor.
cpu_ns=0
queue_ns=0
cpu_of() {
    local total=0 queued=0 file runtime waited rest
    for file in /proc/"$1"/task/*/schedstat; do
        { read -r runtime waited rest <"$file"; } 2>/dev/null && total=$((total + runtime)) && queued=$((queued + waited))
    done
    cpu_ns=$total
    queue_ns=$queued
}

# wait_until_idle PID: returns once the process has neither run nor waited for a processor for
# more than 2 ms in 300 ms (a program that a busy machine keeps waiting is not idle); sets
# idle_since to the last moment it was seen running.
idle_since=0
wait_until_idle() {
    local pid=$1 last last_queue now quiet_from
    cpu_of "$pid"
    last=$cpu_ns
    last_queue=$queue_ns
    idle_since=$(microseconds)
    quiet_from=$idle_since
    while :; do
        read -r -t 0.005 <&7
        now=$(microseconds)
        cpu_of "$pid"
        if [ $((cpu_ns - last)) -gt 200000 ]; then # more than 0.2 ms in 5 ms: still working
            idle_since=$now
            quiet_from=$now
            last=$cpu_ns
            last_queue=$queue_ns
        elif [ $((now - quiet_from)) -gt 300000 ]; then
            [ $((cpu_ns - last + queue_ns - last_queue)) -lt 2000000 ] && return 0
            quiet_from=$now
            last=$cpu_ns
            last_queue=$queue_ns
        fi
    done
}

# keys_to_main KEYS...: the keys, sent to the main window.
keys_to_main() {
    focus_window "$main"
    xdotool key "$@"
}

# grow_in_window SIDE: one run in a fresh dla; sets window_us, dla_cpu_ns and xvfb_cpu_ns, and
# saves the picture to $out/window.bmp.
grow_in_window() {
    local side=$1 start sizer dialog
    rm -f "$out/window.bmp"
    env LD_PRELOAD="$faketime_library" FAKETIME="2026-01-01 00:00:07" DONT_FAKE_MONOTONIC=1 TZ=UTC \
        "$dla" >>"$out/dla.log" 2>&1 &
    dla_pid=$!
    main=$(wait_for_window DLA) || { echo "dla showed no window" >&2; return 1; }
    menu_command "$main" o o || return 1
    menu_command "$main" o i || return 1
    sizer=$(wait_for_window 'Image Size') && wait_for_keyboard "$sizer" || return 1
    replace_text "$side"
    xdotool key Tab
    replace_text "$side"
    xdotool key Tab Return
    wait_for_no_window 'Image Size' || return 1
    wait_until_idle "$dla_pid"
    keys_to_main alt+o
    wait_for_menu open || return 1
    wait_until_idle "$dla_pid"
    cpu_of "$xvfb_pid"
    local xvfb_before=$cpu_ns
    cpu_of "$dla_pid"
    local dla_before=$cpu_ns queue_before=$queue_ns
    xdotool key s
    start=$(microseconds) # once the key has gone: xdotool takes a while to start
    wait_until_idle "$dla_pid"
    window_us=$((idle_since - start))
    cpu_of "$dla_pid"
    dla_cpu_ns=$((cpu_ns - dla_before))
    dla_queue_ns=$((queue_ns - queue_before))
    cpu_of "$xvfb_pid"
    xvfb_cpu_ns=$((cpu_ns - xvfb_before))
    # Saved from the window as a user saves it, then the program is ended.
    menu_command "$main" f s || return 1
    dialog=$(wait_for_window 'Save As') && wait_for_keyboard "$dialog" || return 1
    replace_text "$out/window.bmp"
    xdotool key Return
    wait_for_no_window 'Save As' || return 1
    wait_until_idle "$dla_pid"
    kill "$dla_pid"
    wait "$dla_pid" 2>/dev/null
    dla_pid=
}

# grow_alone SIDE: the same run in dla-grow; sets alone_us from its own account of the run, and
# alone_cpu_ns to the processor time of the whole process (its start and the picture's writing
# included, a few hundredths of a second).
grow_alone() {
    local times user system
    times=$( { TIMEFORMAT='%3U %3S'; time "$grower" -m snowflake -s "$1x$1" -r "$seed" -q --json \
        -o "$out/alone.bmp" >"$out/alone.json"; } 2>&1) || return 1
    alone_us=$(sed -n 's/.*"seconds":\([0-9.]*\).*/\1/p' "$out/alone.json" | awk '{ printf "%.0f", $1 * 1e6 }')
    read -r user system <<<"$times"
    alone_cpu_ns=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.0f", (u + s) * 1e9 }')
}

seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# keep_least NAME VALUE: NAME becomes VALUE when it is empty or larger.
keep_least() { if [ -z "${!1}" ] || [ "$2" -lt "${!1}" ]; then printf -v "$1" %s "$2"; fi; }

echo "snowflake to the limit, seed $seed, $rounds rounds; dla in Xvfb against dla-grow; best of the rounds"
echo "  (seconds of the run; cpu: processor seconds, dla's over the run, dla-grow's whole process)"
printf '%11s %8s %8s %6s %9s %10s %6s %9s %9s\n' size alone window ratio "alone cpu" \
    "window cpu" ratio "Xvfb cpu" pictures
for side in "${sides[@]}"; do
    best_alone='' best_window='' best_alone_cpu='' best_cpu='' best_xvfb='' pictures=same
    for ((round = 0; round < rounds; ++round)); do
        grow_alone "$side" || { echo "dla-grow failed" >&2; exit 1; }
        grow_in_window "$side" || { echo "driving dla failed at $side x $side" >&2; exit 1; }
        cmp -s "$out/window.bmp" "$out/alone.bmp" || pictures=DIFFERENT
        keep_least best_alone "$alone_us"
        keep_least best_window "$window_us"
        keep_least best_alone_cpu "$alone_cpu_ns"
        keep_least best_cpu "$dla_cpu_ns"
        keep_least best_xvfb "$xvfb_cpu_ns"
        echo "  ${side}x${side} round $((round + 1)): alone $(seconds "$alone_us") s" \
            "(cpu $(seconds $((alone_cpu_ns / 1000))) s), window $(seconds "$window_us") s" \
            "(cpu $(seconds $((dla_cpu_ns / 1000))) s, waiting for a processor $(seconds $((dla_queue_ns / 1000))) s)," \
            "Xvfb cpu $(seconds $((xvfb_cpu_ns / 1000))) s"
    done
    printf '%11s %8s %8s %6s %9s %10s %6s %9s %9s\n' "${side}x${side}" "$(seconds "$best_alone")" \
        "$(seconds "$best_window")" "$(ratio "$best_window" "$best_alone")" \
        "$(seconds $((best_alone_cpu / 1000)))" "$(seconds $((best_cpu / 1000)))" \
        "$(ratio "$best_cpu" "$best_alone_cpu")" "$(seconds $((best_xvfb / 1000)))" "$pictures"
done
