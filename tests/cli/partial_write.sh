#!/bin/bash
# One of a run's two outputs cannot be written (a file-size limit that one file passes and the
# other does not): exit status 1 and one message naming the failed file, the other file written
# whole, the failed file's old content kept, no temporary file left; a written picture has its
# summary, also in an ensemble.
source "$(dirname "$0")/common.sh" "$@"

# limited BLOCKS ARGS...: dla-grow under `ulimit -f BLOCKS` (1024 bytes each).
limited()
{
    local blocks=$1
    shift
    (ulimit -f "$blocks" && exec "$GROW" -q "$@") >"$OUT" 2>"$ERR"
    status=$?
}

# told_and_clean WHAT MESSAGE: the failure told in one line, no temporary file left.
told_and_clean()
{
    expect_status "$1" 1
    expect_one_error_line "$1" "$2"
    left=$(find . -name '.dla-save-*')
    [ -z "$left" ] || fail "$1: temporary files left: $left"
}

# The particle list (1.2 MB) passes no 200 KiB limit; the PNG picture (78 kB) does.
"$GROW" -q -m snowflake -s 1000x1000 -r 7 -o whole.png >/dev/null || fail "the reference picture was not grown"
echo old >list.csv
limited 200 -m snowflake -s 1000x1000 -r 7 -o pic.png --particles list.csv
told_and_clean "the list too large" "Stream write error writing list.csv"
cmp -s pic.png whole.png || fail "the list too large: the picture is not that of the run"
[ "$(cat list.csv)" = old ] || fail "the list too large: the old particle list was not kept"
grep -q 'seed 7: .*, written to pic.png$' "$OUT" || fail "the list too large: no summary of the picture: $(cat "$OUT")"
rm -f pic.png

# In an ensemble each run says what it wrote: both pictures summed up, both lists told.
limited 200 -m snowflake -s 1000x1000 -r 7 --runs 2 --json -o 'pic-{seed}.png' --particles 'list-{seed}.csv'
expect_status "an ensemble's lists too large" 1
[ "$(grep -c 'Stream write error writing list-[78].csv$' "$ERR")" = 2 ] ||
    fail "an ensemble's lists too large: stderr is $(cat "$ERR")"
cmp -s pic-7.png whole.png || fail "an ensemble's lists too large: the picture of seed 7 is not that of the run"
[ "$(grep -c '"output":"pic-[78].png","particle_list":null}$' "$OUT")" = 2 ] && tail -n 1 "$OUT" | grep -q '^{"runs":2,' ||
    fail "an ensemble's lists too large: summaries $(cat "$OUT")"
rm -f pic-*.png list.csv whole.png

# The coloured PNG picture (12 kB) passes no 8 KiB limit; the particle list (1.5 kB) does.
"$GROW" -q -m snowflake -s 2000x2000 -r 7 -n 100 --colour age -o unused.png --particles whole.csv >/dev/null ||
    fail "the reference list was not grown"
echo old >pic.png
limited 8 -m snowflake -s 2000x2000 -r 7 -n 100 --colour age -o pic.png --particles list.csv
told_and_clean "the picture too large" "Stream write error writing pic.png; the particle list list.csv is written"
[ -s "$OUT" ] && fail "the picture too large: a summary was printed: $(cat "$OUT")"
cmp -s list.csv whole.csv || fail "the picture too large: the particle list is not that of the run"
[ "$(cat pic.png)" = old ] || fail "the picture too large: the old picture was not kept"
rm -f pic.png list.csv whole.csv unused.png

finish
