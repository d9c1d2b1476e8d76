#!/bin/bash
# The Slurm job-array script on a real one-node Slurm that this test starts and stops itself:
# its own munged (own key and socket), slurmctld and slurmd (own slurm.conf, ports, state and
# logs), all in a scratch folder and stopped by their process ids at the end, also when a check
# fails. The array's pictures and aggregate must be those of dla-grow --runs, also after one of
# its tasks lost a run to SIGKILL, another was cancelled while it was running and a third before
# it started, and the three were resubmitted as the script's usage says; summaries with file
# names longer than a write buffer from runs growing at once; a second ensemble into the same
# folder refused, the first's summaries kept.
# Exit status 77 (skipped) where the daemons cannot be had: not root, Slurm or munge missing,
# or a daemon that does not come up; the reason is printed.
# Arguments: dla-grow, the Slurm script, the stand-in grower (tests/cli/grow_wrapper.sh).
# Many functions here run only from traps and bounded waits.
# shellcheck disable=SC2317
set -u
GROW=$(realpath "$1")
SCRIPT=$(realpath "$2")
WRAPPER=$(realpath "$3")
readonly SKIPPED=77

scratch=$(mktemp -d)
conf=$scratch/slurm.conf
daemons=()
failures=0

fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# slurm COMMAND...: a Slurm client of this test's cluster, never waiting more than 20 s.
slurm()
{
    SLURM_CONF=$conf timeout 20 "$@"
}

# stop_process PID: SIGTERM, then SIGKILL if it has not ended within 10 s.
stop_process()
{
    local pid=$1 tries=0
    kill -TERM "$pid" 2>/dev/null || return 0
    while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 100 ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# processes_of_this_cluster: the processes started with this test's slurm.conf: the daemons,
# the job steps slurmd started and everything the jobs started (sbatch passes its environment on).
processes_of_this_cluster()
{
    local environ pid
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        [ "$pid" != $$ ] || continue
        if grep -qzxF "SLURM_CONF=$conf" "$environ" 2>/dev/null; then
            echo "$pid"
        fi
    done
}

# clean_up: cancels what is left in the queue, stops the daemons (slurmd first) and anything
# still running from this cluster, and removes the scratch folder.
clean_up()
{
    local pid index
    if [ "${#daemons[@]}" -gt 1 ] && controller_up; then
        slurm scancel --user="$(id -un)" 2>/dev/null
    fi
    for ((index = ${#daemons[@]} - 1; index >= 0; --index)); do
        stop_process "${daemons[index]}"
    done
    for pid in $(processes_of_this_cluster); do
        stop_process "$pid"
    done
    rm -rf "$scratch"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

skip()
{
    echo "skipped: $*"
    exit "$SKIPPED"
}

# wait_until SECONDS COMMAND...: true once COMMAND succeeds, false when SECONDS have passed.
wait_until()
{
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.25
    done
}

# up_or_ended CHECK PID: CHECK succeeds, or the daemon PID has ended (then waiting is over).
up_or_ended()
{
    "$1" || ! kill -0 "$2" 2>/dev/null
}

[ "$(id -u)" -eq 0 ] || skip "the Slurm daemons of this test run as root (SlurmUser=root); run it as root"
for program in munged munge slurmctld slurmd sbatch squeue scontrol scancel sinfo; do
    command -v "$program" >/dev/null || skip "$program is not installed (Debian: munge, slurmctld, slurmd, slurm-client)"
done

# munged checks that everyone may reach its socket's folder and that only its user may read the
# key.
chmod 755 "$scratch"
mkdir -m 755 "$scratch/munge-socket"
mkdir -m 700 "$scratch/munge"
munge_socket=$scratch/munge-socket/socket
head -c 1024 /dev/urandom >"$scratch/munge/key"
chmod 400 "$scratch/munge/key"

munge_works()
{
    munge -n -S "$munge_socket" 2>/dev/null | unmunge -S "$munge_socket" >/dev/null 2>&1
}

munged -F --socket="$munge_socket" --key-file="$scratch/munge/key" --pid-file="$scratch/munge/pid" \
    --seed-file="$scratch/munge/seed" --log-file="$scratch/munge/log" >"$scratch/munge/out" 2>&1 &
daemons+=($!)
wait_until 20 up_or_ended munge_works "${daemons[0]}"
munge_works || skip "munged did not come up: $(tail -3 "$scratch/munge/out")"

# port_in_use PORT: a TCP socket of this machine has PORT as its own.
port_in_use()
{
    local hex
    hex=$(printf '%04X' "$1")
    cat /proc/net/tcp /proc/net/tcp6 2>/dev/null | awk -v port=":$hex" '$2 ~ port "$" { found = 1 } END { exit !found }'
}

# free_port: a port no socket here uses now. Another copy of this test may take it before our
# daemon does; start_slurm then tries again with others.
free_port()
{
    local port
    while :; do
        port=$((20000 + RANDOM % 40000))
        port_in_use "$port" || break
    done
    echo "$port"
}

write_slurm_conf()
{
    cat >"$conf" <<EOF
ClusterName=dla-test-$$
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$1
SlurmdPort=$2
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$munge_socket
StateSaveLocation=$scratch/state
SlurmdSpoolDir=$scratch/spool
SlurmctldPidFile=$scratch/slurmctld.pid
SlurmdPidFile=$scratch/slurmd.pid
SlurmctldLogFile=$scratch/log/slurmctld.log
SlurmdLogFile=$scratch/log/slurmd.log
PlugStackConfig=$scratch/plugstack.conf
TmpFS=$scratch
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/builtin
MpiDefault=none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
SlurmdParameters=config_overrides
ReturnToService=2
KillWait=5
MinJobAge=600
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
}

controller_up() { slurm scontrol ping 2>/dev/null | grep -q 'is UP'; }
node_idle() { [ "$(slurm sinfo -h -n localhost -o %T 2>/dev/null)" = idle ]; }

# start_slurm: slurmctld and slurmd on free ports; true once the node takes jobs.
start_slurm()
{
    local attempt
    mkdir -p "$scratch/state" "$scratch/spool" "$scratch/log"
    : >"$scratch/plugstack.conf"
    for attempt in 1 2 3; do
        write_slurm_conf "$(free_port)" "$(free_port)"
        SLURM_CONF=$conf slurmctld -D -i >"$scratch/log/slurmctld.out" 2>&1 &
        daemons+=($!)
        wait_until 30 up_or_ended controller_up "$!"
        if controller_up; then
            SLURM_CONF=$conf slurmd -D -N localhost >"$scratch/log/slurmd.out" 2>&1 &
            daemons+=($!)
            wait_until 30 up_or_ended node_idle "$!"
            node_idle && return 0
            grep -q 'Address already in use' "$scratch/log/slurmd.out" || return 1
        elif ! grep -q 'Address already in use' "$scratch/log/slurmctld.out"; then
            return 1
        fi
        echo "a port was taken (attempt $attempt); trying others"
        clean_daemons_after_munged
    done
    return 1
}

# clean_daemons_after_munged: stops the Slurm daemons started so far, keeping munged.
clean_daemons_after_munged()
{
    local index
    for ((index = ${#daemons[@]} - 1; index >= 1; --index)); do
        stop_process "${daemons[index]}"
    done
    daemons=("${daemons[0]}")
}

started=$SECONDS
start_slurm || skip "the Slurm daemons did not come up: $(tail -n 3 "$scratch"/log/*.out | grep -v pmix)"
echo "one-node Slurm up in $((SECONDS - started)) s"

# The ensemble: 12 snowflakes from seed 5, and the same grown at once by dla-grow --runs.
work=$scratch/work
mkdir -p "$work/ref" "$work/logs" "$work/bin" "$work/flags"
cd "$work" || exit 1
ENSEMBLE=(12 5 ens -m snowflake -s 120x120 -o 'f-{seed}.bmp')
SEEDS=$(seq 5 16)
(cd ref && "$GROW" -m snowflake -s 120x120 --runs 12 --seed 5 -q --json -o 'f-{seed}.bmp' >runs.jsonl) ||
    fail "the reference ensemble could not be grown"

# The stand-in grower logs every run and can kill or stall one; DLA_GROW names it relative to
# the folder the jobs are submitted from.
ln -s "$WRAPPER" bin/grow
export DLA_GROW=bin/grow GROW_REAL=$GROW GROW_FLAGS=$work/flags GROW_LOG=$work/grow.log
: >"$GROW_LOG"

# submit SBATCH_OPTIONS... -- SCRIPT_ARGUMENTS...: prints the job id.
submit()
{
    local options=()
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    slurm sbatch --parsable --chdir="$work" --output="$work/logs/%A_%a.log" --cpus-per-task=1 \
        "${options[@]}" "$SCRIPT" "$@" | cut -d';' -f1
}

# queued JOB: the job's array tasks still pending or running, e.g. "12_7".
queued()
{
    slurm squeue -h -j "$1" -o %i 2>/dev/null | tr '\n' ' ' | sed 's/ $//'
}
left_queue() { local out; out=$(slurm squeue -h -j "$1" -o %i) && [ -z "$out" ]; }

# task_state JOB TASK: Slurm's state of one array task and its exit code, e.g. "FAILED 137:0".
task_state()
{
    slurm scontrol -o show job "$1" 2>/dev/null |
        awk -v task="$2" '{ state = ""; code = ""; is = 0
            for (i = 1; i <= NF; ++i) {
                if ($i == "ArrayTaskId=" task) is = 1
                if ($i ~ /^JobState=/) state = substr($i, 10)
                if ($i ~ /^ExitCode=/) code = substr($i, 10)
            }
            if (is) print state, code }'
}

# summary_seeds FILE: the seeds of the summaries in FILE, in the file's order.
summary_seeds()
{
    grep -o '"seed":[0-9]*' "$1" 2>/dev/null | cut -d: -f2 | tr '\n' ' ' | sed 's/ $//'
}

# runs_started: the seeds the stand-in grower was started for, in order of the log.
runs_started()
{
    awk '$2 == "start" && $3 != "none" { printf "%s%s", sep, $3; sep = " " }' "$GROW_LOG"
}

# Four tasks numbered 1, 3, 5 and 7 (slices 5-7, 8-10, 11-13, 14-16), held until task 5 is
# cancelled before it starts. Task 3's second run dies by SIGKILL after saving its picture;
# task 7's second run stalls until the task is cancelled.
touch flags/kill-9 flags/stall-15
job=$(submit --hold --array=1-7:2 -- "${ENSEMBLE[@]}")
[ -n "$job" ] || { fail "sbatch gave no job id"; exit 1; }
slurm scancel "${job}_5" || fail "scancel ${job}_5 failed"
slurm scontrol release "$job" || fail "scontrol release $job failed"

first_tasks_done() { [ -e flags/stalled-15 ] && [ "$(queued "$job")" = "${job}_7" ]; }
if wait_until 120 first_tasks_done; then
    slurm scancel "${job}_7" || fail "scancel ${job}_7 failed"
else
    fail "tasks 1 and 3 did not end with task 7 stalled: queue '$(queued "$job")', flags $(ls flags)"
fi
wait_until 60 left_queue "$job" || fail "the first array never left the queue: '$(queued "$job")'"
if [ -s flags/stalled-15 ] && kill -0 "$(cat flags/stalled-15)" 2>/dev/null; then
    fail "the run in progress in cancelled task 7 goes on"
fi

[ "$(task_state "$job" 1)" = "COMPLETED 0:0" ] || fail "task 1: $(task_state "$job" 1): $(cat logs/"${job}"_1.log)"
[ "$(task_state "$job" 3 | cut -d' ' -f1)" = FAILED ] || fail "task 3 with a killed run: $(task_state "$job" 3)"
[ "$(task_state "$job" 7 | cut -d' ' -f1)" = CANCELLED ] || fail "task 7: $(task_state "$job" 7)"
grep -q 'up to 1 at once' logs/"${job}"_1.log || fail "task 1 of one CPU: $(cat logs/"${job}"_1.log)"
[ "$(summary_seeds ens/summaries-0.jsonl)" = "5 6 7" ] || fail "slice 0: '$(summary_seeds ens/summaries-0.jsonl)'"
for slice in 1 3; do
    [ ! -e "ens/summaries-$slice.jsonl" ] || fail "slice $slice passed for finished after losing a run"
done
[ "$(summary_seeds ens/summaries-1.jsonl.part)" = 8 ] || fail "slice 1 kept '$(summary_seeds ens/summaries-1.jsonl.part)', expected 8"
[ "$(summary_seeds ens/summaries-3.jsonl.part)" = 14 ] || fail "slice 3 kept '$(summary_seeds ens/summaries-3.jsonl.part)', expected 14"
{ [ ! -e ens/summaries-2.jsonl ] && [ ! -e ens/summaries-2.jsonl.part ]; } || fail "slice 2 of the cancelled task 5 has summaries"

# Resubmitted without the array it belongs to, a task would grow the whole ensemble: refused.
: >"$GROW_LOG"
alone=$(submit --array=5 -- "${ENSEMBLE[@]}")
wait_until 60 left_queue "$alone" || fail "task 5 alone never left the queue"
grep -q 'array task 5 alone' logs/"${alone}"_5.log || fail "task 5 alone: $(cat logs/"${alone}"_5.log)"
[ -z "$(runs_started)" ] || fail "task 5 alone grew seeds $(runs_started)"

# Resubmitted as the usage says: the tasks that did not finish, with the array they came from.
: >"$GROW_LOG"
again=$(submit --array=3,5,7 -- --tasks 1-7:2 "${ENSEMBLE[@]}")
wait_until 120 left_queue "$again" || fail "the resubmitted tasks never left the queue: '$(queued "$again")'"
for task in 3 5 7; do
    [ "$(task_state "$again" "$task")" = "COMPLETED 0:0" ] ||
        fail "resubmitted task $task: $(task_state "$again" "$task"): $(cat logs/"${again}_$task".log)"
done
started_again=$(runs_started | tr ' ' '\n' | sort -n | tr '\n' ' ')
[ "$started_again" = "9 10 11 12 13 15 16 " ] ||
    fail "the resubmission grew seeds '$started_again', expected only those without a summary: 9 10 11 12 13 15 16"

# The sum as the notes suggest: a job that waits for the array to succeed.
summing=$(slurm sbatch --parsable --dependency=afterok:"$again" --chdir="$work" --output="$work/logs/sum.log" \
    --wrap "'$GROW' --aggregate ens/summaries-*.jsonl --seeds 5-16 --json >aggregate.json" | cut -d';' -f1)
wait_until 60 left_queue "$summing" || fail "the summing job never left the queue: '$(queued "$summing")'"

# Every picture and summary as dla-grow --runs grew them, and the same aggregate.
for seed in $SEEDS; do
    cmp -s "ref/f-$seed.bmp" "ens/f-$seed.bmp" || fail "f-$seed.bmp is not the picture dla-grow --runs grew"
done
without_seconds() { sed 's/"seconds":[^,}]*,\{0,1\}//'; }
cat ens/summaries-{0,1,2,3}.jsonl 2>/dev/null | without_seconds >ens.jsonl
without_seconds <ref/runs.jsonl | grep -v '^{"runs"' >ref.jsonl
cmp -s ens.jsonl ref.jsonl || fail "the summaries differ from those of --runs: $(diff ens.jsonl ref.jsonl | head -4)"
ls ens/*.part >/dev/null 2>&1 && fail "summaries left unfinished: $(ls ens/*.part)"
aggregate=$("$GROW" --aggregate ens/summaries-*.jsonl --seeds 5-16 --json | without_seconds)
expected=$(grep '^{"runs"' ref/runs.jsonl | without_seconds)
{ [ -n "$expected" ] && [ "$aggregate" = "$expected" ]; } || fail "aggregate '$aggregate', expected '$expected'"
summed=$(without_seconds <aggregate.json 2>/dev/null)
[ "$summed" = "$expected" ] || fail "the summing job's aggregate '$summed', expected '$expected': $(cat logs/sum.log)"

# Long names, two runs at once: every summary (longer than the C library's 4096-byte buffer)
# lands in the slice's file as a line of its own, and the slice finishes.
long=$(printf 'n%.0s' {1..200})
long="$long/$long/$long/$long/$long/$long/$long/$long/$long/$long/$long/$long"
mkdir -p "long/$long"
: >"$GROW_LOG"
# Each run's standard output is counted in writes: one write a summary line.
touch flags/count-writes
longjob=$(submit --array=0 --cpus-per-task=2 -- --tasks 1 8 100 long -m snowflake -s 40x40 -o "$long/f-{seed}.bmp" \
    --particles "$long/p-{seed}.csv" --jobs 2)
wait_until 120 left_queue "$longjob" || fail "the ensemble of long names never left the queue"
[ "$(task_state "$longjob" 0)" = "COMPLETED 0:0" ] ||
    fail "long names: $(task_state "$longjob" 0): $(cut -c1-300 logs/"${longjob}"_0.log)"
[ "$(summary_seeds long/summaries-0.jsonl)" = "100 101 102 103 104 105 106 107" ] ||
    fail "long names: summaries of seeds '$(summary_seeds long/summaries-0.jsonl)'"
[ "$(awk 'length($0) > 4096' long/summaries-0.jsonl | wc -l)" -eq 8 ] || fail "long names: the summaries are not that long"
"$GROW" --aggregate long/summaries-0.jsonl --seeds 100-107 >/dev/null || fail "long names: --aggregate refused the slice"
[ "$(grep -c '^1 1$' flags/writes.log 2>/dev/null)" -eq 8 ] ||
    fail "long names: not one write a summary (writes and lines of each run): $(tr '\n' ',' <flags/writes.log 2>/dev/null)"
rm -f flags/count-writes

# A second ensemble into the folder of the first (six more seeds, slices that meet the first's
# files): its tasks are refused before they grow anything, and the first's summaries are kept.
cat ens/summaries-*.jsonl >first.jsonl
: >"$GROW_LOG"
second=$(submit --array=0-1 -- --tasks 2 6 17 ens -m snowflake -s 120x120 -o 'f-{seed}.bmp')
wait_until 60 left_queue "$second" || fail "the second ensemble never left the queue"
for task in 0 1; do
    [ "$(task_state "$second" "$task")" = "FAILED 2:0" ] || fail "second ensemble, task $task: $(task_state "$second" "$task")"
    grep -q 'holds a summary of seed' logs/"${second}_$task".log || fail "second ensemble, task $task: $(cat logs/"${second}_$task".log)"
done
[ -z "$(runs_started)" ] || fail "the second ensemble grew seeds $(runs_started)"
cat ens/summaries-*.jsonl | cmp -s - first.jsonl || fail "the second ensemble changed the first one's summaries"
"$GROW" --aggregate ens/summaries-*.jsonl --seeds 5-16 >/dev/null || fail "the first ensemble no longer sums up"

if [ "$failures" -ne 0 ]; then
    echo "--- slurmctld and slurmd logs (last lines)"
    tail -n 15 "$scratch"/log/slurmctld.log "$scratch"/log/slurmd.log
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed in $((SECONDS - started)) s"
exit 0
