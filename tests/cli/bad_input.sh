#!/bin/bash
# Bad input: exit status 2, one clear line on stderr, nothing on stdout, nothing written.
source "$(dirname "$0")/common.sh" "$@"

# What the message must mention | the arguments (shell words)
cases=(
    "not expected|--foo"
    "not expected|extra-word"
    "not expected|-x"
    "--mode|-m tree"
    "--mode|--mode Plant"
    "--mode|-m"
    "--size|-s 9x300"
    "--size|-s 150x9"
    "--size|-s 1000001x300"
    "--size|-s 150x1000001"
    "--size|-s 99999999999999999999x10"
    "--size|-s 150x"
    "--size|-s x300"
    "--size|-s 150"
    "--size|-s 150x300x2"
    "--size|-s -150x300"
    "--size|-s +150x300"
    "--size|-s 150.5x300"
    "--size|-s '150 x300'"
    "--size|-s 150X300"
    "--size|-s ''"
    "--seed|-r -1"
    "--seed|-r 4294967296"
    "--seed|-r 12abc"
    "--seed|-r 0x10"
    "--seed|-r ' 5'"
    "--seed|-r ''"
    "--points|-n 2147483648"
    "--points|-n -2147483649"
    "--points|-n 1.5"
    "--points|-n ten"
    "--points|--points ''"
    "--output|-o ''"
    "--output|-o"
    "1000000 x 1000000|-s 1000000x1000000"
    "--size is given more than once|-s 150x300 -s 150x300"
    "--seed is given more than once|-r 1 --seed 2"
    "--output is given more than once|-o a.bmp -o b.bmp"
    "--size|-m snowflake -s 5x5 --json"
    "--colour|--colour pink"
    "--colour|--color ''"
    "--colour|--colour Age"
    "--particles|--particles ''"
    "the same file|-o tree.csv --particles tree.csv"
    "the same file|-o tree.bmp --particles ./tree.bmp"
    "the same file|-n 10 --runs 2 -o tree.bmp --particles 'tree-{seed}.bmp'"
    "--points must be a whole number from 1|-m offlattice3d -n 0"
    "too small for the first particles|-m offlattice3d -s 10x10 --scale 5"
    "--scale must be a number|-m offlattice3d --scale 0"
    "too large to be saved as a BMP file|-m offlattice3d -n 2000000000"
)

for entry in "${cases[@]}"; do
    mention=${entry%%|*}
    eval "args=(${entry#*|})"
    grow "${args[@]}"
    expect_status "dla-grow ${entry#*|}" 2
    expect_one_error_line "dla-grow ${entry#*|}" "$mention"
    [ -s "$OUT" ] && fail "dla-grow ${entry#*|}: printed on stdout: $(cat "$OUT")"
    expect_nothing_written "dla-grow ${entry#*|}"
done

# A link to a file not made yet leads the particle list to the picture's file: refused too,
# the link left as it was.
ln -s tree.bmp link.csv
grow -n 10 -o tree.bmp --particles link.csv
expect_status "particles through a link to the picture" 2
expect_one_error_line "particles through a link to the picture" "the same file"
[ "$(ls -A)" = link.csv ] && [ ! -e link.csv ] || fail "particles through a link to the picture: wrote $(ls -A)"
rm -f link.csv tree.bmp

# Whatever was typed, a message stays one line and no control character reaches the terminal:
# values are shown with their control characters escaped.
controls=(
    "--mode must be plant, snowflake, offlattice or offlattice3d, not 'tree\\nx'|-m $'tree\\nx'"
    "not '\\e[31mred'|-m $'\\e[31mred'"
    "not '1\\x01x2'|-s $'1\\x01x2'"
    "not expected: --fo\\no|$'--fo\\no'"
    "not '\\u009b31m'|-m $'\\xc2\\x9b31m'"
    "not 'a\\xffb'|-m $'a\\xffb'"
)
for entry in "${controls[@]}"; do
    IFS='|' read -r escaped words <<<"$entry"
    eval "args=($words)"
    grow "${args[@]}"
    expect_status "dla-grow $words" 2
    expect_one_error_line "dla-grow $words" "$escaped"
    LC_ALL=C grep -qE $'[\x01-\x09\x0b-\x1f\x7f]|\xc2[\x80-\x9f]' "$ERR" &&
        fail "dla-grow $words: a control character on stderr"
    expect_nothing_written "dla-grow $words"
done

# A size a BMP file could take but the memory cannot: under a 1 GB address-space limit a
# 30000 x 30000 picture (2.7 GB) must be refused with a message, not end the process.
( ulimit -v 1000000 && exec "$GROW" -s 30000x30000 ) >"$OUT" 2>"$ERR"
status=$?
expect_status "30000x30000 under ulimit -v" 2
expect_one_error_line "30000x30000 under ulimit -v" "Not enough memory for a picture of 30000 x 30000 pixels"
expect_nothing_written "30000x30000 under ulimit -v"

finish
