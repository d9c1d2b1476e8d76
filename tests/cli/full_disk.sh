#!/bin/bash
# A file system without room for the new picture beside the old one: refused before the run
# (exit status 1, "Stream write error"), the old picture kept, nothing else written. Needs a
# small tmpfs of its own; exits 77 (skipped) where no mount namespace can be had.
source "$(dirname "$0")/common.sh" "$@"

if ! unshare --mount true 2>/dev/null; then
    echo "no mount namespace: skipped"
    exit 77
fi
mkdir small
# 512 KiB, 300 KiB of them taken by the old picture; a 300 x 300 picture takes 270054 bytes.
unshare --mount bash -c '
    mount -t tmpfs -o size=512k tmpfs small || exit 77
    head -c 307200 /dev/zero >small/old.bmp
    timeout 120 "$1" -m snowflake -n 2147483647 -o small/old.bmp >"$2" 2>"$3"
    echo $? >status
    timeout 120 "$1" -m snowflake -n 2147483647 -r 1 --runs 1 -o small/old.bmp 2>"$3.runs"
    echo $? >status.runs
    cmp -s small/old.bmp <(head -c 307200 /dev/zero) && echo kept >kept
    ls -A small >left
' refusal "$GROW" "$OUT" "$ERR"
[ -f status ] || exit 77
status=$(cat status)
[ "$status" -eq 124 ] && fail "full disk: the run started instead of being refused"
expect_status "full disk" 1
expect_one_error_line "full disk" "Stream write error writing small/old.bmp"
[ -s "$OUT" ] && fail "full disk: a summary was printed: $(cat "$OUT")"
status=$(cat status.runs)
ERR=$ERR.runs expect_status "full disk with --runs" 1
ERR=$ERR.runs expect_one_error_line "full disk with --runs" "seed 1: Stream write error writing small/old.bmp"
[ -f kept ] || fail "full disk: the old picture changed"
[ "$(cat left)" = old.bmp ] || fail "full disk: the file system holds $(cat left)"

# Two outputs on a 2 MB file system: the particle list (5 MB) cannot fit, and its temporary
# file is dropped before the picture (300 kB) is saved, so the picture is written; one message
# names the list.
"$GROW" -m snowflake -s 2000x2000 -r 7 -q -o whole.png >/dev/null || fail "two outputs: no reference picture"
mkdir full
unshare --mount bash -c '
    mount -t tmpfs -o size=2m tmpfs full || exit 77
    "$1" -m snowflake -s 2000x2000 -r 7 -q -o full/pic.png --particles full/p.csv >"$2" 2>"$3"
    echo $? >status
    cp full/pic.png pic.png 2>/dev/null
    ls -A full >left
' two "$GROW" "$OUT" "$ERR"
status=$(cat status)
expect_status "two outputs on a full disk" 1
expect_one_error_line "two outputs on a full disk" "Stream write error writing full/p.csv"
cmp -s pic.png whole.png || fail "two outputs on a full disk: the picture was not written whole"
[ "$(cat left)" = pic.png ] || fail "two outputs on a full disk: the file system holds $(cat left)"
grep -q 'written to full/pic.png$' "$OUT" || fail "two outputs on a full disk: no summary: $(cat "$OUT")"

finish
