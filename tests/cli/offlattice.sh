#!/bin/bash
# The offlattice mode as a user runs it: the particle list passes the contact check, the picture
# reads back at its size and shows the list's particles, the summary's keys and nulls, the same
# files for a seed alone, in ensembles of any --jobs and through the Slurm script, the aggregate,
# the progress bar, and each bad input refused with one line. Small clusters: a few thousand
# particles grow in a moment.
# Arguments: dla-grow, the Slurm script.
SLURM_SCRIPT=$(realpath "$2")
CHECK=$(realpath "$(dirname "$0")/offlattice_check.py")
source "$(dirname "$0")/common.sh" "$@"

# check WHAT COMMAND ARGS...: runs a check of offlattice_check.py; its complaints fail WHAT.
check()
{
    local what=$1
    shift
    local said
    said=$(python3 "$CHECK" "$@" 2>&1) || fail "$what: $(head -n 5 <<<"$said" | tr '\n' ';')"
}

# json_value KEY FILE: the value under KEY in the first JSON object of FILE.
json_value()
{
    python3 -c 'import json, sys; print(json.loads(open(sys.argv[2]).readline())[sys.argv[1]])' "$1" "$2"
}

# ppm_of PICTURE: a binary PPM of it, beside it, for the checks.
ppm_of()
{
    convert "$1" "$1.ppm" || fail "$1: ImageMagick cannot read it"
}

# A cluster of 3000 particles coloured by age, its list and its summary.
grow -m offlattice -n 3000 -r 1 --colour age -o cluster.png --particles cluster.csv --json
expect_status "age run" 0
cp "$OUT" cluster.json
[ "$(($(wc -l <cluster.csv) - 1))" -eq 3000 ] || fail "-n 3000: $(($(wc -l <cluster.csv) - 1)) rows"
check "contact" contact cluster.csv
check "figures" figures cluster.csv cluster.json
check "summary keys" keys cluster.json
width=$(json_value width cluster.json)
height=$(json_value height cluster.json)
[ "$width" = "$height" ] || fail "-n without --size: a $width x $height picture, not a square"
described=$(identify -format '%m %w %h %z' cluster.png 2>&1)
[ "$described" = "PNG $width $height 8" ] || fail "age picture: identify says '$described'"
ppm_of cluster.png
check "age picture" picture cluster.csv cluster.png.ppm 1 age all
[ "$(convert cluster.png -unique-colors -format '%w' info:)" -gt 100 ] || fail "age picture: too few colours"
[ "$(json_value dimension cluster.json)" = None ] || fail "3000 particles: a dimension from under two decades"
[ "$(json_value mode cluster.json)" = offlattice ] || fail "mode is $(json_value mode cluster.json)"
grep -q '"output":"cluster.png"' cluster.json || fail "summary: $(cat cluster.json)"

# The same seed grows the same cluster; the line summary says what the JSON says.
grow -m offlattice -n 3000 -r 1 --colour age -o again.png --particles again.csv
expect_status "the same seed again" 0
cmp -s cluster.png again.png || fail "seed 1 twice: the pictures differ"
cmp -s cluster.csv again.csv || fail "seed 1 twice: the particle lists differ"
grep -q "^offlattice ${width}x${height}, seed 1: 3000 particles, $(json_value jumps cluster.json) jumps, [0-9.]* s, gyration radius [0-9.]*, written to again.png, particles to again.csv$" "$OUT" ||
    fail "line summary: $(cat "$OUT")"
grow -m offlattice -n 3000 -r 2 --particles other.csv -o other.png
cmp -s cluster.csv other.csv && fail "seeds 1 and 2 grew the same cluster"

# White, as BMP, at a scale of discs several pixels wide; -n with --size keeps the size.
grow -m offlattice -n 2000 -r 4 -s 300x240 --scale 2.5 -o white --particles white.csv
expect_status "white BMP" 0
expect_bmp "white BMP" white.bmp 300 240
ppm_of white.bmp
awk -F, 'NR > 1 && ($2 * 2.5 < -150 || $2 * 2.5 > 150 || $3 * 2.5 < -120 || $3 * 2.5 > 120)' white.csv | grep -q . ||
    fail "-n 2000 on 300 x 240 at scale 2.5: the cluster does not reach beyond the picture"
check "white picture" picture white.csv white.bmp.ppm 2.5 white inside
[ "$(convert white.bmp -unique-colors -format '%w' info:)" -eq 2 ] || fail "white picture: not black and white alone"

# -n without --size at scales other than 1: the square that holds the engine's bound on the
# cluster's reach R has the side 2 * ceil(R * scale) + 2, the scale applied once. The side at
# scale 1 gives ceil(R), which bounds the side at any other scale within a few pixels.
for case in "2000 2.5 png" "20000 40 none"; do
    read -r count scale written <<<"$case"
    grow -m offlattice -n "$count" -r 1 -q --no-picture --json
    expect_status "-n $count at scale 1" 0
    reach=$((($(json_value width "$OUT") - 2) / 2))
    if [ "$written" = png ]; then
        grow -m offlattice -n "$count" -r 1 -q --scale "$scale" -o scaled.png --json
    else
        grow -m offlattice -n "$count" -r 1 -q --scale "$scale" --no-picture --json
    fi
    expect_status "-n $count at scale $scale" 0
    side=$(json_value width "$OUT")
    [ "$(json_value height "$OUT")" = "$side" ] || fail "-n $count at scale $scale: not a square"
    awk -v side="$side" -v reach="$reach" -v scale="$scale" 'function ceil(x) { return x == int(x) ? x : int(x) + 1 }
        BEGIN { exit !(side >= 2 * ceil((reach - 1) * scale) + 2 && side <= 2 * ceil(reach * scale) + 2) }' ||
        fail "-n $count at scale $scale: a side of $side pixels, for a reach of at most $reach diameters"
    if [ "$written" = png ]; then
        [ "$(identify -format '%w %h' scaled.png 2>&1)" = "$side $side" ] ||
            fail "-n $count at scale $scale: the picture is $(identify -format '%w x %h' scaled.png 2>&1), the summary says $side"
    fi
done

# To the edge: the run ends with the first particle whose disc reaches the nearer sides.
grow -m offlattice -r 9 -s 160x120 --scale 2 -o edge.png --particles edge.csv --json
expect_status "to the edge" 0
read -r reach before < <(python3 "$CHECK" reach edge.csv)
awk -v r="$reach" -v b="$before" 'BEGIN { exit !(r >= 30 && b < 30) }' ||
    fail "to the edge of 160 x 120 at scale 2 (30 diameters): the last disc reaches $reach, the one before $before"
check "to the edge: contact" contact edge.csv
ppm_of edge.png
check "to the edge: picture" picture edge.csv edge.png.ppm 2 white all
[ "$(identify -format '%w %h' edge.png)" = "160 120" ] || fail "to the edge: picture $(identify -format '%w %h' edge.png)"

# A dimension from the growth law once the run covers two decades past the first hundred.
grow -m offlattice -n 20000 -r 3 -q -o law.png --json
dimension=$(json_value dimension "$OUT")
awk -v d="$dimension" 'BEGIN { exit !(d > 1.55 && d < 1.9) }' || fail "20000 particles: dimension $dimension"

# Ensembles: each run's files are those of the seed alone, with one job or two.
for jobs in 1 2; do
    grow -m offlattice -n 2500 -r 20 --runs 3 --jobs "$jobs" -q --json --colour age -o "e$jobs-{seed}.png" \
        --particles "e$jobs-{seed}.csv"
    expect_status "--runs 3 --jobs $jobs" 0
    sed 's/"seconds":[^,]*,//' "$OUT" >"summaries-$jobs.jsonl"
done
for seed in 20 21 22; do
    grow -m offlattice -n 2500 -r "$seed" --json --colour age -o "single-$seed.png" --particles "single-$seed.csv"
    cat "$OUT" >>singles.jsonl
    sed 's/"seconds":[^,]*,//; s/single-/e1-/g' "$OUT" >>singles-timeless.jsonl
    for jobs in 1 2; do
        cmp -s "single-$seed.png" "e$jobs-$seed.png" || fail "--jobs $jobs: the picture of seed $seed differs"
        cmp -s "single-$seed.csv" "e$jobs-$seed.csv" || fail "--jobs $jobs: the particle list of seed $seed differs"
    done
done
head -n 3 summaries-1.jsonl | cmp -s - singles-timeless.jsonl || fail "--runs: summaries differ from the single runs'"
sed 's/e2-/e1-/g' summaries-2.jsonl | head -n 3 | cmp -s - singles-timeless.jsonl || fail "--jobs 2: summaries differ from --jobs 1"
tail -n 1 summaries-1.jsonl | grep -q '^{"runs":3,"particles":{"mean":2500.0,"sd":0.0},"jumps":{"mean":' ||
    fail "ensemble aggregate: $(tail -n 1 summaries-1.jsonl)"

# --aggregate sums up offlattice summaries, and refuses to mix them with another mode or size.
grow --aggregate singles.jsonl
expect_status "--aggregate" 0
grep -q '^3 runs: particles 2500.0 (sd 0.0), jumps [0-9.]* (sd [0-9.]*), gyration_radius [0-9.]* (sd [0-9.]*, 3 runs), dimension n/a (sd n/a, 0 runs), [0-9.]* s in all$' "$OUT" ||
    fail "--aggregate: $(cat "$OUT")"
"$GROW" -m snowflake -s 100x100 -r 1 -q --json -o flake.png >mixed.jsonl
cat singles.jsonl >>mixed.jsonl
grow --aggregate mixed.jsonl
expect_status "--aggregate of two modes" 2
side=$(json_value width singles.jsonl)
grep -q "mixed.jsonl:2: an offlattice ${side}x${side} run among snowflake 100x100 runs" "$ERR" ||
    fail "--aggregate of two modes: $(cat "$ERR")"
"$GROW" -m offlattice -n 2500 -s 400x400 -r 1 -q --json -o sized.png >sizes.jsonl
cat singles.jsonl >>sizes.jsonl
grow --aggregate sizes.jsonl
expect_status "--aggregate of two sizes" 2

# The Slurm script, one array task by hand: its slice of the seeds, as single runs grow them.
SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=2 DLA_GROW=$GROW \
    bash "$SLURM_SCRIPT" 4 20 slice -m offlattice -n 2500 --colour age -o 'o-{seed}.png' >"$OUT" 2>"$ERR"
status=$?
expect_status "Slurm task" 0
cmp -s slice/o-22.png single-22.png || fail "Slurm task: the picture of seed 22 differs"
"$GROW" --aggregate slice/summaries-1.jsonl >"$OUT" || fail "Slurm task: its summaries do not sum up"
grep -q '^2 runs: particles 2500.0' "$OUT" || fail "Slurm task: aggregate '$(cat "$OUT")'"
if command -v parallel >/dev/null; then
    parallel --will-cite "$GROW" -m offlattice -n 2500 --colour age -q -r '{}' -o 'p-{}.png' ::: 20 21 >/dev/null ||
        fail "GNU parallel failed"
    cmp -s p-21.png single-21.png || fail "GNU parallel: the picture of seed 21 differs"
fi

# The progress bar on a terminal: particles of N.
if command -v script >/dev/null && script -qec true /dev/null </dev/null >/dev/null 2>&1; then
    DLA_GROW_PROGRESS_AFTER_MS=0 script -qefc "$(printf '%q ' "$GROW" -m offlattice -n 1500 -r 1 -o bar.png)" \
        /dev/null </dev/null >"$OUT" 2>"$ERR"
    grep -q $'\r\\[#* *\\] *[0-9]*%  [0-9]* particles of 1500  ' "$OUT" ||
        fail "progress bar: none drawn: $(head -c 300 "$OUT" | cat -v)"
    grep -q $'\r\e\\[Koffl' "$OUT" || fail "progress bar: not erased before the summary: $(tail -c 200 "$OUT" | cat -v)"
    # Every bar's count is of this run, and its percentage that count's share of N.
    while read -r percent count; do
        if [ "$count" -gt 1500 ] || [ "$percent" -ne $((100 * count / 1500)) ]; then
            fail "progress bar: $percent% for $count particles of 1500"
        fi
    done < <(tr '\r' '\n' <"$OUT" | sed -n 's/^\[[# ]*\] *\([0-9]*\)%  \([0-9]*\) particles of 1500 .*/\1 \2/p')
    DLA_GROW_PROGRESS_AFTER_MS=0 script -qefc "$(printf '%q ' "$GROW" -m offlattice -s 600x600 -r 1 -o bar.png)" \
        /dev/null </dev/null >"$OUT" 2>"$ERR"
    tr '\r' '\n' <"$OUT" | grep -q '^\[[# ]*\] *[0-9]*%  [0-9]* particles  radius [0-9.]* -> 300.0  ' ||
        fail "progress bar to the edge: none drawn: $(head -c 300 "$OUT" | cat -v)"
fi

# Bad input: one line, status 2, nothing written.
rm -rf -- ./* ./.[!.]*
refusals=(
    "--points must be a whole number from 1 to 2147483646 for the offlattice mode, not '0'|-m offlattice -n 0"
    "not '-4'|-m offlattice -n -4"
    "not '2147483647'|-m offlattice -n 2147483647"
    "--scale must be a number of pixels per particle diameter from 0.01 to 1000, not '0'|-m offlattice --scale 0"
    "not 'abc'|-m offlattice --scale abc"
    "not '1e4'|-m offlattice --scale 1e4"
    "not '0x10'|-m offlattice --scale 0x10"
    "not '1001'|-m offlattice --scale 1001"
    "not 'inf'|-m offlattice --scale inf"
    "not '+2'|-m offlattice --scale +2"
    "1000 x 1000 pixels at --scale 400 is 2.5 particle diameters across, too small for the first particles|-m offlattice --scale 400"
    "too small for the first particles|-m offlattice -n 10 -s 29x100 --scale 10"
    "need a picture of up to|-m offlattice -n 100000000 --scale 20"
    "could need more than 2147483646 particles|-m offlattice -s 1000000x1000000"
    "too large to be saved as a BMP file|-m offlattice -n 10 -s 40000x40000 -o big.bmp"
    "--scale is not an option of the snowflake mode|-m snowflake --scale 2"
    "--scale is not an option of the plant mode|--scale 1"
    "--aggregate grows nothing and takes no --scale|--aggregate x.jsonl --scale 2"
)
for refusal in "${refusals[@]}"; do
    message=${refusal%%|*}
    read -ra arguments <<<"${refusal#*|}"
    grow "${arguments[@]}"
    expect_status "${arguments[*]}" 2
    expect_one_error_line "${arguments[*]}" "$message"
    expect_nothing_written "${arguments[*]}"
done
# A file that cannot be written is refused before the run: status 1, the writer's message.
for target in "-o nowhere/c.png" "-o c.png --particles nowhere/c.csv"; do
    read -ra arguments <<<"$target"
    grow -m offlattice -n 100 "${arguments[@]}"
    expect_status "$target" 1
    expect_one_error_line "$target" "Cannot create file nowhere/c."
    expect_nothing_written "$target"
done
# More particles than the memory holds is refused before the run, alone or in an ensemble.
for runs in "" "--runs 2"; do
    # shellcheck disable=SC2086 # no word, or --runs and its count
    (ulimit -v 400000 && "$GROW" -m offlattice -n 20000000 $runs -o huge.png >"$OUT" 2>"$ERR")
    status=$?
    expect_status "20000000 particles in 400 MB $runs" 2
    expect_one_error_line "20000000 particles in 400 MB $runs" "Not enough memory for an off-lattice cluster of 20000000 particles"
    expect_nothing_written "20000000 particles in 400 MB $runs"
done

finish
