#!/bin/bash
# One of a run's two outputs cannot be written (a file-size limit that one file passes and the
# other does not): exit status 1 and the message, the other file written whole, the failed
# file's old content kept, no temporary file left, no summary.
source "$(dirname "$0")/common.sh" "$@"

# limited BLOCKS ARGS...: dla-grow under `ulimit -f BLOCKS` (1024 bytes each).
limited()
{
    local blocks=$1
    shift
    (ulimit -f "$blocks" && exec "$GROW" -q "$@") >"$OUT" 2>"$ERR"
    status=$?
}

# kept WHAT: one run's failure told, no summary, no temporary file left.
told_and_clean()
{
    expect_status "$1" 1
    expect_one_error_line "$1" "Stream write error"
    [ -s "$OUT" ] && fail "$1: a summary was printed: $(cat "$OUT")"
    left=$(find . -name '.dla-save-*')
    [ -z "$left" ] || fail "$1: temporary files left: $left"
}

# The particle list (1.2 MB) passes no 200 KiB limit; the PNG picture (78 kB) does.
"$GROW" -q -m snowflake -s 1000x1000 -r 7 -o whole.png >/dev/null || fail "the reference picture was not grown"
echo old >list.csv
limited 200 -m snowflake -s 1000x1000 -r 7 -o pic.png --particles list.csv
told_and_clean "the list too large"
cmp -s pic.png whole.png || fail "the list too large: the picture is not that of the run"
[ "$(cat list.csv)" = old ] || fail "the list too large: the old particle list was not kept"
rm -f pic.png list.csv whole.png

# The coloured PNG picture (12 kB) passes no 8 KiB limit; the particle list (1.5 kB) does.
"$GROW" -q -m snowflake -s 2000x2000 -r 7 -n 100 --colour age -o unused.png --particles whole.csv >/dev/null ||
    fail "the reference list was not grown"
echo old >pic.png
limited 8 -m snowflake -s 2000x2000 -r 7 -n 100 --colour age -o pic.png --particles list.csv
told_and_clean "the picture too large"
cmp -s list.csv whole.csv || fail "the picture too large: the particle list is not that of the run"
[ "$(cat pic.png)" = old ] || fail "the picture too large: the old picture was not kept"
rm -f pic.png list.csv whole.csv unused.png

finish
