#!/bin/bash
# Pictures and data for studies: a PNG coloured by age with its particle list and summary, the
# white picture untouched by the new options, and the age picture's cluster the same shape.
source "$(dirname "$0")/common.sh" "$@"

# json_number KEY: the value of KEY in the JSON summary on stdout.
json_number()
{
    sed -n "s/.*\"$1\":\([^,}]*\).*/\1/p" "$OUT"
}

grow -m snowflake -s 400x400 -r 7 --colour age -o flake.png --particles flake.csv --json
expect_status "age picture with particles" 0
described=$(identify -format '%m %w %h %z %[png:IHDR.color-type-orig]' flake.png 2>&1)
[ "$described" = "PNG 400 400 8 2" ] || fail "age picture: identify says '$described'"
[ "$(convert flake.png -unique-colors -format '%w' info:)" -gt 100 ] || fail "age picture: too few colours"
wanderers=$(json_number wanderers)
pixels=$(json_number pixels)
[ "$(head -n 1 flake.csv)" = "index,x,y,parent" ] || fail "particles: header is '$(head -n 1 flake.csv)'"
rows=$(($(wc -l <flake.csv) - 1))
[ "$rows" = "$wanderers" ] || fail "particles: $rows rows for $wanderers wanderers"
inside=$(awk -F, 'NR > 1 && $2 >= 0 && $2 < 400 && $3 >= 0 && $3 < 400' flake.csv | wc -l)
[ "$inside" = "$pixels" ] || fail "particles: $inside rows inside the picture, $pixels pixels in the summary"
awk -F, 'NR > 1 && ($1 != NR - 2 || $4 >= $1 || $4 < -1) { bad = 1 } END { exit bad }' flake.csv ||
    fail "particles: an index out of order or a parent not earlier than its child"
for key in gyration_radius dimension; do
    grep -q "\"$key\":[0-9]" "$OUT" || fail "summary has no number under $key: $(cat "$OUT")"
done

# The white picture stays what it was, whether the particle list is written or not.
grow -n 300 -r 5 -o plain.bmp
grow -n 300 -r 5 -o white.bmp --colour white --particles white.csv
cmp -s plain.bmp white.bmp || fail "--colour white with --particles changed the picture"
# Coloured by age, the cluster covers exactly the white picture's white pixels.
grow -n 300 -r 5 -o age.bmp --color age
expect_status "--color age" 0
expect_bmp "--color age" age.bmp 150 300
cmp -s <(convert age.bmp -fill white +opaque black rgb:-) <(convert plain.bmp rgb:-) ||
    fail "the age picture's cluster differs from the white picture's"
cmp -s age.bmp plain.bmp && fail "the age picture is not coloured"
rm -f ./*.bmp ./*.csv ./*.png

finish
