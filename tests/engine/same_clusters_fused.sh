#!/bin/bash
# A seed grows the same cluster whatever the processor the program was built for: the digests of
# a few clusters from the ordinary build and from one for processors with fused multiply-add
# (x86-64-v3), where a compiler may fuse what the ordinary build keeps apart.
# Usage: same_clusters_fused.sh ORDINARY FUSED; exits 77 where this processor cannot run FUSED.
ordinary=$1
fused=$2
for flag in avx avx2 bmi1 bmi2 f16c fma movbe abm xsave; do
    grep -qw "$flag" /proc/cpuinfo || { echo "this processor lacks $flag: the fused build cannot run here"; exit 77; }
done
expected=$("$ordinary") || { echo "FAIL: the ordinary build's digest did not run"; exit 1; }
got=$("$fused") || { echo "FAIL: the fused build's digest did not run"; exit 1; }
[ -n "$expected" ] || { echo "FAIL: the ordinary build printed no digest"; exit 1; }
if [ "$expected" != "$got" ]; then
    echo "FAIL: the build for processors with fused multiply-add grows other clusters from the same seeds"
    diff <(echo "$expected") <(echo "$got")
    exit 1
fi
echo "$got"
