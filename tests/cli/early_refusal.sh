#!/bin/bash
# A target that can never be written is refused before the run: exit status 1, the writer's
# message on one line, no summary, nothing written and every link as it was. Each run asks for
# more wanderers than could be grown in hours, so a run that started anyway ends in the timeout.
source "$(dirname "$0")/common.sh" "$@"

LONG_RUN=(-m snowflake -s 2000x2000 -n 2147483647)

# refused WHAT MESSAGE TARGET: dla-grow refuses TARGET before its run.
refused()
{
    timeout 120 "$GROW" "${LONG_RUN[@]}" -o "$3" >"$OUT" 2>"$ERR"
    status=$?
    [ "$status" -eq 124 ] && fail "$1: the run started instead of being refused"
    expect_status "$1" 1
    expect_one_error_line "$1" "$2"
    [ -s "$OUT" ] && fail "$1: a summary was printed: $(cat "$OUT")"
}

mkfifo pipe.bmp
refused "a FIFO" "Cannot create file pipe.bmp" pipe.bmp
ln -s pipe.bmp to-pipe.bmp
refused "a link to a FIFO" "Cannot create file to-pipe.bmp" to-pipe.bmp
[ -p pipe.bmp ] && [ "$(readlink to-pipe.bmp)" = pipe.bmp ] || fail "a link to a FIFO: the FIFO or its link changed"
rm pipe.bmp to-pipe.bmp

mkdir folder.bmp
ln -s folder.bmp to-folder.bmp
refused "a link to a folder" "Cannot create file to-folder.bmp" to-folder.bmp
rm to-folder.bmp
rmdir folder.bmp

# Links that never end at a file: each keeps its target.
ln -s self.bmp self.bmp
ln -s loop-b.bmp loop-a.bmp
ln -s loop-a.bmp loop-b.bmp
printf 'the real picture' >real.bmp
ln -s real.bmp chain0.bmp
for i in $(seq 1 40); do ln -s "chain$((i - 1)).bmp" "chain$i.bmp"; done
for link in self loop-a chain40; do
    refused "link $link" "Cannot create file $link.bmp" "$link.bmp"
done
[ "$(readlink self.bmp)" = self.bmp ] && [ "$(readlink loop-a.bmp)" = loop-b.bmp ] &&
    [ "$(readlink chain40.bmp)" = chain39.bmp ] || fail "links: a link changed"
[ "$(cat real.bmp)" = "the real picture" ] || fail "links: the file at the end of the chain changed"
[ "$(find . -name '.dla-save-*')" = "" ] || fail "links: temporary files left behind"
rm -- *.bmp

# An ensemble whose every file would go to a missing folder is refused once, before any run.
grow --runs 100 -n 1 -r 1 -o nodir/f.png
expect_status "--runs into a missing folder" 1
expect_one_error_line "--runs into a missing folder" "Cannot create file nodir/f-1.png"
expect_nothing_written "--runs into a missing folder"

long=$(printf 'x%.0s' $(seq 1 300))
refused "a name too long" "Cannot create file $long.bmp" "$long.bmp"
expect_nothing_written "a name too long"

finish
