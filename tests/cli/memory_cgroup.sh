#!/bin/bash
# An ensemble in a 60 MB memory control group, as a Slurm task with --mem=60M runs it: six runs
# that each fit alone are all grown and written, one at a time, because what one run frees goes
# back to the system before the next one checks its room. Runs in a memory control group of its
# own, made under this process's group (cgroup v2, or v1's memory controller, as root), or else
# in a scope from the systemd user manager; exits 77 (skipped) where neither can be had.
source "$(dirname "$0")/common.sh" "$@"

Limit=$((60 << 20))

# own_group: makes a memory-limited group of 60 MB below this process's own and prints its
# folder; fails where the cgroup file system will not have one.
own_group()
{
    local parent group
    if parent=$(sed -n 's/^0::\(.*\)/\1/p' /proc/self/cgroup) && [ -n "$parent" ] &&
        [ -w "/sys/fs/cgroup$parent" ] && [ -f "/sys/fs/cgroup$parent/cgroup.controllers" ] &&
        grep -qw memory "/sys/fs/cgroup$parent/cgroup.controllers"; then
        group=/sys/fs/cgroup$parent/dla-test-$$
        mkdir "$group" 2>/dev/null && echo "$Limit" >"$group/memory.max" 2>/dev/null &&
            echo 0 >"$group/memory.swap.max" 2>/dev/null
    elif parent=$(sed -n 's/^[0-9]*:memory:\(.*\)/\1/p' /proc/self/cgroup) &&
        [ -w "/sys/fs/cgroup/memory$parent" ]; then
        group=/sys/fs/cgroup/memory$parent/dla-test-$$
        mkdir "$group" 2>/dev/null && echo "$Limit" >"$group/memory.limit_in_bytes" 2>/dev/null
    else
        return 1
    fi || { rmdir "$group" 2>/dev/null; return 1; }
    echo "$group"
}

if group=$(own_group); then
    trap 'rmdir "$group" 2>/dev/null; chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
    limited()
    {
        (echo "$BASHPID" >"$group/cgroup.procs" && exec "$@")
    }
elif systemd-run --user --scope --quiet -p MemoryMax=60M -p MemorySwapMax=0 true 2>/dev/null; then
    limited()
    {
        systemd-run --user --scope --quiet -p MemoryMax=60M -p MemorySwapMax=0 "$@"
    }
else
    echo "no memory control group of its own and no systemd user manager: skipped"
    exit 77
fi

# A 3000 x 3000 run holds 36 MB of picture and touch counts, all of it written once: one run
# at a time fits, two do not. Each run must find the room the one before it freed.
limited "$GROW" -q -m snowflake -s 3000x3000 -r 1 -n 2000 --runs 6 --jobs 2 -o 'c-{seed}.png' >"$OUT" 2>"$ERR"
status=$?
expect_status "six runs in 60 MB" 0
[ "$(find . -name 'c-*.png' | wc -l)" -eq 6 ] || fail "six runs in 60 MB: not every picture written: $(cat "$ERR")"
expect_one_error_line "six runs in 60 MB" "2 runs at once would not fit in memory; growing 1 at once"

finish
