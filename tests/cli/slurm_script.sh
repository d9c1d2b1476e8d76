#!/bin/bash
# The Slurm job-array script run by hand, with the variables Slurm gives an array task: which
# seeds a task grows for plain, stepped, 1-based and resubmitted arrays; what it refuses; and
# how a task run again after its runs were killed picks up where they stopped. The same script
# on a real Slurm is tests/slurm/slurm_cluster.sh.
# Arguments: dla-grow, the Slurm script, the stand-in grower (grow_wrapper.sh).
SCRIPT=$(realpath "$2")
WRAPPER=$(realpath "$3")
source "$(dirname "$0")/common.sh" "$@"
# A test run inside a Slurm job must not see that job's variables.
unset "${!SLURM_@}"

FLAKE=(-m snowflake -s 120x120)
NAME=(-o 'f-{seed}.bmp')

mkdir "$scratch/ref"
"$GROW" "${FLAKE[@]}" --runs 38 --seed 5 -q -o "$scratch/ref/f-{seed}.bmp" >/dev/null ||
    fail "the reference ensemble could not be grown"

# run_task VARIABLE=VALUE... -- ARGUMENTS...: the script as one array task; sets $status.
run_task()
{
    local variables=()
    while [ "$1" != -- ]; do
        variables+=("$1")
        shift
    done
    shift
    env DLA_GROW="$GROW" "${variables[@]}" bash "$SCRIPT" "$@" >"$OUT" 2>"$ERR"
    status=$?
}

# pictures_in FOLDER: the seeds of the pictures there, in order, separated by spaces.
pictures_in()
{
    find "$1" -name 'f-*.bmp' -printf '%f\n' 2>/dev/null | sed 's/^f-//; s/\.bmp$//' | sort -n | tr '\n' ' ' | sed 's/ $//'
}

# summary_seeds FILE: the seeds of the summaries in FILE, in the file's order.
summary_seeds()
{
    grep -o '"seed":[0-9]*' "$1" 2>/dev/null | cut -d: -f2 | tr '\n' ' ' | sed 's/ $//'
}

# expect_slice WHAT FOLDER SLICE SEEDS: the task grew exactly SEEDS, each picture that of its
# seed alone, and their summaries, in the order of SEEDS, are in the slice's final file.
expect_slice()
{
    local what=$1 folder=$2 slice=$3 seeds=$4 seed sorted
    sorted=$(tr ' ' '\n' <<<"$seeds" | sort -n | tr '\n' ' ' | sed 's/ $//')
    [ "$(pictures_in "$folder")" = "$sorted" ] || fail "$what: pictures of seeds '$(pictures_in "$folder")', expected '$sorted'"
    for seed in $seeds; do
        cmp -s "$scratch/ref/f-$seed.bmp" "$folder/f-$seed.bmp" || fail "$what: f-$seed.bmp is not the picture of seed $seed"
    done
    [ "$(summary_seeds "$folder/summaries-$slice.jsonl")" = "$seeds" ] ||
        fail "$what: summaries-$slice.jsonl holds seeds '$(summary_seeds "$folder/summaries-$slice.jsonl")', expected '$seeds'"
    [ ! -e "$folder/summaries-$slice.jsonl.part" ] || fail "$what: summaries-$slice.jsonl.part is left"
}

# 12 runs from seed 5 over 4 tasks: slices 5-7, 8-10, 11-13 and 14-16, whatever the tasks'
# numbers and however many of them a submission holds.
while IFS='|' read -r what variables tasks slice seeds; do
    # shellcheck disable=SC2086 # the table's variables, a word each
    run_task $variables -- $tasks 12 5 "$what" "${FLAKE[@]}" "${NAME[@]}"
    expect_status "$what" 0
    expect_slice "$what" "$what" "$slice" "$seeds"
done <<'EOF'
by-hand|SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=4||1|8 9 10
stepped|SLURM_ARRAY_TASK_ID=5 SLURM_ARRAY_TASK_MIN=1 SLURM_ARRAY_TASK_MAX=7 SLURM_ARRAY_TASK_STEP=2 SLURM_ARRAY_TASK_COUNT=4||2|11 12 13
one-based|SLURM_ARRAY_TASK_ID=4 SLURM_ARRAY_TASK_MIN=1 SLURM_ARRAY_TASK_MAX=4 SLURM_ARRAY_TASK_STEP=1 SLURM_ARRAY_TASK_COUNT=4||3|14 15 16
resubmitted-alone|SLURM_ARRAY_TASK_ID=5 SLURM_ARRAY_TASK_MIN=5 SLURM_ARRAY_TASK_MAX=5 SLURM_ARRAY_TASK_STEP=1 SLURM_ARRAY_TASK_COUNT=1|--tasks 1-7:2|2|11 12 13
resubmitted-list|SLURM_ARRAY_TASK_ID=7 SLURM_ARRAY_TASK_MIN=3 SLURM_ARRAY_TASK_MAX=7 SLURM_ARRAY_TASK_STEP=1 SLURM_ARRAY_TASK_COUNT=2|--tasks=1-8:2|3|14 15 16
count|SLURM_ARRAY_TASK_ID=2|--tasks 4|2|11 12 13
EOF

# Seeds wrap from 4294967295 to 0, as with --runs; a resumed slice finds them all the same.
"$GROW" "${FLAKE[@]}" --runs 3 --seed 4294967294 -q -o "$scratch/ref/f-{seed}.bmp" >/dev/null
for attempt in first again; do
    run_task SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 -- 3 4294967294 wrap "${FLAKE[@]}" "${NAME[@]}"
    expect_status "wrapping seeds, $attempt" 0
    expect_slice "wrapping seeds, $attempt" wrap 0 "4294967294 4294967295 0"
    mv wrap/summaries-0.jsonl wrap/summaries-0.jsonl.part
done

# Refused before anything is made, with one line that says why.
while IFS='|' read -r what variables arguments message; do
    # shellcheck disable=SC2086 # the table's variables and arguments, a word each
    run_task $variables -- $arguments
    expect_status "$what" 2
    { [ "$(wc -l <"$ERR")" -eq 1 ] && grep -qF -- "$message" "$ERR"; } ||
        fail "$what: stderr is not one line saying '$message': $(cat "$ERR")"
    [ ! -e refused ] || fail "$what: the folder was made"
    rm -rf refused
done <<'EOF'
a list array on its own|SLURM_ARRAY_TASK_ID=7 SLURM_ARRAY_TASK_MIN=3 SLURM_ARRAY_TASK_MAX=7 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -o f-{seed}.bmp|is not a range FIRST-LAST[:STEP]
a lone task other than 0|SLURM_ARRAY_TASK_ID=3 SLURM_ARRAY_TASK_MIN=3 SLURM_ARRAY_TASK_MAX=3 SLURM_ARRAY_TASK_COUNT=1|12 5 refused -o f-{seed}.bmp|array task 3 alone
a task off the step|SLURM_ARRAY_TASK_ID=2|--tasks 1-7:2 12 5 refused -o f-{seed}.bmp|array task 2 is not one of the tasks 1-7:2
a task past the count|SLURM_ARRAY_TASK_ID=4|--tasks 4 12 5 refused -o f-{seed}.bmp|array task 4 is not one of the tasks 0-3:1
an empty range|SLURM_ARRAY_TASK_ID=0|--tasks 5-2 12 5 refused -o f-{seed}.bmp|holds no task
an output without {seed}|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -m snowflake -o flake.bmp|-o 'flake.bmp' has no {seed}
a long output without {seed}|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused --output=flake.bmp|-o 'flake.bmp' has no {seed}
a joined output without {seed}|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -oflake.bmp|-o 'flake.bmp' has no {seed}
no output|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -m snowflake|name the pictures with -o NAME holding {seed}
a particle list without {seed}|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -o f-{seed}.bmp --particles p.csv|--particles 'p.csv' has no {seed}
a seed of its own|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -o f-{seed}.bmp -r 3|-r is the script's own
no runs|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|0 5 refused -o f-{seed}.bmp|RUNS must be
a seed too large|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 4294967296 refused -o f-{seed}.bmp|FIRST_SEED must be
no jobs|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2|12 5 refused -o f-{seed}.bmp --jobs 0|--jobs must be
outside Slurm||12 5 refused -o f-{seed}.bmp|sbatch --array
a grower that is not there|SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2 DLA_GROW=./no-such-grower|12 5 refused -o f-{seed}.bmp|DLA_GROW './no-such-grower'
EOF

# Options dla-grow refuses stop the task at its first runs, with dla-grow's status.
run_task SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 SLURM_CPUS_PER_TASK=1 -- 5 1 bad -m tree -o 'f-{seed}.bmp'
expect_status "options dla-grow refuses" 2
{ [ "$(grep -c "^dla-grow: --mode" "$ERR")" -eq 1 ] && grep -q 'dla-grow refused its options' "$ERR"; } ||
    fail "options dla-grow refuses: $(cat "$ERR")"

# Slurm runs a copy named slurm_script; the usage line still names the script.
cp "$SCRIPT" slurm_script
bash slurm_script >"$OUT" 2>"$ERR"
status=$?
expect_status "usage" 2
grep -q '^usage: sbatch --array=FIRST-LAST\[:STEP\] slurm-ensemble.sh ' "$ERR" || fail "usage: '$(cat "$ERR")'"

# Runs killed and run again, through a stand-in grower named by a relative DLA_GROW (the script
# changes folder before it runs it). One run at a time (one CPU per task), so the order is fixed.
mkdir bin flags
ln -s "$WRAPPER" bin/grow
export GROW_REAL=$GROW GROW_FLAGS=$scratch/run/flags GROW_LOG=$scratch/run/grow.log
ONE_TASK=(SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 SLURM_CPUS_PER_TASK=1 DLA_GROW=bin/grow)

# runs_started: the seeds the stand-in was started for since the log was last emptied (not
# counting the script's --aggregate).
runs_started()
{
    awk '$2 == "start" && $3 != "none" { printf "%s%s", sep, $3; sep = " " }' "$GROW_LOG" 2>/dev/null
}

# A run killed after its picture was saved but before its summary was out (a lost node, the
# out-of-memory killer): the slice is not finished and the summaries before it are kept.
touch flags/kill-22
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
[ "$status" -ne 0 ] || fail "killed run: exit status 0"
[ ! -e resume/summaries-0.jsonl ] || fail "killed run: the slice passed for finished: $(summary_seeds resume/summaries-0.jsonl)"
[ "$(summary_seeds resume/summaries-0.jsonl.part)" = "20 21" ] ||
    fail "killed run: summaries-0.jsonl.part holds '$(summary_seeds resume/summaries-0.jsonl.part)', expected '20 21'"
[ "$(runs_started)" = "20 21 22" ] || fail "killed run: runs started for '$(runs_started)', expected '20 21 22'"

# Run again, it grows only the seeds without a summary, the killed one included.
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "run again" 0
[ "$(runs_started)" = "22 23 24 25" ] || fail "run again: runs started for '$(runs_started)', expected '22 23 24 25'"
expect_slice "run again" resume 0 "20 21 22 23 24 25"

# A run whose picture was written but whose particle list was not: its summary (with
# "particle_list":null) does not make its seed finished, and the task run again grows it.
touch flags/nolist-61
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 3 60 lists "${FLAKE[@]}" "${NAME[@]}" --particles 'p-{seed}.csv'
[ "$status" -ne 0 ] || fail "lost particle list: exit status 0"
[ ! -e lists/summaries-0.jsonl ] || fail "lost particle list: the slice passed for finished"
[ "$(summary_seeds lists/summaries-0.jsonl.part)" = 60 ] ||
    fail "lost particle list: summaries-0.jsonl.part holds '$(summary_seeds lists/summaries-0.jsonl.part)', expected '60'"
rm -f lists/p-61.csv
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 3 60 lists "${FLAKE[@]}" "${NAME[@]}" --particles 'p-{seed}.csv'
expect_status "lost particle list, run again" 0
[ "$(runs_started)" = "61 62" ] || fail "lost particle list, run again: runs started for '$(runs_started)', expected '61 62'"
[ -s lists/p-61.csv ] || fail "lost particle list, run again: p-61.csv was not written"
[ "$(summary_seeds lists/summaries-0.jsonl)" = "60 61 62" ] ||
    fail "lost particle list, run again: summaries-0.jsonl holds '$(summary_seeds lists/summaries-0.jsonl)'"

# A finished slice is left as it is.
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "finished slice" 0
[ -z "$(runs_started)" ] || fail "finished slice: runs started for '$(runs_started)'"
grep -q 'finished already' "$OUT" || fail "finished slice: '$(cat "$OUT")'"

# Summaries of another engine than the grower's (an older dla-grow's), or of none, are grown
# again, and the task says so.
sed -i -e '/"seed":21,/s/"engine":"snowflake-1"/"engine":"snowflake-0"/' \
    -e '/"seed":23,/s/"engine":"snowflake-1",//' resume/summaries-0.jsonl
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "another engine" 0
[ "$(runs_started)" = "21 23" ] || fail "another engine: runs started for '$(runs_started)', expected '21 23'"
grep -q '2 seeds have summaries of another engine than this dla-grow.s snowflake-1' "$OUT" ||
    fail "another engine: not told: '$(cat "$OUT")'"
expect_slice "another engine" resume 0 "20 21 22 23 24 25"
[ "$(grep -c '"engine":"snowflake-1"' resume/summaries-0.jsonl)" -eq 6 ] ||
    fail "another engine: $(cat resume/summaries-0.jsonl)"

# A summary cut short (the task killed while it was being written) is no summary: its seed is
# grown again, and the summaries before it are kept.
head -n 3 resume/summaries-0.jsonl >resume/summaries-0.jsonl.part
sed -n 4p resume/summaries-0.jsonl | head -c 60 >>resume/summaries-0.jsonl.part
rm resume/summaries-0.jsonl
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "summary cut short" 0
[ "$(runs_started)" = "23 24 25" ] || fail "summary cut short: runs started for '$(runs_started)', expected '23 24 25'"
expect_slice "summary cut short" resume 0 "20 21 22 23 24 25"

# A final file that an older script renamed whatever happened, holding only some of the slice.
head -n 2 resume/summaries-0.jsonl >resume/old && mv resume/old resume/summaries-0.jsonl
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "incomplete final file" 0
[ "$(runs_started)" = "22 23 24 25" ] || fail "incomplete final file: runs started for '$(runs_started)', expected '22 23 24 25'"
expect_slice "incomplete final file" resume 0 "20 21 22 23 24 25"
"$GROW" --aggregate resume/summaries-0.jsonl >"$OUT" 2>"$ERR" || fail "--aggregate of the resumed slice: $(cat "$ERR")"
grep -q '^6 runs: ' "$OUT" || fail "--aggregate of the resumed slice: '$(cat "$OUT")'"

# Two runs' lines run together into one (appends that interleaved) are no summary, for the
# script as for --aggregate: both seeds are grown again and the slice finishes.
run_task "${ONE_TASK[@]}" -- 3 33 merged "${FLAKE[@]}" "${NAME[@]}"
expect_status "merged lines, first" 0
{
    first_line=$(sed -n 1p merged/summaries-0.jsonl)
    printf '%s%s%s\n' "${first_line:0:90}" "$(sed -n 2p merged/summaries-0.jsonl)" "${first_line:90}"
    sed -n 3p merged/summaries-0.jsonl
} >merged/summaries-0.jsonl.part
rm merged/summaries-0.jsonl
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 3 33 merged "${FLAKE[@]}" "${NAME[@]}"
expect_status "merged lines" 0
[ "$(runs_started)" = "33 34" ] || fail "merged lines: runs started for '$(runs_started)', expected '33 34'"
expect_slice "merged lines" merged 0 "33 34 35"

# A slice whose summaries --aggregate refuses (a seed grown at another size left in the .part
# file) is not finished: its summaries are left as they are, status 1.
mkdir sizes
(cd sizes && "$GROW" -m snowflake -s 100x100 -r 80 -q --json -o f-80.bmp >summaries-0.jsonl.part)
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 3 80 sizes "${FLAKE[@]}" "${NAME[@]}"
expect_status "a seed of another size" 1
[ "$(runs_started)" = "81 82" ] || fail "a seed of another size: runs started for '$(runs_started)', expected '81 82'"
[ ! -e sizes/summaries-0.jsonl ] || fail "a seed of another size: the slice passed for finished"
[ "$(summary_seeds sizes/summaries-0.jsonl.part)" = "80 81 82" ] ||
    fail "a seed of another size: summaries-0.jsonl.part holds '$(summary_seeds sizes/summaries-0.jsonl.part)'"
{ grep -q 'a snowflake 120x120 run among snowflake 100x100 runs' "$ERR" && grep -q 'do not sum up' "$ERR"; } ||
    fail "a seed of another size: $(cat "$ERR")"

# Two ensembles into one folder: the second's slices meet the first's summaries, which are never
# rewritten; its task is refused with one line before anything grows. So is a resubmission
# whose first seed was mistyped.
for task in 0 1; do
    run_task "SLURM_ARRAY_TASK_ID=$task" SLURM_CPUS_PER_TASK=1 DLA_GROW=bin/grow -- --tasks 2 6 1 shared "${FLAKE[@]}" "${NAME[@]}"
    expect_status "first ensemble, task $task" 0
done
cat shared/summaries-*.jsonl >first-ensemble.jsonl
for arguments in "6 7" "6 2"; do
    : >"$GROW_LOG"
    # shellcheck disable=SC2086 # the runs and the first seed, a word each
    run_task SLURM_ARRAY_TASK_ID=0 SLURM_CPUS_PER_TASK=1 DLA_GROW=bin/grow -- --tasks 2 $arguments shared "${FLAKE[@]}" "${NAME[@]}"
    expect_status "second ensemble ($arguments)" 2
    { [ "$(wc -l <"$ERR")" -eq 1 ] && grep -q 'holds a summary of seed [0-9]* in summaries-0.jsonl' "$ERR"; } ||
        fail "second ensemble ($arguments): $(cat "$ERR")"
    [ -z "$(runs_started)" ] || fail "second ensemble ($arguments): runs started for '$(runs_started)'"
    cat shared/summaries-*.jsonl | cmp -s - first-ensemble.jsonl || fail "second ensemble ($arguments): summaries changed"
    ls shared/*.part >/dev/null 2>&1 && fail "second ensemble ($arguments): $(ls shared/*.part)"
done
"$GROW" --aggregate shared/summaries-*.jsonl --seeds 1-6 >"$OUT" 2>"$ERR" || fail "first ensemble: $(cat "$ERR")"

# A slice another task is growing right now (here: whose lock this test holds) is left to it.
exec 8>>resume/summaries-0.lock
flock -n 8 || fail "the slice's lock could not be taken"
rm resume/summaries-0.jsonl
: >"$GROW_LOG"
run_task "${ONE_TASK[@]}" -- 6 20 resume "${FLAKE[@]}" "${NAME[@]}"
expect_status "slice held by another task" 1
grep -q 'slice 0 is being grown by another task' "$ERR" || fail "slice held by another task: '$(cat "$ERR")'"
[ -z "$(runs_started)" ] || fail "slice held by another task: runs started for '$(runs_started)'"
exec 8>&-

# wait_for_file FILE: true once FILE exists, false after 60 s.
wait_for_file()
{
    local tries=0
    while [ ! -e "$1" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 600 ] || return 1
        sleep 0.1
    done
}

# stop_stalled SEED: ends a stalled stand-in that a failed check left waiting.
stop_stalled()
{
    [ ! -s "flags/stalled-$1" ] || kill "$(cat "flags/stalled-$1")" 2>/dev/null
}

# SIGTERM to the task (scancel, a time limit) while a run is in progress ends that run too; with
# one CPU for the task the next run was never started.
touch flags/stall-30
: >"$GROW_LOG"
env "${ONE_TASK[@]}" bash "$SCRIPT" 2 30 stopped "${FLAKE[@]}" "${NAME[@]}" >"$OUT" 2>"$ERR" &
task_pid=$!
if wait_for_file flags/stalled-30; then
    kill -TERM "$task_pid"
    wait "$task_pid"
    status=$?
    expect_status "SIGTERM" 143
    stalled=$(cat flags/stalled-30)
    if kill -0 "$stalled" 2>/dev/null; then
        fail "SIGTERM: the run in progress goes on"
        kill "$stalled"
    fi
    [ "$(runs_started)" = 30 ] || fail "SIGTERM: runs started for '$(runs_started)', expected '30' (one at a time)"
    { [ -f stopped/summaries-0.jsonl.part ] && [ ! -e stopped/summaries-0.jsonl ]; } ||
        fail "SIGTERM: summaries are '$(ls stopped)'"
else
    fail "SIGTERM: the stalled run never started: $(cat "$ERR")"
    kill "$task_pid"
fi

# With two CPUs for the task a second run grows while the first one stalls.
touch flags/stall-40
: >"$GROW_LOG"
env SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 SLURM_CPUS_PER_TASK=2 DLA_GROW=bin/grow \
    bash "$SCRIPT" 3 40 two "${FLAKE[@]}" "${NAME[@]}" >"$OUT" 2>"$ERR" &
task_pid=$!
wait_for_file flags/stalled-40 || fail "two CPUs: the stalled run never started"
tries=0
while ! grep -q ' end 42 0$' "$GROW_LOG" && [ "$tries" -lt 600 ]; do
    tries=$((tries + 1))
    sleep 0.1
done
grep -q ' end 42 0$' "$GROW_LOG" || fail "two CPUs: seeds 41 and 42 did not grow beside the stalled one: $(cat "$GROW_LOG")"
stop_stalled 40
wait "$task_pid"
status=$?
[ "$status" -ne 0 ] || fail "two CPUs: a run that ended by a signal passed"
[ "$(summary_seeds two/summaries-0.jsonl.part)" = "41 42" ] ||
    fail "two CPUs: summaries-0.jsonl.part holds '$(summary_seeds two/summaries-0.jsonl.part)', expected '41 42'"

# --jobs, when given, sets how many runs grow at once, else the CPUs Slurm gave the task.
while IFS='|' read -r what variables arguments expected; do
    # shellcheck disable=SC2086 # the table's variables and arguments, a word each
    run_task SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 $variables -- 1 50 "jobs $what" "${FLAKE[@]}" "${NAME[@]}" $arguments
    expect_status "$what" 0
    grep -q "up to $expected at once" "$OUT" || fail "$what: '$(cat "$OUT")', expected up to $expected at once"
done <<EOF
CPUs per task|SLURM_CPUS_PER_TASK=3 SLURM_CPUS_ON_NODE=5||3
CPUs on the node|SLURM_CPUS_ON_NODE=5||5
--jobs|SLURM_CPUS_PER_TASK=3|--jobs 2|2
outside Slurm|||$(nproc)
EOF

finish
