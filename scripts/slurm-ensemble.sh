#!/bin/bash
# An ensemble of DLA clusters as a Slurm job array: every array task grows its own slice of the
# seeds with `dla-grow --runs`, on the processors Slurm gave it, and writes the slice's run
# summaries into a JSON Lines file of its own. Sum them all up afterwards with
# `dla-grow --aggregate FOLDER/summaries-*.jsonl`.
#
# Usage:
#   sbatch --array=0-N [--cpus-per-task=C] slurm-ensemble.sh RUNS FIRST_SEED FOLDER [dla-grow options]
#
# RUNS runs with the seeds FIRST_SEED, FIRST_SEED + 1, ... are shared out as evenly as can be
# over the N + 1 tasks. FOLDER (made if missing) receives the pictures (named by --output,
# relative to FOLDER; put {seed} in the name, since a task whose slice holds a single run keeps
# a name without it as it is) and, from task i, summaries-i.jsonl (summaries-i.jsonl.part while
# it grows). DLA_GROW names the program when
# it is not dla-grow on the PATH. Outside Slurm, set SLURM_ARRAY_TASK_ID and
# SLURM_ARRAY_TASK_COUNT to run one task by hand.
#
# Example: 1000 snowflakes over 10 tasks of 8 processors each:
#   sbatch --array=0-9 --cpus-per-task=8 slurm-ensemble.sh 1000 1 flakes \
#       -m snowflake -s 1000x1000 -o 'flake-{seed}.png'
#
#SBATCH --job-name=dla-ensemble
#SBATCH --output=dla-ensemble-%A_%a.log
set -euo pipefail

usage()
{
    echo "usage: sbatch --array=0-N $(basename "$0") RUNS FIRST_SEED FOLDER [dla-grow options]" >&2
    exit 2
}

[ "$#" -ge 3 ] || usage
runs=$1
first_seed=$2
folder=$3
shift 3
[[ "$runs" =~ ^[0-9]+$ && "$runs" -ge 1 ]] || { echo "RUNS must be a whole number of at least 1, not '$runs'" >&2; exit 2; }
[[ "$first_seed" =~ ^[0-9]+$ && "$first_seed" -le 4294967295 ]] ||
    { echo "FIRST_SEED must be a whole number from 0 to 4294967295, not '$first_seed'" >&2; exit 2; }
if [ -z "${SLURM_ARRAY_TASK_ID:-}" ] || [ -z "${SLURM_ARRAY_TASK_COUNT:-}" ]; then
    echo "SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT are not set: submit with sbatch --array=0-N" >&2
    exit 2
fi

# The task's place among the tasks; an array need not start at 0 (--array=1-10).
task=$((SLURM_ARRAY_TASK_ID - ${SLURM_ARRAY_TASK_MIN:-0}))
tasks=$SLURM_ARRAY_TASK_COUNT
if [ "$task" -lt 0 ] || [ "$task" -ge "$tasks" ]; then
    echo "array task $SLURM_ARRAY_TASK_ID is not one of $tasks consecutive indices: use --array=FIRST-LAST" >&2
    exit 2
fi

# Task i grows the runs from floor(i * RUNS / tasks) up to the next task's first run.
start=$((task * runs / tasks))
end=$(((task + 1) * runs / tasks))
count=$((end - start))
if [ "$count" -eq 0 ]; then
    echo "task $task of $tasks: no runs in its slice (only $runs runs for $tasks tasks)"
    exit 0
fi
seed=$(((first_seed + start) % 4294967296))

grower=${DLA_GROW:-dla-grow}
mkdir -p -- "$folder"
cd -- "$folder"
summaries=summaries-$task.jsonl
echo "task $task of $tasks: $count runs from seed $seed into $PWD"
status=0
"$grower" --runs "$count" --seed "$seed" --json --quiet "$@" >"$summaries.part" || status=$?
# The summaries of the runs that were written are good even when another run's picture was not.
mv -- "$summaries.part" "$summaries"
exit "$status"
