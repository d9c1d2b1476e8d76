#!/bin/bash
# Standard output that cannot take the summary is a failure of its own: exit status 3 and one
# line on stderr, never 0 and never death by SIGPIPE; the picture is written all the same.
source "$(dirname "$0")/common.sh" "$@"

# lost WHAT: the last run lost its summary but wrote its picture.
lost()
{
    expect_status "$1" 3
    expect_one_error_line "$1" "Cannot write to standard output"
    expect_bmp "$1" plant.bmp 150 300
    rm -f plant.bmp
}

"$GROW" -n 5 -r 1 >&- 2>"$ERR"
status=$?
lost "closed standard output"

"$GROW" -n 5 -r 1 >/dev/full 2>"$ERR"
status=$?
lost "full standard output"

# A pipe whose reader has gone before dla-grow writes: held open read-write, then the read end
# is closed, so no reader is left and there is no race with one.
mkfifo "$scratch/pipe"
exec 3<>"$scratch/pipe" 4>"$scratch/pipe" 3<&-
"$GROW" -n 5 -r 1 >&4 2>"$ERR"
status=$?
exec 4>&-
lost "pipe without a reader"

# A run that could not be written outweighs the lost summaries: status 1, not 3, whichever of
# the two comes first. Once a summary is lost the ensemble starts no more runs and stops the one
# in progress, so seed 6 may be stopped before it tries to write: then nothing failed to be
# written, and the lost output alone is told, with status 3.
for failing in 5 6; do
    mkdir "flake-$failing.bmp"
    "$GROW" -m snowflake -s 100x100 -n 50 --runs 3 --seed 5 --jobs 1 -o 'flake-{seed}.bmp' >/dev/full 2>"$ERR"
    status=$?
    if [ "$failing" = 6 ] && [ "$status" = 3 ]; then
        expect_one_error_line "seed 6 stopped before it was written" "Cannot write to standard output"
        [ -e flake-7.bmp ] && fail "seed 6 stopped before it was written: seed 7 ran after the summaries were lost"
    else
        expect_status "seed $failing unwritable, summaries lost" 1
        grep -qx "dla-grow: seed $failing: Cannot create file flake-$failing.bmp" "$ERR" ||
            fail "seed $failing unwritable, summaries lost: the run's failure is not told: $(cat "$ERR")"
        grep -qx "dla-grow: Cannot write to standard output" "$ERR" ||
            fail "seed $failing unwritable, summaries lost: the lost output is not told: $(cat "$ERR")"
    fi
    rm -rf flake-*.bmp
done

"$GROW" --help >&- 2>"$ERR"
status=$?
expect_status "--help to a closed standard output" 3
expect_nothing_written "--help to a closed standard output"

finish
