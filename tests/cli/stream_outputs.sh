#!/bin/bash
# Names that lead to a stream rather than a file (a descriptor of dla-grow itself, a character
# device, a FIFO) are written through as they stand: the file behind a descriptor takes the bytes
# where it stands and keeps what it held, /dev/null takes a picture and nothing appears on disk,
# a FIFO's reader gets the whole file. What cannot take the bytes is refused before the run.
source "$(dirname "$0")/common.sh" "$@"

SMALL=(-q -s 60x60 -r 1)

# One file's lines, for comparing a list written through a stream with one written as a file.
"$GROW" -m snowflake "${SMALL[@]}" -o ref.bmp --particles ref.csv >/dev/null || fail "no reference run"

# expect_log WHAT LOG LIST: LOG still starts with its old line, then holds the particle list LIST
# whole, and LOG is still the file it was (its inode kept: nothing renamed over it).
expect_log()
{
    local what=$1 log=$2 list=$3 inode=$4
    [ "$(head -n 1 "$log")" = "the old log" ] || fail "$what: the log lost its first line: $(head -c 200 "$log")"
    grep -qxF -f "$list" "$log" && [ "$(grep -cxF -f "$list" "$log")" -eq "$(wc -l <"$list")" ] ||
        fail "$what: the log does not hold the particle list whole"
    [ "$(stat -c %i "$log")" = "$inode" ] || fail "$what: the log was replaced by another file"
}

for mode in plant snowflake offlattice; do
    "$GROW" -m "$mode" "${SMALL[@]}" -o "$mode.bmp" --particles "$mode.csv" >/dev/null || fail "$mode: no reference run"
    for runs in "" "--runs 1"; do
        # The list on standard output, appended to a log; the summary follows it there.
        echo "the old log" >out.log
        inode=$(stat -c %i out.log)
        # shellcheck disable=SC2086
        "$GROW" -m "$mode" "${SMALL[@]}" $runs -o p.bmp --particles /dev/stdout >>out.log 2>"$ERR"
        status=$?
        expect_status "$mode $runs: list to /dev/stdout" 0
        expect_log "$mode $runs: list to /dev/stdout" out.log "$mode.csv" "$inode"
        tail -n 1 out.log | grep -q 'particles to /dev/stdout$' ||
            fail "$mode $runs: list to /dev/stdout: the summary is not the log's last line"
        # The list on standard error, appended to a log.
        echo "the old log" >err.log
        inode=$(stat -c %i err.log)
        # shellcheck disable=SC2086
        "$GROW" -m "$mode" "${SMALL[@]}" $runs -o p.bmp --particles /dev/stderr >"$OUT" 2>>err.log
        status=$?
        expect_status "$mode $runs: list to /dev/stderr" 0
        expect_log "$mode $runs: list to /dev/stderr" err.log "$mode.csv" "$inode"
        # The picture through a descriptor the shell opened: it lands after what the file held.
        echo "the old log" >pic.log
        # shellcheck disable=SC2086
        "$GROW" -m "$mode" "${SMALL[@]}" $runs -o /proc/self/fd/3 3>>pic.log >"$OUT" 2>"$ERR"
        status=$?
        expect_status "$mode $runs: picture to /proc/self/fd/3" 0
        cmp -s <(tail -c +13 pic.log) "$mode.bmp" ||
            fail "$mode $runs: picture to /proc/self/fd/3: the log does not hold the old line and then the picture"
        [ -z "$(ls -A | grep -v -e '\.bmp$' -e '\.csv$' -e '\.log$')" ] ||
            fail "$mode $runs: files left behind: $(ls -A)"
        rm -f p.bmp
    done
done
rm -f ./*.log

# /dev/null takes the picture as named: no "/dev/null.bmp", nothing written anywhere.
null_bmp_before=$([ -e /dev/null.bmp ] && echo yes)
grow -m snowflake "${SMALL[@]}" -o /dev/null --particles /dev/fd/1
expect_status "picture to /dev/null" 0
grep -q 'written to /dev/null, particles to /dev/fd/1$' "$OUT" || fail "picture to /dev/null: summary $(tail -n 1 "$OUT")"
[ -c /dev/null ] || fail "picture to /dev/null: /dev/null is no longer a device"
[ -n "$null_bmp_before" ] || [ ! -e /dev/null.bmp ] || fail "picture to /dev/null: /dev/null.bmp was written"
[ "$(ls -A | tr '\n' ' ')" = "offlattice.bmp offlattice.csv plant.bmp plant.csv ref.bmp ref.csv snowflake.bmp snowflake.csv " ] ||
    fail "picture to /dev/null: files written: $(ls -A)"
grow -m offlattice "${SMALL[@]}" --runs 1 -o /dev/null
expect_status "off-lattice picture to /dev/null" 0

# A FIFO with a reader gets the whole picture and the whole list. The test holds the FIFOs open
# for reading and writing itself, so dla-grow finds a reader whenever it opens them; the readers
# see their end once dla-grow and the test have both closed them.
mkfifo picture.fifo list.fifo
# The readers' ends are opened here, before dla-grow starts: a reader that opened its FIFO
# itself in the background could, on a busy machine, get there only after dla-grow and the
# test had closed theirs, and then wait for a writer forever.
exec 5<>picture.fifo 6<>list.fifo 7<picture.fifo 8<list.fifo
cat <&7 >from-fifo.bmp 5>&- 6>&- 7<&- 8<&- &
picture_reader=$!
cat <&8 >from-fifo.csv 5>&- 6>&- 7<&- 8<&- &
list_reader=$!
exec 7<&- 8<&-
grow -m snowflake "${SMALL[@]}" -o picture.fifo --particles list.fifo
exec 5>&- 6>&-
wait "$picture_reader" "$list_reader"
expect_status "FIFOs with readers" 0
cmp -s from-fifo.bmp ref.bmp || fail "FIFOs with readers: the picture read is not the picture"
cmp -s from-fifo.csv ref.csv || fail "FIFOs with readers: the list read is not the list"
[ -p picture.fifo ] && [ -p list.fifo ] || fail "FIFOs with readers: a FIFO was replaced"
grep -q 'written to picture.fifo, particles to list.fifo$' "$OUT" || fail "FIFOs with readers: summary $(cat "$OUT")"

# Several runs of an ensemble cannot share one stream: refused before anything grows, and no
# file named after a seed appears beside it.
mkfifo shared.fifo
grow -m snowflake "${SMALL[@]}" --runs 2 -o shared.fifo
expect_status "two runs into one FIFO" 2
expect_one_error_line "two runs into one FIFO" "the picture of seed 1 and the picture of seed 2 are the same file, shared.fifo"
"$GROW" -m snowflake "${SMALL[@]}" --runs 2 -o 'p-{seed}.bmp' --particles /dev/fd/3 3>shared.log >"$OUT" 2>"$ERR"
status=$?
expect_status "two runs' lists to one descriptor" 2
[ ! -s shared.log ] || fail "two runs' lists to one descriptor: something was written"
rm shared.log
[ -z "$(ls -A | grep -e '^shared' -e '^p-' | grep -vx shared.fifo)" ] || fail "a shared stream: files beside it: $(ls -A)"
rm shared.fifo

# Refused before the run with one line: a FIFO nobody reads, a descriptor open for reading
# only, a descriptor that is not open. Each run would take hours.
LONG_RUN=(-m snowflake -s 2000x2000 -n 2147483647 -r 1 -o long.png)
for target in list.fifo /dev/stdin /proc/self/fd/9 /dev/fd/9; do
    timeout 120 "$GROW" "${LONG_RUN[@]}" --particles "$target" </dev/null >"$OUT" 2>"$ERR"
    status=$?
    [ "$status" -eq 124 ] && fail "$target: the run started instead of being refused"
    expect_status "list to $target" 1
    expect_one_error_line "list to $target" "Cannot create file $target"
done
[ ! -e long.png ] || fail "a refused run wrote its picture"

finish
