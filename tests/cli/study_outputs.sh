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
# check_parents WHAT FILE WIDTH HEIGHT MODE: every parent is the owner of the first white pixel
# of the touch test, in the order the README gives (right, left, below, above, below right,
# below left, above right, above left; side neighbours through the plant's joined columns:
# column 0 reads column w - 1, column w reads column 1), -1 for the starting cluster.
check_parents()
{
    local mismatch
    mismatch=$(awk -F, -v w="$3" -v h="$4" -v mode="$5" '
        function white(x, y) { return x >= 0 && y >= 0 && x < w && y < h && ((x, y) in owner) }
        function halfEven(v,  f) { f = int(v); if (v - f != 0.5) return int(v + 0.5); return f % 2 == 0 ? f : f + 1 }
        function column(x) { if (mode != "plant") return x; if (x == 0) return w - 1; if (x == w) return 1; return x }
        BEGIN {
            split("1 -1 0 0 1 -1 1 -1", dx, " "); split("0 0 1 -1 1 1 -1 -1", dy, " ")
            if (mode == "plant") { for (x = 0; x < w; ++x) for (y = h - 5; y < h; ++y) owner[x, y] = -1 }
            else owner[halfEven(w / 2), halfEven(h / 2)] = -1
        }
        NR > 1 {
            expected = "none"
            for (k = 1; k <= 8; ++k) {
                nx = dx[k] == 0 ? $2 : column($2 + dx[k]); ny = $3 + dy[k]
                if (white(nx, ny)) { expected = owner[nx, ny]; break }
            }
            if (expected != $4) { print "row " $1 " at " $2 "," $3 ": parent " $4 ", expected " expected; exit }
            if ($2 >= 0 && $3 >= 0 && $2 < w && $3 < h && !(($2, $3) in owner)) owner[$2, $3] = $1
        }' "$2")
    [ -z "$mismatch" ] || fail "$1: $mismatch"
}

# gyration_of FILE WIDTH HEIGHT: the radius of gyration of the rows inside the picture.
gyration_of()
{
    awk -F, -v w="$2" -v h="$3" 'NR > 1 && $2 >= 0 && $3 >= 0 && $2 < w && $3 < h {
            n++; sx += $2; sy += $3; sxx += $2 * $2; syy += $3 * $3 }
        END { printf "%.6f", sqrt((sxx + syy) / n - (sx / n) ^ 2 - (sy / n) ^ 2) }' "$1"
}

check_parents "snowflake parents" flake.csv 400 400 snowflake
[ "$(gyration_of flake.csv 400 400)" = "$(printf '%.6f' "$(json_number gyration_radius)")" ] ||
    fail "gyration radius: $(json_number gyration_radius) in the summary, $(gyration_of flake.csv 400 400) from the list"
# Colour by age: the first wanderer's pixel is darker than the last one's (dark violet to yellow).
inside_rows=$(awk -F, 'NR > 1 && $2 >= 0 && $3 >= 0 && $2 < 400 && $3 < 400 { print $2 "," $3 }' flake.csv)
lightness() { convert flake.png -format "%[fx:int(1000 * p{$1}.intensity)]" info:; }
first_light=$(lightness "$(head -n 1 <<<"$inside_rows")")
last_light=$(lightness "$(tail -n 1 <<<"$inside_rows")")
[ "$first_light" -lt "$last_light" ] ||
    fail "age picture: the first wanderer is not darker than the last ($first_light against $last_light)"
grep -q '"output":"flake.png","particle_list":"flake.csv"}$' "$OUT" || fail "summary does not name the particle list: $(cat "$OUT")"
for key in gyration_radius dimension; do
    grep -q "\"$key\":[0-9]" "$OUT" || fail "summary has no number under $key: $(cat "$OUT")"
done

# The white picture stays what it was, whether the particle list is written or not.
grow -n 300 -r 5 -o plain.bmp
grow -n 300 -r 5 -o white.bmp --colour white --particles white.csv
cmp -s plain.bmp white.bmp || fail "--colour white with --particles changed the picture"
# A plant on a narrow picture grows across its joined edges: parents through columns 1 and w - 1.
# Its later wanderers stick above the picture: they count neither as pixels nor in the radius.
grow -m plant -s 12x60 -n 400 -r 3 -o narrow.bmp --particles narrow.csv --json
check_parents "plant parents" narrow.csv 12 60 plant
above=$(awk -F, 'NR > 1 && $3 < 0' narrow.csv | wc -l)
[ "$above" -gt 0 ] || fail "narrow plant: no wanderer stuck above the picture, nothing to tell"
[ $((400 + 1 - above)) = "$(json_number pixels)" ] || fail "narrow plant: $(json_number pixels) pixels, $above of 401 above"
[ "$(gyration_of narrow.csv 12 60)" = "$(printf '%.6f' "$(json_number gyration_radius)")" ] ||
    fail "narrow plant: gyration radius $(json_number gyration_radius), $(gyration_of narrow.csv 12 60) from the list"
awk -F, 'NR > 1 && ($2 == 1 || $2 == 11) { n++ } END { exit n < 5 }' narrow.csv ||
    fail "plant parents: too few wanderers at the joined edges to tell"
# Coloured by age, the cluster covers exactly the white picture's white pixels.
grow -n 300 -r 5 -o age.bmp --color age
expect_status "--color age" 0
expect_bmp "--color age" age.bmp 150 300
cmp -s <(convert age.bmp -fill white +opaque black rgb:-) <(convert plain.bmp rgb:-) ||
    fail "the age picture's cluster differs from the white picture's"
cmp -s age.bmp plain.bmp && fail "the age picture is not coloured"
rm -f ./*.bmp ./*.csv ./*.png

finish
