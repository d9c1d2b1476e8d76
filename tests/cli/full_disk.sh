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
    cmp -s small/old.bmp <(head -c 307200 /dev/zero) && echo kept >kept
    ls -A small >left
' refusal "$GROW" "$OUT" "$ERR"
[ -f status ] || exit 77
status=$(cat status)
[ "$status" -eq 124 ] && fail "full disk: the run started instead of being refused"
expect_status "full disk" 1
expect_one_error_line "full disk" "Stream write error"
[ -s "$OUT" ] && fail "full disk: a summary was printed: $(cat "$OUT")"
[ -f kept ] || fail "full disk: the old picture changed"
[ "$(cat left)" = old.bmp ] || fail "full disk: the file system holds $(cat left)"

finish
