#!/bin/bash
# Stands in for dla-grow where a test must see what the Slurm script runs, or make a run fail
# as runs fail on a cluster. It runs the real dla-grow ($GROW_REAL) and logs each run to
# $GROW_LOG as "TASK start SEED" and "TASK end SEED STATUS". A flag file in $GROW_FLAGS acts
# once, on the run of its seed:
#   kill-SEED   the run grows its picture, then dies by SIGKILL before its summary is out
#               (the out-of-memory killer, a lost node)
#   stall-SEED  the run writes its process id into stalled-SEED and waits without growing
#               (until a signal ends it, at most 120 s): a run in progress when the task is
#               cancelled
#   nolist-SEED the run grows its picture, but its particle list is lost: the summary says
#               "particle_list":null and the status is 1, as when the list cannot be written
# While $GROW_FLAGS/count-writes exists, every run's standard output goes through
# write_counter.py, which appends "WRITES LINES" for the run to $GROW_FLAGS/writes.log.
set -u
seed=none
previous=''
for argument in "$@"; do
    [ "$previous" != --seed ] || seed=$argument
    previous=$argument
done
task=${SLURM_ARRAY_TASK_ID:-none}
echo "$task start $seed" >>"$GROW_LOG"

if [ -e "$GROW_FLAGS/kill-$seed" ]; then
    rm -f "$GROW_FLAGS/kill-$seed"
    "$GROW_REAL" "$@" >/dev/null
    kill -KILL $$
fi
if [ -e "$GROW_FLAGS/stall-$seed" ]; then
    rm -f "$GROW_FLAGS/stall-$seed"
    echo $$ >"$GROW_FLAGS/stalled-$seed.new"
    mv "$GROW_FLAGS/stalled-$seed.new" "$GROW_FLAGS/stalled-$seed"
    exec sleep 120
fi
if [ -e "$GROW_FLAGS/nolist-$seed" ]; then
    rm -f "$GROW_FLAGS/nolist-$seed"
    "$GROW_REAL" "$@" | sed 's/"particle_list":"[^"]*"/"particle_list":null/'
    echo "$task end $seed 1" >>"$GROW_LOG"
    exit 1
fi

if [ -e "$GROW_FLAGS/count-writes" ] && [ "$seed" != none ]; then
    python3 "$(dirname "$(realpath "$0")")/write_counter.py" "$GROW_FLAGS/writes.log" "$GROW_REAL" "$@"
else
    "$GROW_REAL" "$@"
fi
status=$?
echo "$task end $seed $status" >>"$GROW_LOG"
exit "$status"
