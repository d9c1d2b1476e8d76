#!/bin/bash
# What a run is asked for, as a user writes it: --no-picture writes only the other files and the
# summary (output null), alone and in an ensemble; a run without --seed draws an unrelated seed
# that grows it again; --scale in any plain floating-point spelling; --points and --jobs refused
# with the words of the mode and the option that apply.
# Arguments: dla-grow.
source "$(dirname "$0")/common.sh" "$@"

# timeless FILE: its lines with the run's seconds masked.
timeless()
{
    sed -E 's/"seconds":[0-9.e+-]+/"seconds":T/g; s/[0-9]+\.[0-9]+ s(,| in all)/T s\1/g' "$1"
}

# json_value KEY FILE [LINE]: the value under KEY in JSON line LINE (1 unless given) of FILE.
json_value()
{
    python3 -c 'import json, sys; print(json.dumps(json.loads(open(sys.argv[2]).readlines()[int(sys.argv[3]) - 1])[sys.argv[1]]))' \
        "$1" "$2" "${3:-1}"
}

# --- --no-picture: the particle list and the summary alone, the same as beside a picture. ---
for mode in "-m snowflake -s 100x100 -n 200" "-m plant -s 80x120 -n 150 --colour age" "-m offlattice -n 300"; do
    read -ra arguments <<<"$mode"
    mkdir with without
    (cd with && "$GROW" "${arguments[@]}" -r 3 -q -o pic.bmp --particles p.csv >line.txt) || fail "$mode: the run with a picture failed"
    (cd with && "$GROW" "${arguments[@]}" -r 3 -q -o pic.bmp --particles p.csv --json >json.txt) || fail "$mode: --json failed"
    grow "${arguments[@]}" -r 3 -q --no-picture --particles without/p.csv
    expect_status "$mode --no-picture" 0
    [ "$(ls without)" = p.csv ] || fail "$mode --no-picture: wrote $(ls without | tr '\n' ' ')instead of p.csv alone"
    cmp -s with/p.csv without/p.csv || fail "$mode --no-picture: the particle list differs from the run with a picture"
    expected=$(timeless with/line.txt | sed 's/, written to pic\.bmp//; s#particles to p\.csv#particles to without/p.csv#')
    [ "$(timeless "$OUT")" = "$expected" ] || fail "$mode --no-picture: summary '$(cat "$OUT")', expected '$expected'"
    grep -q 'written to' "$OUT" && fail "$mode --no-picture: the summary tells a picture: $(cat "$OUT")"
    grow "${arguments[@]}" -r 3 -q --no-picture --particles without/p.csv --json
    [ "$(json_value output "$OUT")" = null ] || fail "$mode --no-picture --json: output is $(json_value output "$OUT"), not null"
    expected=$(timeless with/json.txt | sed 's/"output":"pic.bmp"/"output":null/; s#"particle_list":"p.csv"#"particle_list":"without/p.csv"#')
    [ "$(timeless "$OUT")" = "$expected" ] || fail "$mode --no-picture --json: '$(cat "$OUT")', expected '$expected'"
    rm -rf with without
done

# Nothing asked for but the summary: no file at all, the figures still told.
grow -m plant -s 100x100 -n 50 -r 1 -q --no-picture
expect_status "--no-picture alone" 0
grep -q '^plant 100x100, seed 1: 51 wanderers, [0-9]* moves, .*gyration radius [0-9.]*$' "$OUT" ||
    fail "--no-picture alone: summary '$(cat "$OUT")'"
expect_nothing_written "--no-picture alone"

# A picture too large for a BMP file is no obstacle when no picture is written.
grow -m offlattice -n 10 -s 40000x40000 -r 1 -q --no-picture --json
expect_status "--no-picture, a size beyond a BMP" 0
[ "$(json_value width "$OUT")" = 40000 ] || fail "--no-picture, a size beyond a BMP: width $(json_value width "$OUT")"
expect_nothing_written "--no-picture, a size beyond a BMP"

# An ensemble: a list per seed, summaries with output null, an aggregate that --aggregate gives again.
grow -m snowflake -s 100x100 -n 100 --runs 3 -r 5 --jobs 2 -q --json --no-picture --particles 'p-{seed}.csv'
expect_status "--no-picture --runs 3" 0
[ "$(ls | tr '\n' ' ')" = "p-5.csv p-6.csv p-7.csv " ] || fail "--no-picture --runs 3: wrote $(ls | tr '\n' ' ')"
for line in 1 2 3; do
    [ "$(json_value output "$OUT" $line)" = null ] || fail "--no-picture --runs 3: summary $line has output $(json_value output "$OUT" $line)"
done
head -n 3 "$OUT" >runs.jsonl
tail -n 1 "$OUT" >ensemble-aggregate.txt
"$GROW" --aggregate runs.jsonl --json >aggregate.txt 2>"$ERR" || fail "--aggregate of --no-picture summaries: $(cat "$ERR")"
cmp -s ensemble-aggregate.txt aggregate.txt ||
    fail "--aggregate of --no-picture summaries: '$(cat aggregate.txt)', the ensemble said '$(cat ensemble-aggregate.txt)'"
rm -f ./*

# --- A run without --seed: a seed from the system's random source, told, that grows it again. ---
seeds=()
for run in 1 2 3 4; do
    grow -m snowflake -s 60x60 -n 20 -q --json -o "free-$run.bmp"
    expect_status "unseeded run $run" 0
    seeds+=("$(json_value seed "$OUT")")
    cp "$OUT" "free-$run.json"
done
[ "$(printf '%s\n' "${seeds[@]}" | sort -u | wc -l)" -eq 4 ] || fail "four unseeded runs share seeds: ${seeds[*]}"
# A seed from the time of day stays below 86400000; four drawn from 2^32 all do once in 10^7.
[ "$(printf '%s\n' "${seeds[@]}" | awk '$1 >= 86400000' | wc -l)" -gt 0 ] ||
    fail "four unseeded runs all have seeds below a day's milliseconds: ${seeds[*]}"
grow -m snowflake -s 60x60 -n 20 -q --json -r "${seeds[0]}" -o again.bmp
cmp -s free-1.bmp again.bmp || fail "the seed told, ${seeds[0]}, does not grow the same picture"
[ "$(timeless "$OUT" | sed 's/again.bmp/free-1.bmp/')" = "$(timeless free-1.json)" ] ||
    fail "the seed told, ${seeds[0]}, does not give the same summary: $(cat "$OUT")"
rm -f ./*

# --- --scale: any plain floating-point spelling of one number grows one picture. ---
for spelling in 2.5 25e-1 0.25E1 2.5e+0; do
    grow -m offlattice -n 200 -r 4 -q --scale "$spelling" -o "scale-$spelling.png"
    expect_status "--scale $spelling" 0
    cmp -s scale-2.5.png "scale-$spelling.png" || fail "--scale $spelling grows another picture than --scale 2.5"
done
grow -m offlattice -n 1 -s 3000x3000 -r 1 -q --scale 1e3 --no-picture --json
expect_status "--scale 1e3" 0
[ "$(json_value width "$OUT")" = 3000 ] || fail "--scale 1e3: $(cat "$OUT")"
rm -f ./*

# --- Refusals: one line, status 2, nothing written. ---
scale_words="--scale must be a number of pixels per particle diameter from 0.01 to 1000"
refusals=(
    "$scale_words, not '1e4'|-m offlattice --scale 1e4"
    "$scale_words, not '1e-3'|-m offlattice --scale 1e-3"
    "$scale_words, not '1e'|-m offlattice --scale 1e"
    "$scale_words, not 'e3'|-m offlattice --scale e3"
    "$scale_words, not '0x1p1'|-m offlattice --scale 0x1p1"
    "$scale_words, not '1,5'|-m offlattice --scale 1,5"
    "$scale_words, not 'nan'|-m offlattice --scale nan"
    "--points must be a whole number from 1 to 2147483646 for the offlattice mode, not '99999999999'|-m offlattice -n 99999999999"
    "--points must be a whole number from 1 to 2147483646 for the offlattice mode, not 'many'|-m offlattice -n many"
    "--points must be a whole number from -2147483648 to 2147483647, not '99999999999'|-m snowflake -n 99999999999"
    "--points must be a whole number from -2147483648 to 2147483647, not '2147483648'|-n 2147483648"
    "--jobs goes with --runs only|-m snowflake -s 60x60 -n 5 --jobs 2"
    "--no-picture writes no picture and takes no --output|--no-picture -o x.bmp"
    "--no-picture writes no picture and takes no --output|-m offlattice -n 5 -o x.png --no-picture --particles x.csv"
    "--aggregate grows nothing and takes no --no-picture|--aggregate x.jsonl --no-picture"
)
for refusal in "${refusals[@]}"; do
    message=${refusal%%|*}
    read -ra arguments <<<"${refusal#*|}"
    grow "${arguments[@]}"
    expect_status "${arguments[*]}" 2
    expect_one_error_line "${arguments[*]}" "$message"
    expect_nothing_written "${arguments[*]}"
done

finish
