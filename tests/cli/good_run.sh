#!/bin/bash
# Good runs: the BMP written is read back by ImageMagick with the right size and 24-bit
# pixels, under the name the file-name rule gives; the summary is one line on stdout.
# Second argument: the version dla-grow must report.
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md # before common.sh leaves for the scratch folder
source "$(dirname "$0")/common.sh" "$@"
VERSION=$2

grow -n 200 -r 3
expect_status "plant defaults" 0
expect_bmp "plant defaults" plant.bmp 150 300
# A small run spans too few box sizes for a fractal dimension: the line says nothing of one.
grep -qx 'plant 150x300, seed 3: 201 wanderers, [0-9]* moves, plantTop [0-9]*, [0-9.]* s, [0-9]* pixels, gyration radius [0-9.]*, written to plant.bmp' "$OUT" ||
    fail "plant defaults: summary line is '$(cat "$OUT")'"
[ -s "$ERR" ] && fail "plant defaults: stderr is not empty: $(cat "$ERR")"
rm plant.bmp

grow --mode snowflake --points 50 --seed 3
expect_status "snowflake defaults" 0
expect_bmp "snowflake defaults" snowflake.bmp 300 300
grep -q '^snowflake 300x300, seed 3: 51 wanderers, .*snowRadius' "$OUT" || fail "snowflake defaults: summary is '$(cat "$OUT")'"
rm snowflake.bmp

# The run the README shows: a large flake grown to its limit.
grow --mode snowflake --size 1000x1000 --seed 7 --output flake
expect_status "1000x1000 flake" 0
expect_bmp "1000x1000 flake" flake.bmp 1000 1000
grep -q 'snowRadius 499, .*fractal dimension 1\.[0-9][0-9],' "$OUT" || fail "1000x1000 flake: summary is '$(cat "$OUT")'"
rm flake.bmp

# Odd and smallest sizes: rows padded to whole words, both sides at their lower bound.
grow -s 151x10 -n 5 -r 1 -o narrow
expect_status "151x10" 0
expect_bmp "151x10" narrow.bmp 151 10
rm narrow.bmp
grow -m snowflake -s 10x10 -r 1 -o small
expect_status "10x10 to the limit" 0
expect_bmp "10x10 to the limit" small.bmp 10 10
rm small.bmp

# The file-name rule: a name whose fourth character from the end is a full stop is kept.
grow -n 5 -r 1 -o picture.ico
expect_status "kept name" 0
expect_bmp "kept name" picture.ico 150 300
rm picture.ico
# A name ending in .png, in any case, is written as an 8-bit RGB PNG with the BMP's pixels.
grow -n 300 -r 1 -o picture.PNG
expect_status "png" 0
described=$(identify -format '%m %w %h %z %[png:IHDR.color-type-orig]' picture.PNG 2>&1)
[ "$described" = "PNG 150 300 8 2" ] || fail "png: identify says '$described', expected a 150 x 300 RGB PNG of 8 bits"
grow -n 300 -r 1 -o picture.bmp
cmp -s <(convert picture.PNG rgb:-) <(convert picture.bmp rgb:-) || fail "png: pixels differ from the BMP's"
rm picture.PNG picture.bmp
mkdir sub
grow -n 5 -r 1 -o sub/tree.v2
expect_status "name in a folder" 0
expect_bmp "name in a folder" sub/tree.v2.bmp 150 300
rm -r sub

# An existing file is replaced.
printf 'old' >plant.bmp
grow -n 5 -r 1
expect_status "replacing a file" 0
expect_bmp "replacing a file" plant.bmp 150 300
rm plant.bmp

grow --help
expect_status "--help" 0
for option in --mode --size --points --seed --output --colour --particles --json --quiet --version; do
    grep -q -- "$option" "$OUT" || fail "--help does not mention $option"
done
expect_nothing_written "--help"

grow --version
expect_status "--version" 0
[ "$(cat "$OUT")" = "dla-grow $VERSION" ] || fail "--version printed '$(cat "$OUT")', expected 'dla-grow $VERSION'"
expect_nothing_written "--version"

# Every key of the JSON summary is defined in --help and in the README.
"$GROW" -q -n 5 -r 1 -o keys.bmp --json >"$OUT" || fail "keys: the run failed"
"$GROW" --help >"$scratch/help"
for key in $(grep -o '"[a-z_]*":' "$OUT" | tr -d '":'); do
    grep -q "^  $key: " "$scratch/help" || fail "keys: --help does not define $key"
    grep -qE "^(- \`$key\`: |\| \`$key\` \|)" "$readme" || fail "keys: the README does not define $key"
done
rm -f keys.bmp

finish
