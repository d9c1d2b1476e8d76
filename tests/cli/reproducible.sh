#!/bin/bash
# A seed fixes the whole run: the same seed writes the same bytes and the same summary (but
# the time), another seed a different picture, and a clock-seeded run can be repeated from
# the seed its summary reports.
source "$(dirname "$0")/common.sh" "$@"

# summary_without_time FILE: the JSON summary with the run time taken out.
summary_without_time()
{
    sed -e 's/"seconds":[^,}]*//' "$1"
}

# grow_into FOLDER ARGS...: runs dla-grow --json inside FOLDER, summary in FOLDER.json.
grow_into()
{
    local folder=$1
    shift
    mkdir -p "$folder"
    (cd "$folder" && exec "$GROW" --json "$@") >"$folder.json" 2>"$ERR" || fail "dla-grow $* failed: $(cat "$ERR")"
}

for mode in "-m plant" "-m snowflake" "-m snowflake -n 500" "-m plant -s 40x1000"; do
    read -ra args <<<"$mode"
    grow_into first "${args[@]}" -r 42 -o picture
    grow_into again "${args[@]}" -r 42 -o picture
    grow_into other "${args[@]}" -r 43 -o picture
    cmp -s first/picture.bmp again/picture.bmp || fail "$mode: seed 42 wrote two different pictures"
    [ "$(summary_without_time first.json)" = "$(summary_without_time again.json)" ] ||
        fail "$mode: seed 42 gave two summaries: $(cat first.json) / $(cat again.json)"
    cmp -s first/picture.bmp other/picture.bmp && fail "$mode: seeds 42 and 43 wrote the same picture"
    rm -r first again other first.json again.json other.json
done

grow_into clock -m snowflake -o picture
seed=$(sed -n 's/.*"seed":\([0-9]*\).*/\1/p' clock.json)
if [ -z "$seed" ]; then
    fail "clock-seeded run reported no seed: $(cat clock.json)"
else
    grow_into repeat -m snowflake -r "$seed" -o picture
    cmp -s clock/picture.bmp repeat/picture.bmp || fail "seed $seed from the summary did not repeat the run"
fi

finish
