#!/bin/bash
# An ensemble in a 60 MB memory control group, as a Slurm task with --mem=60M runs it: six runs
# that each fit alone are all grown and written, two at a time, because what one run frees goes
# back to the system before the next one checks its room. Needs a scope of its own from the
# systemd user manager; exits 77 (skipped) where none can be had.
source "$(dirname "$0")/common.sh" "$@"

limited()
{
    systemd-run --user --scope --quiet -p MemoryMax=60M -p MemorySwapMax=0 "$@"
}
if ! limited true 2>/dev/null; then
    echo "no memory-limited scope from a systemd user manager: skipped"
    exit 77
fi

# A 2000 x 2000 run holds 16 MB of picture and touch counts, all of it written once.
limited "$GROW" -q -m snowflake -s 2000x2000 -r 1 -n 2000 --runs 6 --jobs 2 -o 'c-{seed}.png' >"$OUT" 2>"$ERR"
status=$?
expect_status "six runs in 60 MB" 0
[ "$(find . -name 'c-*.png' | wc -l)" -eq 6 ] || fail "six runs in 60 MB: not every picture written: $(cat "$ERR")"
[ ! -s "$ERR" ] || fail "six runs in 60 MB: stderr says $(cat "$ERR")"

finish
