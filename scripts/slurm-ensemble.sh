#!/bin/bash
# An ensemble of DLA clusters as a Slurm job array: every array task grows its own slice of the
# seeds with dla-grow, on the processors Slurm gave it, and keeps the slice's run summaries in a
# JSON Lines file of its own. Sum them all up afterwards, checking that no seed is missing, with
# `dla-grow --aggregate FOLDER/summaries-*.jsonl --seeds FIRST_SEED-LAST_SEED`.
#
# Usage:
#   sbatch --array=FIRST-LAST[:STEP] [--cpus-per-task=C] slurm-ensemble.sh [--tasks TASKS] \
#       RUNS FIRST_SEED FOLDER -o NAME [dla-grow options]
#
# RUNS runs with the seeds FIRST_SEED, FIRST_SEED + 1, ... are shared out as evenly as can be
# over the array's tasks, in the order of their indices. FOLDER (made if missing) receives the
# pictures, named by -o relative to FOLDER with {seed} in the name (and {seed} in --particles
# too, if given), and, from the task that grows slice i (counted from 0), summaries-i.jsonl:
# summaries-i.jsonl.part while it grows, renamed only once every run of the slice has its
# summary (a run whose particle list could not be written has none that counts);
# summaries-i.lock keeps a second task off the slice while one grows it. Each run is
# a dla-grow of one seed; up to C of them run at once (--jobs J, when given, else Slurm's CPUs
# per task or on the node, else the processors this script may use).
#
# TASKS is the array as first submitted: a count N (tasks 0 to N - 1) or FIRST-LAST[:STEP].
# Without it the array that runs the script is taken as the whole ensemble. Give it to
# resubmit some tasks of an array: their slices do not change, whatever the new array holds.
#   sbatch --array=3,7 slurm-ensemble.sh --tasks 0-9 1000 1 flakes -m snowflake -o 'flake-{seed}.png'
# A task run again (resubmitted, or requeued after a time limit or a lost node) keeps the
# summaries its slice already has and grows only the seeds that have none: only the runs that
# were in progress are lost. Resubmit with the same arguments: the summaries are matched to
# seeds and to the growth engine (a seed whose summary names another engine than dla-grow's is
# grown again), not to other options. A folder that holds summaries of seeds outside the slice
# (another ensemble's, or the same one's with other arguments) is refused before anything grows.
#
# DLA_GROW names the program when it is not dla-grow on the PATH (a relative name is taken from
# the folder the task starts in: sbatch --chdir's, else sbatch's own). Outside Slurm, set
# SLURM_ARRAY_TASK_ID (and SLURM_ARRAY_TASK_COUNT, or give --tasks) to run one task by hand.
#
# Example: 1000 snowflakes over 10 tasks of 8 processors each:
#   sbatch --array=0-9 --cpus-per-task=8 slurm-ensemble.sh 1000 1 flakes \
#       -m snowflake -s 1000x1000 -o 'flake-{seed}.png'
#
#SBATCH --job-name=dla-ensemble
#SBATCH --output=dla-ensemble-%A_%a.log
set -euo pipefail

# Slurm runs a copy of the script under another name; messages name the script itself.
readonly SCRIPT=slurm-ensemble.sh
readonly SEED_SPACE=4294967296

usage()
{
    echo "usage: sbatch --array=FIRST-LAST[:STEP] $SCRIPT [--tasks N|FIRST-LAST[:STEP]] RUNS FIRST_SEED FOLDER -o NAME [dla-grow options]" >&2
    exit 2
}

refuse()
{
    echo "$SCRIPT: $*" >&2
    exit 2
}

is_count() { [[ "$1" =~ ^[0-9]+$ ]]; }

# parse_task_range SPEC: sets task_first, task_last and task_step from N or FIRST-LAST[:STEP].
parse_task_range()
{
    local spec=$1
    task_step=1
    if is_count "$spec"; then
        [ "$spec" -ge 1 ] || refuse "--tasks must be at least 1, not '$spec'"
        task_first=0
        task_last=$((spec - 1))
    elif [[ "$spec" =~ ^([0-9]+)-([0-9]+)(:([0-9]+))?$ ]]; then
        task_first=$((10#${BASH_REMATCH[1]}))
        task_last=$((10#${BASH_REMATCH[2]}))
        [ -z "${BASH_REMATCH[4]}" ] || task_step=$((10#${BASH_REMATCH[4]}))
        { [ "$task_step" -ge 1 ] && [ "$task_last" -ge "$task_first" ]; } ||
            refuse "--tasks '$spec' holds no task: FIRST-LAST[:STEP] needs FIRST <= LAST and STEP >= 1"
        # Slurm's last task of a stepped range is the last one the step reaches.
        task_last=$((task_last - (task_last - task_first) % task_step))
    else
        refuse "--tasks must be a count N or FIRST-LAST[:STEP] as in --array, not '$spec'"
    fi
}

# array_from_environment: the array that runs this task, from Slurm's variables.
array_from_environment()
{
    if [ -n "${SLURM_ARRAY_TASK_MIN:-}" ] && [ -n "${SLURM_ARRAY_TASK_MAX:-}" ]; then
        task_first=$SLURM_ARRAY_TASK_MIN
        task_last=$SLURM_ARRAY_TASK_MAX
        task_step=${SLURM_ARRAY_TASK_STEP:-1}
        local in_range=$(((task_last - task_first) / task_step + 1))
        if [ -n "${SLURM_ARRAY_TASK_COUNT:-}" ] && [ "$SLURM_ARRAY_TASK_COUNT" -ne "$in_range" ]; then
            refuse "the array ($SLURM_ARRAY_TASK_COUNT tasks from $task_first to $task_last) is not a range FIRST-LAST[:STEP]: give the array its slices come from with --tasks"
        fi
    elif [ -n "${SLURM_ARRAY_TASK_COUNT:-}" ]; then
        task_first=0
        task_last=$((SLURM_ARRAY_TASK_COUNT - 1))
        task_step=1
    else
        refuse "SLURM_ARRAY_TASK_COUNT is not set: submit with sbatch --array=FIRST-LAST, or give --tasks"
    fi
    # A lone task other than 0 is almost surely one task of a larger array run again; as an
    # ensemble of its own it would grow every seed and double the others' summaries.
    if [ "$task_first" -eq "$task_last" ] && [ "$task_first" -ne 0 ]; then
        refuse "array task $task_first alone: to run again a task of a larger array, give that array with --tasks (for example --tasks 0-9)"
    fi
}

# place_task: sets slice (this task's place, from 0) and tasks (how many there are).
place_task()
{
    local id=${SLURM_ARRAY_TASK_ID:-}
    is_count "$id" || refuse "SLURM_ARRAY_TASK_ID is '${id}', not a task index: submit with sbatch --array=FIRST-LAST"
    id=$((10#$id))
    if [ -n "$tasks_spec" ]; then
        parse_task_range "$tasks_spec"
    else
        array_from_environment
    fi
    if [ "$id" -lt "$task_first" ] || [ "$id" -gt "$task_last" ] || [ $(((id - task_first) % task_step)) -ne 0 ]; then
        refuse "array task $id is not one of the tasks $task_first-$task_last:$task_step"
    fi
    slice=$(((id - task_first) / task_step))
    tasks=$(((task_last - task_first) / task_step + 1))
}

# scan_grow_options ARGS...: checks the options passed on to dla-grow and sets jobs_given.
# Every run is a dla-grow of its own, so every name must carry its seed.
scan_grow_options()
{
    local output='' particles='' option
    jobs_given=''
    while [ "$#" -gt 0 ]; do
        option=$1
        shift
        case "$option" in
            -o | --output) output=${1-}; shift || true ;;
            -o?*) output=${option#-o} ;;
            --output=*) output=${option#--output=} ;;
            --particles) particles=${1-}; shift || true ;;
            --particles=*) particles=${option#--particles=} ;;
            --jobs) jobs_given=${1-}; shift || true ;;
            --jobs=*) jobs_given=${option#--jobs=} ;;
            -r | -r?* | --seed | --seed=* | --runs | --runs=* | --aggregate | --aggregate=*)
                refuse "$option is the script's own: the seeds come from RUNS and FIRST_SEED" ;;
        esac
    done
    [ -n "$output" ] || refuse "name the pictures with -o NAME holding {seed} (for example -o 'flake-{seed}.png')"
    [[ "$output" == *'{seed}'* ]] ||
        refuse "-o '$output' has no {seed}: every run would write the same file; put {seed} in it (for example -o 'flake-{seed}.png')"
    [ -z "$particles" ] || [[ "$particles" == *'{seed}'* ]] ||
        refuse "--particles '$particles' has no {seed}: every run would write the same file"
    [ -z "$jobs_given" ] || { is_count "$jobs_given" && [ "$jobs_given" -ge 1 ]; } ||
        refuse "--jobs must be a whole number of at least 1, not '$jobs_given'"
}

# runs_at_once: --jobs when given, else the CPUs Slurm gave the task: without CPU binding every
# processor of the node is visible, and counting those would put several runs on one CPU.
runs_at_once()
{
    if [ -n "$jobs_given" ]; then
        echo "$jobs_given"
    elif [ -n "${SLURM_CPUS_PER_TASK:-}" ]; then
        echo "$SLURM_CPUS_PER_TASK"
    elif [ -n "${SLURM_CPUS_ON_NODE:-}" ]; then
        echo "$SLURM_CPUS_ON_NODE"
    else
        nproc
    fi
}

# resolve_grower: the grower's absolute path, found before the script changes folder (a
# relative DLA_GROW is taken from the folder the task starts in), and sets engine to the version
# of the growth engine it grows the runs with, which their summaries name.
resolve_grower()
{
    local name=${DLA_GROW:-dla-grow} status=0
    grower=$(command -v -- "$name") || refuse "DLA_GROW '$name' is not a program that can be run"
    [[ "$grower" == /* ]] || grower=$PWD/$grower
    engine=$("$grower" --runs 1 "$@" --engine) || status=$?
    if [ "$status" -ne 0 ] || [ -z "$engine" ]; then
        echo "$SCRIPT: dla-grow refused its options (see above): nothing was grown" >&2
        exit $((status == 0 ? 2 : status))
    fi
}

# slice_summaries OUT FILE...: writes into OUT the slice's summary lines found in the files, one
# a seed (the first found) in seed order, and prints three lines: the seeds that have none; the
# first summary of a seed outside the slice ("SEED in FILE"), empty when there is none; and how
# many seeds have only summaries of another engine than this dla-grow's (or of none), with one
# such engine. A summary line is what dla-grow --aggregate reads as one: one JSON object of plain
# values (a line cut short by a killed run, or two runs' lines run together, is none) with a
# seed. A run whose particle list could not be written ("particle_list":null) has none that
# counts, nor has a run of another engine: their seeds are grown again. Rewriting the file leaves
# them out.
slice_summaries()
{
    local out=$1
    shift
    awk -v first="$first_seed_of_slice" -v count="$count" -v space="$SEED_SPACE" -v out="$out" -v engine="$engine" '
        BEGIN {
            text = "\"([^\"\\\\\001-\037]|\\\\[\"\\\\/bfnrt]|\\\\u[0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F])*\""
            value = "(" text "|-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][-+]?[0-9]+)?|null|true|false)"
            pair = text ":" value
            object = "^\\{(" pair "(," pair ")*)?\\}$"
        }
        # members(LINE): true when LINE is one JSON object of plain values; member[KEY] then
        # holds each value as written.
        function members(line,    rest, key) {
            split("", member)
            if (line !~ object)
                return 0
            rest = substr(line, 2, length(line) - 2)
            while (rest != "") {
                match(rest, "^" text)
                key = substr(rest, 2, RLENGTH - 2)
                rest = substr(rest, RLENGTH + 2)
                match(rest, "^" value)
                member[key] = substr(rest, 1, RLENGTH)
                rest = substr(rest, RLENGTH + 2)
            }
            return 1
        }
        members($0) && member["seed"] ~ /^[0-9]+$/ && member["seed"] + 0 < space {
            run = (member["seed"] - first + space) % space
            if (run >= count) {
                if (outside == "")
                    outside = member["seed"] " in " FILENAME
                next
            }
            if (member["particle_list"] == "null")
                next
            if (member["engine"] != "\"" engine "\"") {
                if (!(run in other))
                    other[run] = member["engine"] == "" ? "none" : member["engine"]
                next
            }
            if (!(run in summary))
                summary[run] = $0
        }
        END {
            printf "" >out
            for (run = 0; run < count; ++run)
                if (run in summary)
                    print summary[run] >out
                else {
                    printf "%s%.0f", separator, (first + run) % space
                    separator = " "
                }
            print ""
            print outside
            for (run in other)
                if (!(run in summary)) {
                    ++others
                    example = other[run]
                }
            print others + 0, example
        }' "$@" /dev/null
}

# survey_slice OUT: reads the slice's summaries from its final file (one an older script may have
# left incomplete) and from the file of an earlier attempt, writing them into OUT as
# slice_summaries does; sets to_grow, outside, others and other_engine from its report.
survey_slice()
{
    local sources=() report missing
    [ ! -f "$summaries" ] || sources+=("$summaries")
    [ ! -f "$part" ] || sources+=("$part")
    report=$(slice_summaries "$1" "${sources[@]}")
    { read -r missing; read -r outside; read -r others other_engine; } <<<"$report"
    read -ra to_grow <<<"$missing"
}

# collect_summaries: gathers the slice's summaries into $part, in seed order; sets to_grow to the
# seeds that still need a run.
collect_summaries()
{
    survey_slice "$part.new"
    mv -- "$part.new" "$part"
}

running=0
failed=0

# wait_for_a_run: waits for one run in progress to end; a failed run stops new ones starting.
wait_for_a_run()
{
    local run_status=0
    wait -n || run_status=$?
    running=$((running - 1))
    [ "$run_status" -eq 0 ] || [ "$failed" -ne 0 ] || failed=$run_status
}

# grow_seeds OPTIONS...: grows the seeds of to_grow, up to $at_once at a time. Every run adds its
# summary to $part as one line when it ends (a single append), so a task killed at any moment
# loses only the runs in progress.
grow_seeds()
{
    local seed
    for seed in "${to_grow[@]}"; do
        while [ "$running" -ge "$at_once" ]; do
            wait_for_a_run
        done
        [ "$failed" -eq 0 ] || break
        "$grower" --runs 1 --seed "$seed" --json --quiet "$@" >>"$part" &
        running=$((running + 1))
    done
    while [ "$running" -gt 0 ]; do
        wait_for_a_run
    done
}

# stop_runs SIGNAL: a signal to the script (scancel, a time limit, Ctrl-C) stops the runs in
# progress too, so none goes on writing after the task has ended, then ends by that signal.
# They get SIGTERM whatever the signal: runs started in the background ignore SIGINT.
stop_runs()
{
    local children
    trap - "$1"
    children=$(jobs -p)
    # shellcheck disable=SC2086 # one process id a word
    [ -z "$children" ] || kill -s TERM $children 2>/dev/null || true
    wait || true
    kill -s "$1" "$$"
}

# finish_slice: the slice is finished: its summaries, checked by dla-grow (every seed of the
# slice once, when its seeds do not wrap past 4294967295), take the final name.
finish_slice()
{
    local aggregate seeds=() last=$((first_seed_of_slice + count - 1))
    [ "$last" -ge "$SEED_SPACE" ] || seeds=(--seeds "$first_seed_of_slice-$last")
    aggregate=$("$grower" --aggregate "$part" "${seeds[@]}") ||
        { echo "$SCRIPT: the summaries in $PWD/$part do not sum up (see above): left as they are" >&2; exit 1; }
    mv -- "$part" "$summaries"
    echo "slice $slice finished: $aggregate"
}

# hold_slice: one task at a time grows a slice. A task run again while the first one still
# runs (resubmitted too early, or requeued off a node that is cut off but not dead) would grow
# the same seeds and race on the slice's files. A file system without locks (flock's other
# failures) cannot tell, and is let be.
hold_slice()
{
    local lock_status=0
    exec 9>>"summaries-$slice.lock"
    flock -n -E 75 9 || lock_status=$?
    if [ "$lock_status" -eq 75 ]; then
        echo "$SCRIPT: slice $slice is being grown by another task ($PWD/summaries-$slice.lock is held); let that one end first" >&2
        exit 1
    fi
}

tasks_spec=''
while [ "$#" -gt 0 ]; do
    case "$1" in
        --tasks) [ "$#" -ge 2 ] || usage; tasks_spec=$2; shift 2 ;;
        --tasks=*) tasks_spec=${1#--tasks=}; shift ;;
        -h | --help) usage ;;
        *) break ;;
    esac
done
[ "$#" -ge 3 ] || usage
runs=$1
first_seed=$2
folder=$3
shift 3
{ is_count "$runs" && [ "$runs" -ge 1 ]; } || refuse "RUNS must be a whole number of at least 1, not '$runs'"
{ is_count "$first_seed" && [ "${#first_seed}" -le 10 ] && [ "$first_seed" -le 4294967295 ]; } ||
    refuse "FIRST_SEED must be a whole number from 0 to 4294967295, not '$first_seed'"
runs=$((10#$runs))
first_seed=$((10#$first_seed))
place_task
scan_grow_options "$@"
at_once=$(runs_at_once)
resolve_grower "$@"

# Slice i holds the runs from floor(i * RUNS / tasks) up to the next slice's first run.
start=$((slice * runs / tasks))
count=$(((slice + 1) * runs / tasks - start))
if [ "$count" -eq 0 ]; then
    echo "slice $slice of $tasks: no runs (only $runs runs for $tasks tasks)"
    exit 0
fi
first_seed_of_slice=$(((first_seed + start) % SEED_SPACE))

mkdir -p -- "$folder"
cd -- "$folder"
summaries=summaries-$slice.jsonl
part=$summaries.part
hold_slice
survey_slice /dev/null
# Summaries of other seeds here are another ensemble's (or were grown with other arguments):
# growing this slice would rewrite the files that hold them.
if [ -n "$outside" ]; then
    refuse "slice $slice holds seeds $first_seed_of_slice-$(((first_seed_of_slice + count - 1) % SEED_SPACE)), but $PWD holds a summary of seed ${outside}: another ensemble's, or these arguments differ from those it was grown with; nothing was grown or changed (give this ensemble a folder of its own, or the arguments the folder's ensemble had)"
fi
if [ -f "$summaries" ] && [ ! -f "$part" ] && [ "${#to_grow[@]}" -eq 0 ]; then
    echo "slice $slice of $tasks: finished already ($PWD/$summaries)"
    exit 0
fi

collect_summaries
# An incomplete final file from an older script: its summaries are in $part now.
rm -f -- "$summaries"
if [ "$others" -gt 0 ]; then
    echo "slice $slice: $others seeds have summaries of another engine than this dla-grow's $engine (such as $other_engine): they are grown again"
fi
echo "slice $slice of $tasks: $count runs from seed $first_seed_of_slice, $((count - ${#to_grow[@]})) with summaries kept," \
    "${#to_grow[@]} to grow, up to $at_once at once, in $PWD"
trap 'stop_runs TERM' TERM
trap 'stop_runs INT' INT
trap 'stop_runs HUP' HUP
grow_seeds "$@"

collect_summaries
if [ "${#to_grow[@]}" -ne 0 ]; then
    if [ "$failed" -eq 2 ]; then
        echo "$SCRIPT: dla-grow refused its options (see above): nothing more was grown" >&2
    else
        echo "$SCRIPT: slice $slice: ${#to_grow[@]} of $count runs have no summary; run the task again to grow them" >&2
    fi
    [ "$failed" -ne 0 ] || failed=1
    exit "$failed"
fi
finish_slice
