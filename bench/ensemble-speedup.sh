#!/bin/bash
# How much faster an ensemble grows on more cores: `dla-grow --runs 8` of 1000 x 1000 snowflakes
# grown to the limit with --jobs 1, 2, ... up to the processors this machine lets us use, each
# timed on the wall clock a few times (the best and the median are told, since other work on
# the machine only ever slows a run down). The speed-up of J jobs is the best time of one job
# divided by the best time of J; on J free cores it should come near J.
#
# Usage: bench/ensemble-speedup.sh [DLA_GROW [REPEATS]]   (default build/src/cli/dla-grow, 3)
set -euo pipefail

grower=$(realpath "${1:-build/src/cli/dla-grow}")
repeats=${2:-3}
runs=8
cores=$(nproc)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# seconds_of JOBS: the wall-clock seconds of one ensemble with that many jobs.
seconds_of()
{
    local start end
    start=$(date +%s.%N)
    "$grower" -m snowflake -s 1000x1000 --runs "$runs" --seed 1 --jobs "$1" -q -o 'flake-{seed}.bmp' >/dev/null
    end=$(date +%s.%N)
    rm -f flake-*.bmp
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }' 
}

echo "dla-grow --runs $runs of 1000x1000 snowflakes to the limit, $repeats timings each, $cores processors"
printf '%5s %10s %10s %9s %12s\n' jobs "best s" "median s" speed-up "runs per s"
best_one=
for ((jobs = 1; jobs <= cores; ++jobs)); do
    times=()
    for ((i = 0; i < repeats; ++i)); do
        times+=("$(seconds_of "$jobs")")
    done
    mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -g)
    best=${sorted[0]}
    median=${sorted[$((repeats / 2))]}
    [ -n "$best_one" ] || best_one=$best
    awk -v jobs="$jobs" -v best="$best" -v median="$median" -v one="$best_one" -v runs="$runs" \
        'BEGIN { printf "%5d %10.2f %10.2f %9.2f %12.2f\n", jobs, best, median, one / best, runs / best }' 
done
