#!/bin/bash
# A picture that cannot be written: exit status 1 and the writer's message on one line; an
# existing file keeps its content and no temporary file is left behind.
source "$(dirname "$0")/common.sh" "$@"

grow -n 10 -r 1 -o nowhere/tree
expect_status "missing folder" 1
expect_one_error_line "missing folder" "Cannot create file nowhere/tree.bmp"
expect_nothing_written "missing folder"

mkdir taken.bmp
grow -n 10 -r 1 -o taken
expect_status "a folder in the way" 1
expect_one_error_line "a folder in the way" "Cannot create file taken.bmp"
[ -d taken.bmp ] || fail "a folder in the way: taken.bmp is no longer a folder"
rmdir taken.bmp

# The file-size limit lets the writer create the file but not fill it (300 x 300 is 270054
# bytes; the limit is 20 KiB).
printf 'the old picture' >old.bmp
( ulimit -f 20 && exec "$GROW" -m snowflake -n 10 -r 1 -o old.bmp ) >"$OUT" 2>"$ERR"
status=$?
expect_status "write falls short" 1
expect_one_error_line "write falls short" "Stream write error writing old.bmp"
[ "$(cat old.bmp)" = "the old picture" ] || fail "write falls short: old.bmp lost its content"
[ "$(ls -A)" = old.bmp ] || fail "write falls short: files left behind: $(ls -A)"
# The same in an ensemble (told with the run's seed), and for an off-lattice picture.
( ulimit -f 20 && exec "$GROW" -m snowflake -n 10 -r 1 --runs 1 -o old.bmp ) >"$OUT" 2>"$ERR"
status=$?
expect_status "write falls short in an ensemble" 1
expect_one_error_line "write falls short in an ensemble" "seed 1: Stream write error writing old.bmp"
( ulimit -f 20 && exec "$GROW" -m offlattice -n 1000 -s 1000x1000 -r 1 -o p.bmp --particles ok.csv ) >"$OUT" 2>"$ERR"
status=$?
expect_status "off-lattice picture too large" 1
expect_one_error_line "off-lattice picture too large" "Stream write error writing p.bmp"
[ "$(cat old.bmp)" = "the old picture" ] || fail "write falls short in an ensemble: old.bmp lost its content"
[ "$(ls -A)" = old.bmp ] || fail "write falls short in an ensemble: files left behind: $(ls -A)"
rm old.bmp

# The particle list's file is made before the run: a missing folder stops it before anything
# is grown or written.
grow -n 10 -r 1 -o tree.png --particles nowhere/tree.csv
expect_status "particles in a missing folder" 1
expect_one_error_line "particles in a missing folder" "Cannot create file nowhere/tree.csv"
expect_nothing_written "particles in a missing folder"

# A particle list that falls short keeps the old list; the picture is still written.
printf 'the old list' >old.csv
( ulimit -f 20 && exec "$GROW" -m snowflake -r 1 -o flake.png --particles old.csv ) >"$OUT" 2>"$ERR"
status=$?
expect_status "particle list falls short" 1
expect_one_error_line "particle list falls short" "Stream write error"
[ "$(cat old.csv)" = "the old list" ] || fail "particle list falls short: old.csv lost its content"
[ "$(identify -format '%m' flake.png 2>&1)" = PNG ] || fail "particle list falls short: no picture"
[ "$(ls -A | tr '\n' ' ')" = "flake.png old.csv " ] || fail "particle list falls short: files left: $(ls -A)"
rm old.csv flake.png

# A folder without write permission (root may write anywhere, so only as another user).
if [ "$(id -u)" -ne 0 ]; then
    mkdir locked && chmod 555 locked
    grow -n 10 -r 1 -o locked/tree.bmp
    expect_status "read-only folder" 1
    expect_one_error_line "read-only folder" "Cannot create file locked/tree.bmp"
    [ -z "$(ls -A locked)" ] || fail "read-only folder: something was written"
    chmod 755 locked && rmdir locked
fi

finish
