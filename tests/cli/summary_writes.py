#!/usr/bin/env python3
"""Every line dla-grow prints on standard output reaches it in one write() call, however long:
standard output here is a Unix socket of the SOCK_SEQPACKET kind, which keeps the bounds of each
write, so every message read must be exactly one whole line. Summaries with long file names
(longer than the C library's buffer) from a single run, an ensemble growing two runs at once
and --aggregate are checked.

Usage: summary_writes.py DLA_GROW
"""

import os
import socket
import subprocess
import sys
import tempfile

LONG = 2400  # a path this long, twice in a summary (picture and particle list), outgrows 4096 bytes
BUFFER = 4096
failures = []


def messages_of(command, cwd):
    """The messages dla-grow writes to standard output, and its exit status."""
    ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    ours.settimeout(120)
    with ours, theirs:
        process = subprocess.Popen(command, cwd=cwd, stdout=theirs, stderr=subprocess.PIPE)
        theirs.close()
        messages = []
        while True:
            message = ours.recv(1 << 20)
            if not message:
                break
            messages.append(message)
        errors = process.stderr.read().decode(errors="replace")
        status = process.wait()
    return messages, status, errors


def check(what, command, cwd, lines, longest_at_least):
    messages, status, errors = messages_of(command, cwd)
    if status != 0:
        failures.append(f"{what}: exit status {status}: {errors.strip()}")
        return
    if len(messages) != lines:
        failures.append(f"{what}: {len(messages)} writes, expected {lines} (one a line): "
                        f"lengths {[len(m) for m in messages]}")
    for message in messages:
        if not message.endswith(b"\n") or message.count(b"\n") != 1:
            failures.append(f"{what}: a write that is not one whole line: {message[:80]!r}...{message[-40:]!r}")
            break
    if messages and max(len(m) for m in messages) < longest_at_least:
        failures.append(f"{what}: the longest line is {max(len(m) for m in messages)} bytes, "
                        f"expected at least {longest_at_least}: the test checks nothing")


def main():
    grow = os.path.realpath(sys.argv[1])
    with tempfile.TemporaryDirectory() as scratch:
        # A path of several long folder names: each name within NAME_MAX, the whole past LONG.
        folder = scratch
        while len(folder) - len(scratch) < LONG:
            folder = os.path.join(folder, "f" * 200)
        os.makedirs(folder)
        name = os.path.join(folder, "flake-{seed}.bmp")
        flake = [grow, "-m", "snowflake", "-s", "40x40", "-q", "--json"]

        particles = os.path.join(folder, "p-{seed}.csv")
        check("one run", flake + ["-r", "3", "-o", name.replace("{seed}", "3"),
                                  "--particles", particles.replace("{seed}", "3")], scratch, 1, BUFFER)
        check("runs two at once", flake + ["--runs", "4", "--jobs", "2", "-r", "5", "-o", name,
                                          "--particles", particles], scratch, 5, BUFFER)

        summaries = os.path.join(scratch, "runs.jsonl")
        with open(summaries, "wb") as out:
            subprocess.run(flake + ["--runs", "3", "-r", "1", "-o", name], stdout=out, check=True)
        check("--aggregate", [grow, "--aggregate", summaries], scratch, 1, 10)

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
