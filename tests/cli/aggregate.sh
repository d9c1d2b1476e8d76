#!/bin/bash
# --aggregate: run summaries from several files (and standard input) summed up; a line that is
# not a summary is named by file and line, with exit status 2 and no aggregate.
source "$(dirname "$0")/common.sh" "$@"

# summary SEED WANDERERS DIMENSION: one run's JSON summary.
summary()
{
    printf '{"mode":"snowflake","width":300,"height":300,"seed":%s,"wanderers":%s,"moves":1000,"marker":149,' "$1" "$2"
    printf '"seconds":0.25,"pixels":%s,"gyration_radius":10.5,"dimension":%s,"output":"f-%s.png"}\n' "$2" "$3" "$1"
}

{ summary 1 100 1.6; summary 2 200 null; } >first.jsonl
summary 3 300 1.8 >second.jsonl
grow --aggregate first.jsonl - --json <second.jsonl
expect_status "three runs" 0
# Wanderers 100, 200, 300: mean 200, sample deviation 100; a dimension in two runs.
grep -qx '{"runs":3,"wanderers":{"mean":200.0,"sd":100.0},.*"dimension":{"runs":2,"mean":1.7[0-9]*,.*"seconds":0.75}' "$OUT" ||
    fail "three runs: aggregate is '$(cat "$OUT")'"

{ summary 4 100 1.6; echo '{"mode":"snowflake","width":300'; } >cut.jsonl
grow --aggregate first.jsonl cut.jsonl
expect_status "a line cut short" 2
expect_one_error_line "a line cut short" "cut.jsonl:2: not JSON"
[ -s "$OUT" ] && fail "a line cut short: an aggregate was printed: $(cat "$OUT")"

grow --aggregate first.jsonl --runs 3
expect_status "with an option for growing" 2
expect_one_error_line "with an option for growing" "--aggregate grows nothing and takes no --runs"

grow --aggregate missing.jsonl
expect_status "a missing file" 2
expect_one_error_line "a missing file" "Cannot read missing.jsonl"

# A line longer than any summary is refused without being read whole: a 200 MB line under a
# 100 MB address-space limit is "too long", not the end of the process.
(
    ulimit -v 100000
    { summary 5 100 1.6; head -c 200000000 /dev/zero | tr '\0' ' '; echo; summary 6 200 null; } |
        "$GROW" --aggregate first.jsonl -
) >"$OUT" 2>"$ERR"
status=$?
expect_status "an over-long line" 2
expect_one_error_line "an over-long line" "-:2: too long"

# A stream without line breaks is not read to its end, which may never come.
timeout 120 "$GROW" --aggregate /dev/zero >"$OUT" 2>"$ERR"
status=$?
expect_status "/dev/zero" 2
expect_one_error_line "/dev/zero" "/dev/zero:1: too long"

# Summaries of two engines are not summed up together, nor one that names no engine (written
# before summaries named theirs) with one that does.
{ summary 20 100 1.6; summary 21 100 1.6; } | sed 's/"mode":"snowflake",/&"engine":"snowflake-1",/; s/,"output"/,"particles":null,"jumps":null&/' >named.jsonl
sed '2s/snowflake-1/snowflake-0/' named.jsonl >two-engines.jsonl
grow --aggregate two-engines.jsonl
expect_status "two engines" 2
expect_one_error_line "two engines" "two-engines.jsonl:2: a run of engine snowflake-0 among runs of engine snowflake-1"
grow --aggregate named.jsonl second.jsonl
expect_status "an engine and none" 2
expect_one_error_line "an engine and none" "second.jsonl:1: a run written before summaries named their engine"
grow --aggregate named.jsonl --seeds 20-21
expect_status "one engine" 0

# Impossible summaries: each refused with its line and reason, nothing summed up.
good=$(summary 9 100 1.6)
impossible=(
    'a negative gyration radius|"gyration_radius":10.5|"gyration_radius":-1|"gyration_radius" is not a number of 0 or more'
    'negative seconds|"seconds":0.25|"seconds":-0.5|"seconds" is not a number of 0 or more'
    'more pixels than wanderers|"pixels":100|"pixels":101|more "pixels" than "wanderers"'
    'an unknown mode|"mode":"snowflake"|"mode":"tree"|"mode" is not plant'
    'a width of 0|"width":300|"width":0|"width" and "height" are not whole numbers from 10 to 1000000'
    'a negative height|"height":300|"height":-7|"width" and "height" are not whole numbers from 10 to 1000000'
    'no dimension|,"dimension":1.6||no "dimension"'
    'a key twice|"seed":9,|"seed":9,"seed":10,|"seed" twice'
)
for entry in "${impossible[@]}"; do
    IFS='|' read -r what from to reason <<<"$entry"
    echo "${good/"$from"/$to}" >bad.jsonl
    grow --aggregate bad.jsonl
    expect_status "$what" 2
    expect_one_error_line "$what" "bad.jsonl:1: $reason"
    [ -s "$OUT" ] && fail "$what: an aggregate was printed: $(cat "$OUT")"
done

# A folder and a closed standard input are told with the reason.
mkdir folder
grow --aggregate folder
expect_status "a folder" 2
expect_one_error_line "a folder" "Cannot read folder: Is a directory"
"$GROW" --aggregate - <&- >"$OUT" 2>"$ERR"
status=$?
expect_status "a closed standard input" 2
expect_one_error_line "a closed standard input" "Cannot read -: standard input is closed"

# The same run twice (a file given twice, a rerun) is refused; --seeds names missing seeds.
grow --aggregate first.jsonl second.jsonl second.jsonl
expect_status "a run twice" 2
expect_one_error_line "a run twice" "second.jsonl:1: seed 3 of snowflake 300x300 already summed"
grow --aggregate first.jsonl second.jsonl --seeds 1-3
expect_status "every seed of --seeds" 0
{ summary 7 100 1.6; summary 5 100 1.6; } >gaps.jsonl
grow --aggregate first.jsonl gaps.jsonl --seeds 1-8
expect_status "seeds missing" 2
expect_one_error_line "seeds missing" "4 of the seeds 1-8 not summed: 3-4, 6, 8"
[ -s "$OUT" ] && fail "seeds missing: an aggregate was printed: $(cat "$OUT")"
# An option written where the files go is told as such, not read as a file.
grow --aggregate --seeds 1-3 first.jsonl second.jsonl
expect_status "--seeds before the files" 2
expect_one_error_line "--seeds before the files" "--aggregate takes its files first"
grow --aggregate first.jsonl gaps.jsonl --seeds 1-5
expect_status "a seed outside --seeds" 2
expect_one_error_line "a seed outside --seeds" "gaps.jsonl:1: seed 7 outside --seeds 1-5"

# Summed in seed order: the same runs in any order of files and lines give the same digits.
for seed in 3 1 4 5 9 2 6; do summary "$seed" "$((seed * 37 + 11))" "1.$seed"; done >mixed.jsonl
tac mixed.jsonl >reversed.jsonl
[ "$("$GROW" --aggregate mixed.jsonl --json)" = "$("$GROW" --aggregate reversed.jsonl --json)" ] ||
    fail "seed order: the aggregate depends on the order of the lines"

finish
