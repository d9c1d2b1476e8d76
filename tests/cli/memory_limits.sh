#!/bin/bash
# An ensemble under a memory limit never loses a run it admitted: every run it starts is
# written, or, when not even one run fits, it refuses before growing anything (status 2), as a
# single run does. What a run frees goes back to the system, so the next run on the same thread
# finds it. Limits are measured from this build (what it maps for a tiny run, what one run needs
# beyond that), so they hold on any machine.
# Usage: memory_limits.sh DLA_GROW
source "$(dirname "$0")/common.sh" "$@"

FLAKE=(-q -m snowflake -s 6000x6000 -r 1)
# What the program counts for a run beyond its measured need comes to less than this: the
# worker's 512 KiB stack, and the start state's fields and a save's working memory, which the
# tiny run's figure holds once but every run at once has of its own.
WORKER_KIB=2048

tiny=$(smallest_limit -m snowflake -s 10x10 -n 1 -r 1 -o tiny.png)
single=$(smallest_limit "${FLAKE[@]}" -n 1 -o one.png)
picture=$((single - tiny))
# Its pixels alone take 6000 rows of 18000 bytes.
[ "$picture" -gt $((6000 * 18000 / 1024)) ] ||
    fail "a 6000 x 6000 run needs only $picture KiB beyond a tiny one: the limits below mean nothing"

# expect_all_written WHAT PREFIX COUNT: the run ended with status 0 and wrote exactly COUNT
# pictures PREFIX-SEED.png; they are removed.
expect_all_written()
{
    expect_status "$1" 0
    local written
    written=$(find . -name "$2-*.png" | wc -l)
    [ "$written" -eq "$3" ] || fail "$1: $written of $3 pictures written (stderr: $(head -c 300 "$ERR"))"
    rm -f -- "$2"-*.png
}

# Room for one run and its worker, not two: both runs of --jobs 1 are written, one after the
# other on the same thread.
grow_limited $((single + WORKER_KIB)) "${FLAKE[@]}" -n 1 --runs 2 --jobs 1 -o 'h-{seed}.png'
expect_all_written "one run's room, two runs" h 2
[ ! -s "$ERR" ] || fail "one run's room, two runs: stderr says $(cat "$ERR")"

# Room for two runs at once: both jobs are kept and all four pictures written.
grow_limited $((tiny + 2 * (picture + WORKER_KIB))) "${FLAKE[@]}" -n 1000 --runs 4 --jobs 2 -o 'u-{seed}.png'
expect_all_written "two runs' room, four runs" u 4
[ ! -s "$ERR" ] || fail "two runs' room, four runs: stderr says $(cat "$ERR")"

# Less room than one run needs: refused before anything grows, with one line and status 2.
grow_limited $((single - 1024)) "${FLAKE[@]}" -n 1 --runs 2 --jobs 1 -o 'r-{seed}.png'
expect_status "no room for one run" 2
expect_one_error_line "no room for one run" "Not enough memory for a picture of 6000 x 6000 pixels"
expect_nothing_written "no room for one run"

# Every limit from just below one run's need to past it: either refused before anything grows,
# or every run written, never a run lost on the way.
for step in 0 1 2 3 4 5; do
    limit=$((single - 512 + step * 384))
    grow_limited "$limit" "${FLAKE[@]}" -n 1 --runs 2 --jobs 2 -o 's-{seed}.png'
    case $status in
        0) expect_all_written "limit $limit KiB" s 2 ;;
        2) expect_nothing_written "limit $limit KiB (refused)" ;;
        *) fail "limit $limit KiB: status $status, a run admitted and lost (stderr: $(head -c 300 "$ERR"))" ;;
    esac
done
rm -f s-*.png

# Coloured by age with a particle list: the order map is counted and given back as well.
AGE=(-q -m snowflake -s 3000x3000 -r 1 -n 200 --colour age)
single_age=$(smallest_limit "${AGE[@]}" -o one.png --particles one.csv)
grow_limited $((single_age + WORKER_KIB)) "${AGE[@]}" --runs 3 --jobs 1 -o 'a-{seed}.png' --particles 'a-{seed}.csv'
expect_all_written "by age with particles" a 3
[ "$(find . -name 'a-*.csv' | wc -l)" -eq 3 ] || fail "by age with particles: not every particle list written"
rm -f a-*.csv

# The off-lattice mode grown to the picture's edge (no --points): its memory figure counts the
# particles that reaching the edge can take, so a limit below its need is refused before anything
# grows (status 2), never admitted and lost halfway (a bad_alloc, status 1, nothing written).
EDGE=(-q -m offlattice -s 1500x1500 -r 1)
tiny_edge=$(smallest_limit -q -m offlattice -s 10x10 -r 1 -o tiny.png)
single_edge=$(smallest_limit "${EDGE[@]}" -o one.png)
[ "$single_edge" -gt $((tiny_edge + 8 * 1024)) ] ||
    fail "a run to the edge of 1500 x 1500 needs only $((single_edge - tiny_edge)) KiB beyond a tiny one"
for step in 0 1 2 3 4 5 6 7 8; do
    limit=$((tiny_edge + (single_edge - tiny_edge) * step / 8))
    grow_limited "$limit" "${EDGE[@]}" -o 'edge.png'
    case $status in
        0) [ -f edge.png ] || fail "edge, limit $limit KiB: status 0 without a picture"
           rm -f edge.png ;;
        2) expect_one_error_line "edge, limit $limit KiB (refused)" "Not enough memory for an off-lattice cluster of up to"
           expect_nothing_written "edge, limit $limit KiB (refused)" ;;
        *) fail "edge, limit $limit KiB: status $status, a run admitted and lost (stderr: $(head -c 300 "$ERR"))" ;;
    esac
done
[ "$status" -eq 0 ] || fail "edge: not written at the limit it was measured to need"

# Room for two and a half runs to the edge, not four: --jobs 4 is lowered and every run written.
edge_run=$((single_edge - tiny_edge))
grow_limited $((tiny_edge + 2 * (edge_run + WORKER_KIB) + edge_run / 2)) "${EDGE[@]}" --runs 4 --jobs 4 -o 'e-{seed}.png'
expect_all_written "edge, room for fewer than four runs" e 4
grep -q "^dla-grow: 4 runs at once would not fit in memory; growing [123] at once$" "$ERR" ||
    fail "edge, room for fewer than four runs: the jobs were not lowered (stderr: $(head -c 300 "$ERR"))"

finish
