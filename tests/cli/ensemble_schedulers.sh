#!/bin/bash
# Ensembles past one machine go through existing tools: GNU parallel growing single seeds gives
# the files of `--runs`, and the Slurm job-array script, run by hand as one array task, grows
# its slice of the seeds into its own JSON Lines file, which --aggregate reads.
# Arguments: dla-grow, the Slurm script.
SLURM_SCRIPT=$(realpath "$2")
source "$(dirname "$0")/common.sh" "$@"

FLAKE=(-m snowflake -s 120x120)

"$GROW" "${FLAKE[@]}" --runs 2 --seed 11 -q -o 'runs-{seed}.bmp' >/dev/null || fail "--runs 2 failed"
if command -v parallel >/dev/null; then
    parallel --will-cite "$GROW" "${FLAKE[@]}" -q -r '{}' -o 'parallel-{}.bmp' ::: 11 12 >/dev/null 2>"$ERR" ||
        fail "GNU parallel run failed: $(cat "$ERR")"
    for seed in 11 12; do
        cmp -s "runs-$seed.bmp" "parallel-$seed.bmp" || fail "GNU parallel: seed $seed differs from --runs"
    done
else
    echo "GNU parallel not installed: its part skipped"
fi

bash -n "$SLURM_SCRIPT" || fail "the Slurm script does not parse"
if command -v shellcheck >/dev/null; then
    shellcheck "$SLURM_SCRIPT" >"$ERR" || fail "shellcheck: $(cat "$ERR")"
fi

# Task 1 of 3 over 7 runs from seed 100 grows runs 2 and 3: seeds 102 and 103.
SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=3 DLA_GROW=$GROW \
    bash "$SLURM_SCRIPT" 7 100 slice "${FLAKE[@]}" -o 'f-{seed}.bmp' >"$OUT" 2>"$ERR"
status=$?
expect_status "Slurm task by hand" 0
[ "$(find slice -name 'f-*.bmp' -printf '%f\n' | sort | tr '\n' ' ')" = "f-102.bmp f-103.bmp " ] ||
    fail "Slurm task by hand: pictures $(ls slice)"
"$GROW" "${FLAKE[@]}" -q -r 103 -o single.bmp >/dev/null
cmp -s single.bmp slice/f-103.bmp || fail "Slurm task by hand: f-103.bmp is not the picture of seed 103"
[ "$(grep -c '"seed":10[23],' slice/summaries-1.jsonl)" -eq 2 ] ||
    fail "Slurm task by hand: summaries are '$(cat slice/summaries-1.jsonl)'"
"$GROW" --aggregate slice/summaries-*.jsonl >"$OUT" 2>"$ERR" || fail "--aggregate of the slice: $(cat "$ERR")"
grep -q '^2 runs: ' "$OUT" || fail "--aggregate of the slice: '$(cat "$OUT")'"

# Without the array variables it says how to submit it and grows nothing.
bash "$SLURM_SCRIPT" 7 100 nothing "${FLAKE[@]}" >"$OUT" 2>"$ERR"
status=$?
expect_status "outside Slurm" 2
grep -q 'sbatch --array' "$ERR" || fail "outside Slurm: '$(cat "$ERR")'"
[ -e nothing ] && fail "outside Slurm: something was made"

# Clusters in space, with their PLY lists, go through both tools as they go through --runs.
SPACE=(-m offlattice3d -n 300)
"$GROW" "${SPACE[@]}" --runs 3 --seed 40 -q -o 'space-{seed}.png' --particles 'space-{seed}.ply' >/dev/null ||
    fail "--runs 3 in space failed"
SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=2 DLA_GROW=$GROW \
    bash "$SLURM_SCRIPT" 3 40 space "${SPACE[@]}" -o 's-{seed}.png' --particles 's-{seed}.ply' >"$OUT" 2>"$ERR" ||
    fail "Slurm task by hand in space: $(cat "$ERR")"
for suffix in png ply; do
    cmp -s "space-42.$suffix" "space/s-42.$suffix" || fail "Slurm task by hand: s-42.$suffix is not that of --runs"
done
[ -e space/s-40.png ] && fail "Slurm task 1 of 2 in space grew seed 40, which task 0 grows"
if command -v parallel >/dev/null; then
    parallel --will-cite "$GROW" "${SPACE[@]}" -q -r '{}' -o 'ps-{}.png' --particles 'ps-{}.ply' ::: 41 >/dev/null ||
        fail "GNU parallel run in space failed"
    for suffix in png ply; do
        cmp -s "space-41.$suffix" "ps-41.$suffix" || fail "GNU parallel: ps-41.$suffix is not that of --runs"
    done
fi

finish
