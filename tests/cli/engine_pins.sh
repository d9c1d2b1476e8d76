#!/bin/bash
# The results of a few seeds of every mode, pinned with the engine version they belong to: the
# particle lists and pictures of the seeds, hashed together. A change to the program that alters
# any of them fails here until the mode's engine version changes with it (the summaries' "engine"
# says which engine grew a run, and a seed promises its cluster only within one engine).
source "$(dirname "$0")/common.sh" "$@"

# One line a mode: mode|its options|seeds|engine version|SHA-256 of the seeds' particle lists and
# pictures, in the order of the seeds. To update a pin after bumping the version, put the new
# version here and the hash this test prints for it. The runs in space are large enough for
# walkers to come from beyond the distance map's reach.
PINS='
plant|-s 60x90 -n 200|1 2 3|plant-1|75633ad7c8aa4a87c9915baec4bbba7aebf7c16ef07f1ea0a138de963511fadb
snowflake|-s 81x81|1 2 3|snowflake-1|5a9d55c3427312dff7870ee0d2b290b1df19d4b4609c71530c857f51600df8cd
offlattice|-n 300 --scale 2|1 2 3|offlattice-2|04d43cf121950833c14f24b0f49c9856a52789830dd3e2da1353b881a184c46c
offlattice3d|-n 3000 --scale 1|1 2 3|offlattice3d-5|9b2602ad66b268e4c9f4e18cbd9aa4cabaf94134e05fbe100a43951d6a54d682
'

# Every mode of --mode has its pin.
modes=$("$GROW" --help | sed -n 's/^ *-m,--mode MODE *\(.*\) (default: .*/\1/p' | sed 's/,/ /g; s/ or / /g')
[ -n "$modes" ] || fail "the modes could not be read from --help"
for mode in $modes; do
    grep -q "^$mode|" <<<"$PINS" || fail "the $mode mode has no pin: add one to the table"
done

while IFS='|' read -r mode options seeds engine pinned; do
    [ -n "$mode" ] || continue
    files=()
    for seed in $seeds; do
        # shellcheck disable=SC2086 # the table's options, a word each
        grow -m "$mode" $options -r "$seed" -q --json -o "$mode-$seed.bmp" --particles "$mode-$seed.csv"
        expect_status "$mode seed $seed" 0
        grown=$(sed -n 's/.*"engine":"\([^"]*\)".*/\1/p' "$OUT")
        [ "$grown" = "$engine" ] ||
            fail "$mode: the summary names engine '$grown', the pin is for '$engine': a new version needs its pin (engine and hash) updated"
        files+=("$mode-$seed.csv" "$mode-$seed.bmp")
    done
    # shellcheck disable=SC2086 # the table's options, a word each
    told=$("$GROW" -m "$mode" $options --engine 2>&1)
    [ "$told" = "$grown" ] || fail "$mode: --engine tells '$told', the summaries name '$grown'"
    hash=$(cat "${files[@]}" | sha256sum | cut -d' ' -f1)
    [ "$hash" = "$pinned" ] ||
        fail "$mode seeds $seeds grow other clusters than engine $engine did (hash $hash, pinned $pinned): a change that alters a seed's result must bump the mode's engine version (its growth's EngineVersion); bump it and this pin (engine and hash)"
done <<<"$PINS"

finish
