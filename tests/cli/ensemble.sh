#!/bin/bash
# Ensembles: --runs K grows the pictures of K single runs with the seeds S .. S + K - 1, byte for
# byte, however many go at once; summaries in seed order, then the aggregate; file names carry
# the seed; a run that cannot be saved leaves the others; a signal keeps what has finished; a
# bar counts runs on a terminal.
source "$(dirname "$0")/common.sh" "$@"

FLAKE=(-m snowflake -s 150x150)

# seeds_of FILE: the seeds of the JSON summaries in FILE, one a line.
seeds_of()
{
    sed -n 's/.*"seed":\([0-9]*\).*/\1/p' "$1"
}

# same_aggregate WHAT: the ensemble's own aggregate (the last line of $OUT) is, figure by figure,
# the aggregate --aggregate makes of the summaries it printed.
same_aggregate()
{
    local own summed
    own=$(tail -n 1 "$OUT")
    summed=$("$GROW" --aggregate "$OUT" --json 2>&1)
    [ "$own" = "$summed" ] || fail "$1: the ensemble's aggregate is $own, --aggregate of its summaries $summed"
}

# single runs with the seeds 5, 6, 7, wrap-around seeds 4294967295 and 0, to compare with
for seed in 5 6 7 4294967295 0; do
    "$GROW" "${FLAKE[@]}" -r "$seed" -o "single-$seed.bmp" >/dev/null || fail "single run with seed $seed failed"
done
for seed in 5 6 7; do
    "$GROW" "${FLAKE[@]}" -r "$seed" --colour age -o "single-$seed.png" --particles "single-$seed.csv" >/dev/null ||
        fail "single PNG run with seed $seed failed"
done

for jobs in 1 3; do
    grow "${FLAKE[@]}" --runs 3 --jobs "$jobs" --seed 5 --json --colour age -o "flake-{seed}.png" --particles p.csv
    expect_status "--jobs $jobs" 0
    for seed in 5 6 7; do
        cmp -s "flake-$seed.png" "single-$seed.png" || fail "--jobs $jobs: the picture of seed $seed differs from its single run"
        cmp -s "p-$seed.csv" "single-$seed.csv" || fail "--jobs $jobs: the particles of seed $seed differ from its single run"
    done
    [ "$(seeds_of "$OUT" | tr '\n' ' ')" = "5 6 7 " ] || fail "--jobs $jobs: summaries not in seed order: $(cat "$OUT")"
    [ "$(wc -l <"$OUT")" -eq 4 ] || fail "--jobs $jobs: expected three summaries and the aggregate: $(cat "$OUT")"
    tail -n 1 "$OUT" | grep -q '^{"runs":3,' || fail "--jobs $jobs: last line is not the aggregate of 3 runs: $(tail -n 1 "$OUT")"
    same_aggregate "--jobs $jobs"
    rm flake-?.png p-?.csv
done

# A name without {seed} gets -SEED before its extension, after the file-name rule; seeds wrap.
grow "${FLAKE[@]}" --runs 2 --seed 4294967295 -o flake
expect_status "-SEED rule" 0
for seed in 4294967295 0; do
    cmp -s "flake-$seed.bmp" "single-$seed.bmp" || fail "-SEED rule: flake-$seed.bmp is not the picture of seed $seed"
done
rm flake-4294967295.bmp flake-0.bmp
# One run keeps a name without {seed} as it is, and puts its seed in one that has it.
grow "${FLAKE[@]}" --runs 1 --seed 0 -o flake --particles "p-{seed}.csv"
expect_status "one run" 0
[ "$(wc -l <"$OUT")" -eq 1 ] || fail "one run: expected its summary alone, no aggregate: $(cat "$OUT")"
cmp -s flake.bmp single-0.bmp || fail "one run: flake.bmp is not the picture of seed 0"
[ -s p-0.csv ] || fail "one run: {seed} not replaced in the particle list's name"
rm flake.bmp p-0.csv

# A folder in the place of one run's picture: that run is told with its seed, the others written.
mkdir flake-6.bmp
grow "${FLAKE[@]}" --runs 3 --jobs 2 --seed 5 -o flake --json
expect_status "one run unwritable" 1
expect_one_error_line "one run unwritable" "seed 6: Cannot create file flake-6.bmp"
for seed in 5 7; do
    cmp -s "flake-$seed.bmp" "single-$seed.bmp" || fail "one run unwritable: the picture of seed $seed was not written"
done
[ "$(seeds_of "$OUT" | tr '\n' ' ')" = "5 7 " ] || fail "one run unwritable: summaries of $(seeds_of "$OUT")"
tail -n 1 "$OUT" | grep -q '^{"runs":2,' || fail "one run unwritable: the aggregate is not of the two written runs: $(cat "$OUT")"
same_aggregate "one run unwritable"
rmdir flake-6.bmp
rm flake-5.bmp flake-7.bmp

# Names that meet only for one seed (a{seed}1 and a1{seed} for seed 11), or across two seeds
# (seed 1's particle list and seed 11's picture): the whole ensemble is refused before any run.
grow "${FLAKE[@]}" --runs 2 --seed 10 -o 'a{seed}1.bmp' --particles 'a1{seed}.bmp'
expect_status "names meeting for one seed" 2
expect_one_error_line "names meeting for one seed" "seed 11: --particles and --output name the same file, a111.bmp"
[ -z "$(ls a1* 2>/dev/null)" ] || fail "names meeting for one seed: wrote $(ls a1*)"
grow "${FLAKE[@]}" --runs 11 --seed 1 -o 'w{seed}.bmp' --particles 'w{seed}1.bmp'
expect_status "names meeting across seeds" 2
expect_one_error_line "names meeting across seeds" \
    "the particle list of seed 1 and the picture of seed 11 are the same file, w11.bmp"
[ -z "$(ls w* 2>/dev/null)" ] || fail "names meeting across seeds: wrote $(ls w*)"
# ... also through a link: seed 2's particle list leads to seed 1's picture.
ln -s flake-1.bmp p-2.csv
grow "${FLAKE[@]}" --runs 2 --seed 1 -o 'flake-{seed}.bmp' --particles 'p-{seed}.csv'
expect_status "names meeting through a link" 2
expect_one_error_line "names meeting through a link" \
    "the picture of seed 1 and the particle list of seed 2 are the same file, p-2.csv"
[ -e flake-1.bmp ] && fail "names meeting through a link: flake-1.bmp written"
rm p-2.csv
# ... and through "..": every seed's picture is the same file.
mkdir sub
grow "${FLAKE[@]}" --runs 3 --seed 1 -o 'sub/../same-{seed}/../x.bmp'
expect_status "names meeting through .." 2
expect_one_error_line "names meeting through .." "the picture of seed 1 and the picture of seed 2 are the same file"
rmdir sub || fail "names meeting through ..: wrote $(ls -R sub)"
[ -e x.bmp ] && fail "names meeting through ..: x.bmp written"

# An address-space limit that holds two 4000 x 2000 runs at once, not three: --jobs is lowered
# with one line, and every run is written. The limit is measured: what the program maps for a
# tiny run, and two and a half times what one 4000 x 2000 run needs beyond that (with a MiB for
# its worker thread). No malloc setting is needed: the runs' memory is their own.
tiny=$(smallest_limit -m snowflake -s 10x10 -n 1 -r 1 -o tiny.bmp)
one=$(($(smallest_limit -m snowflake -s 4000x2000 -n 5 -r 1 -o one.bmp) - tiny + 1024))
grow_limited $((tiny + one * 5 / 2)) -m snowflake -s 4000x2000 -n 5 --runs 4 --jobs 4 -r 1 -o 'big-{seed}.bmp'
expect_status "jobs lowered for memory" 0
expect_one_error_line "jobs lowered for memory" "4 runs at once would not fit in memory; growing 2 at once"
[ "$(find . -name 'big-*.bmp' | wc -l)" -eq 4 ] || fail "jobs lowered for memory: not all four pictures written"
rm -f big-*.bmp

# SIGINT once the first summary is out (of a million runs, so the ensemble cannot have ended):
# ended by the signal, no temporary file, every picture told in a summary and every summary's
# picture in place. Job control gives the background run a default SIGINT as well.
mkdir stopped && cd stopped || exit 1
# $OUT still holds the previous step's output until the background job's redirection truncates
# it, which may come after the wait below has begun: empty it first, so the wait ends only once
# this run's own dla-grow has printed (and so has replaced the forked shell, whose EXIT trap
# would otherwise remove the scratch folder on SIGINT).
: >"$OUT"
set -m
"$GROW" -m snowflake -s 300x300 --runs 1000000 --jobs 2 --json -q -r 1 -o 'f-{seed}.bmp' >"$OUT" 2>"$ERR" &
pid=$!
for _ in $(seq 600); do
    [ -s "$OUT" ] && break
    sleep 0.1
done
kill -INT "$pid"
wait "$pid"
status=$?
set +m
expect_status "stopped by SIGINT" 130
left=$(find . -name '.dla-save*')
[ -z "$left" ] || fail "stopped by SIGINT: temporary files left: $left"
told=$(grep -o '"output":"[^"]*"' "$OUT" | sed 's/"output":"\(.*\)"/\1/' | sort)
[ -n "$told" ] || fail "stopped by SIGINT: no summary kept: $(cat "$OUT" "$ERR")"
pictures=$(find . -type f -printf '%f\n' | sort)
[ "$told" = "$pictures" ] || fail "stopped by SIGINT: pictures $pictures but summaries of $told"
tail -n 1 "$OUT" | grep -q '^{"runs":' || fail "stopped by SIGINT: no aggregate of the finished runs"
# The last run told is a whole run, not one cut short by the signal.
last=$(seeds_of "$OUT" | tail -n 1)
"$GROW" -m snowflake -s 300x300 -q -r "$last" -o ../whole.bmp >/dev/null
cmp -s "f-$last.bmp" ../whole.bmp || fail "stopped by SIGINT: the picture of seed $last is not its whole run"
cd .. && rm -r stopped whole.bmp

# On a terminal the bar counts runs.
if command -v script >/dev/null && script -qec true /dev/null </dev/null >/dev/null 2>&1; then
    DLA_GROW_PROGRESS_AFTER_MS=0 script -qefc "$(printf '%q ' "$GROW" "${FLAKE[@]}" --runs 3 -r 5 -o flake)" /dev/null \
        </dev/null >"$OUT" 2>"$ERR"
    grep -q '\] *[0-9]*%  [0-3] of 3 runs done, [0-3] in progress' "$OUT" ||
        fail "terminal: no ensemble bar: $(cat -v "$OUT" | head -c 400)"
    rm flake-*.bmp
fi

finish
