#!/bin/bash
# The progress bar: drawn on a terminal once a run has lasted a while, then taken away before
# the summary; never with --quiet, never when stderr is not a terminal. `script` gives dla-grow
# a pseudo-terminal. The delay before the first bar is lowered to nothing where a bar is wanted
# and raised to a day where none is, so the test does not depend on how long a run takes on
# this machine.
source "$(dirname "$0")/common.sh" "$@"

if ! command -v script >/dev/null || ! script -qec true /dev/null </dev/null >/dev/null 2>&1; then
    echo "no pseudo-terminal to be had (script from util-linux missing or failing): skipped"
    exit 77
fi
LONG_RUN=(-m snowflake -s 400x400 -r 7 -o flake)
export DLA_GROW_PROGRESS_AFTER_MS=0

# on_terminal ARGS...: runs dla-grow on a pseudo-terminal; what the terminal showed in $OUT.
on_terminal()
{
    script -qefc "$(printf '%q ' "$GROW" "$@")" /dev/null </dev/null >"$OUT" 2>"$ERR"
    status=$?
}

on_terminal "${LONG_RUN[@]}"
expect_status "terminal" 0
grep -q $'\r\\[#* *\\] *[0-9]*%  [0-9]* wanderers  snowRadius [0-9]* -> 199' "$OUT" ||
    fail "terminal: no progress bar drawn: $(head -c 300 "$OUT" | cat -v)"
# The bar is erased (carriage return, erase to end of line) and the summary stands alone.
grep -q $'\r\e\\[Ksnowflake 400x400, seed 7: ' "$OUT" ||
    fail "terminal: summary does not follow an erased bar: $(tail -c 300 "$OUT" | cat -v)"
rm flake.bmp

on_terminal -q "${LONG_RUN[@]}"
expect_status "terminal, --quiet" 0
grep -q 'wanderers  snowRadius' "$OUT" && fail "--quiet: a progress bar was drawn: $(head -c 300 "$OUT" | cat -v)"
grep -q '^snowflake 400x400, seed 7: ' "$OUT" || fail "--quiet: no summary: $(cat -v "$OUT")"
rm flake.bmp

grow "${LONG_RUN[@]}"
expect_status "not a terminal" 0
[ -s "$ERR" ] && fail "not a terminal: stderr is not empty: $(head -c 300 "$ERR" | cat -v)"
rm flake.bmp

# A plant run with a number of points tells its progress at wanderers 1, 31, 61, ...: every bar
# shows such a count, and the first (drawn at once) shows the first wanderer from the strip.
on_terminal -m plant -s 1000x400 -n 20000 -r 3 -o plant
expect_status "plant bars" 0
bars=$(tr '\r' '\n' <"$OUT" | grep -o '^\[[# ]*\] *[0-9]*%  [0-9]* wanderers  plantTop [0-9]* -> [0-9]*')
[ "$(head -n 1 <<<"$bars" | sed 's/^.*\] *//')" = "0%  1 wanderers  plantTop 395 -> 1" ] ||
    fail "plant bars: the first bar is not that of the first wanderer: $(head -n 1 <<<"$bars")"
while read -r count; do
    [ $((count % 30)) -eq 1 ] || fail "plant bars: $count wanderers is no message point (1, 31, 61, ...)"
done < <(grep -o '[0-9]* wanderers' <<<"$bars" | cut -d' ' -f1)
rm plant.bmp

# A run on a terminal that ends before the delay has passed draws no bar. The delay is a day,
# so that no run on any machine reaches it.
DLA_GROW_PROGRESS_AFTER_MS=86400000 on_terminal -n 10 -r 1
expect_status "short run" 0
grep -q 'wanderers  plantTop' "$OUT" && fail "short run: a progress bar was drawn: $(cat -v "$OUT")"
grep -q '^plant 150x300, seed 1: ' "$OUT" || fail "short run: no summary: $(cat -v "$OUT")"
rm plant.bmp

finish
