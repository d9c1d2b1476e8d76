"""Clusters give their memory back, and a growth the memory cannot hold is refused before it
starts."""

import os
import subprocess
import sys
import textwrap

import dla

PAGE = os.sysconf("SC_PAGE_SIZE")


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


def grow_and_read(seed):
    cluster = dla.offlattice(1000, seed=seed)
    return cluster.positions.sum() + cluster.parents.sum() + cluster.gyration_history[1].sum()


def test_resident_size_stays_flat_over_a_thousand_growths():
    for seed in range(100):
        grow_and_read(seed)
    before = resident_bytes()
    for seed in range(1000):
        grow_and_read(seed)
    grown = resident_bytes() - before
    # A cluster of 1000 particles holds some 60 KiB: a thousand kept would be 60 MB.
    assert grown < 8 << 20, f"resident size grew by {grown >> 10} KiB"


CHILD = textwrap.dedent("""
    import resource
    import dla
    # Room for what the interpreter has mapped and 100 MiB more.
    with open("/proc/self/statm") as statm:
        mapped = int(statm.read().split()[0]) * resource.getpagesize()
    limit = mapped + (100 << 20)
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    try:
        dla.offlattice(2_000_000_000, seed=1)
        print("grown")
    except MemoryError as error:
        print(error)
    try:
        dla.offlattice(2_000_000_000, seed=1, dimensions=3)
        print("grown")
    except MemoryError as error:
        print(error)
    try:
        dla.snowflake(size=(30000, 30000))
        print("grown")
    except MemoryError as error:
        print(error)
    print(len(dla.offlattice(1000, seed=1)))
""")


def test_a_growth_beyond_memory_is_refused_before_it_starts():
    done = subprocess.run([sys.executable, "-c", CHILD], capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    refusal, space_refusal, lattice_refusal, after = done.stdout.splitlines()
    assert refusal.startswith("Not enough memory for an off-lattice cluster of 2000000000 particles (")
    assert space_refusal.startswith("Not enough memory for ") and "2000000000 particles" in space_refusal
    assert lattice_refusal == "Not enough memory for a picture of 30000 x 30000 pixels"
    assert after == "1001"
