#!/bin/bash
# The desktop program's start where no display can be had, and its command line: one line on
# standard error and status 1 when no display can be opened, the offscreen platform with no
# display at all, and --help and --version answered without one. Needs no X server.
#
# Usage: dla_start.sh PATH_TO_DLA
set -u
dla=${1:?usage: dla_start.sh PATH_TO_DLA}
[ -x "$dla" ] || { echo "not a program: $dla" >&2; exit 1; }

failed=0
check() {
    if [ "$2" = "$3" ]; then echo "PASS: $1 ($3)"; else echo "FAIL: $1: expected '$2', got '$3'"; failed=1; fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# run_dla VARIABLE=VALUE... -- ARGUMENTS...: runs dla with only the display variables given,
# its output in $scratch/out and $scratch/err, its exit status in $status.
status=
run_dla() {
    local settings=()
    while [ "$1" != -- ]; do settings+=("$1"); shift; done
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "${settings[@]}" \
        "$dla" "$@" >"$scratch/out" 2>"$scratch/err"
    status=$?
}

lines() { wc -l <"$1" | tr -d ' '; }

# An X display whose socket does not exist: nothing answers there.
free_display=
for n in $(seq 900 999); do
    [ -e "/tmp/.X11-unix/X$n" ] || { free_display=":$n"; break; }
done

run_dla DISPLAY="$free_display" --
check "unreachable X display: exit status" 1 "$status"
check "unreachable X display: lines on standard error" 1 "$(lines "$scratch/err")"
check "unreachable X display: the line says so" yes "$(grep -q 'no display could be opened' "$scratch/err" && echo yes || echo no)"
cat "$scratch/err"

run_dla WAYLAND_DISPLAY=no-compositor-here --
check "no Wayland compositor: exit status" 1 "$status"
check "no Wayland compositor: lines on standard error" 1 "$(lines "$scratch/err")"
check "no Wayland compositor: the line says so" yes "$(grep -q 'no display could be opened' "$scratch/err" && echo yes || echo no)"

# Offscreen, the program runs with no display at all until it is stopped (timeout's 124); a
# program that fails at start ends at once with a status of its own.
status_offscreen=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 3 "$dla" -platform offscreen \
    >/dev/null 2>&1; echo $?)
check "-platform offscreen with neither variable set runs until stopped" 124 "$status_offscreen"

run_dla -- --help
check "--help: exit status" 0 "$status"
check "--help: usage and options" yes \
    "$(grep -q '^Usage: .*dla \[options\]' "$scratch/out" && grep -q -- '--version' "$scratch/out" && echo yes || echo no)"

run_dla -- --version
check "--version: exit status" 0 "$status"
check "--version: name and version" yes "$(grep -Eq '^dla [0-9]+\.[0-9]+\.[0-9]+$' "$scratch/out" && echo yes || echo no)"

run_dla -- --no-such-option
check "unknown option: exit status" 1 "$status"
check "unknown option: lines on standard error" 1 "$(lines "$scratch/err")"

exit "$failed"
