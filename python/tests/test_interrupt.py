"""A growth lets other Python threads run, and Ctrl-C stops it with KeyboardInterrupt, after
which the interpreter goes on working."""

import os
import signal
import subprocess
import sys
import textwrap
import time
import threading

import numpy as np
import pytest

import dla


@pytest.mark.parametrize("grow", [lambda: dla.offlattice(100_000, seed=5),
                                  lambda: dla.snowflake(size=(400, 400), seed=5)], ids=["offlattice", "snowflake"])
def test_another_thread_runs_while_a_cluster_grows(grow):
    go = threading.Event()
    stop = threading.Event()
    counted = [0]

    def count():
        go.wait()
        while not stop.is_set():
            counted[0] += 1
            time.sleep(0)  # lets the GIL go, so the grower takes it back at once

    worker = threading.Thread(target=count)
    worker.start()
    interval = sys.getswitchinterval()
    # No forced switches: the worker can only run while this thread lets the GIL go.
    sys.setswitchinterval(100)
    try:
        go.set()
        before = counted[0]
        grow()
        during = counted[0] - before
    finally:
        stop.set()
        sys.setswitchinterval(interval)
        worker.join()
    assert before == 0
    assert during > 0


CHILD = textwrap.dedent("""
    import resource
    import signal
    import dla
    # Python leaves SIGINT ignored when it started so, as in a job started in the background.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    print("growing", flush=True)
    try:
        dla.offlattice(10**7, seed=1)
        print("finished", flush=True)
    except KeyboardInterrupt:
        print("interrupted", flush=True)
    # Python would raise KeyboardInterrupt after a growth that ignored the signal too, once it
    # had run to its end: the peak memory tells the two apart, 240 MB for the particles alone.
    print("peak MB", resource.getrusage(resource.RUSAGE_SELF).ru_maxrss >> 10, flush=True)
    cluster = dla.offlattice(1000, seed=2)
    print("then grew", len(cluster), flush=True)
""")


def test_ctrl_c_stops_a_long_growth():
    child = subprocess.Popen([sys.executable, "-c", CHILD], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True, env=os.environ)
    try:
        assert child.stdout.readline() == "growing\n"
        # Ten million particles take a minute or more: a second in, the growth is going on.
        time.sleep(1.0)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=600)
    finally:
        child.kill()
    interrupted, peak, after = out.splitlines()
    assert interrupted == "interrupted", err
    assert int(peak.split()[-1]) < 150, peak
    assert after == "then grew 1001"
    assert child.returncode == 0, err


def test_clusters_grown_in_threads_at_once_are_those_grown_alone():
    seeds = [21, 22, 23, 24]
    grown = {}

    def grow(seed):
        grown[seed] = dla.offlattice(20_000, seed=seed)

    threads = [threading.Thread(target=grow, args=(seed,)) for seed in seeds]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for seed in seeds:
        alone = dla.offlattice(20_000, seed=seed)
        assert np.array_equal(grown[seed].positions, alone.positions), seed
