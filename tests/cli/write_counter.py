#!/usr/bin/env python3
"""Runs a command with its standard output on a Unix socket that keeps the bounds of each
write (SOCK_SEQPACKET), passes what it writes on to this process's standard output, and appends
"WRITES LINES" (how many write() calls, how many lines) as one line to LOG. Exits with the
command's status. For the Slurm tests: a summary must reach its file in one write.

Usage: write_counter.py LOG COMMAND [ARGUMENTS...]
"""

import socket
import subprocess
import sys


def main():
    log, command = sys.argv[1], sys.argv[2:]
    ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    with ours, theirs:
        process = subprocess.Popen(command, stdout=theirs)
        theirs.close()
        writes = lines = 0
        while True:
            message = ours.recv(1 << 20)
            if not message:
                break
            writes += 1
            lines += message.count(b"\n")
            sys.stdout.buffer.write(message)
            sys.stdout.buffer.flush()
        status = process.wait()
    with open(log, "a") as counts:
        counts.write(f"{writes} {lines}\n")
    return status


if __name__ == "__main__":
    sys.exit(main())
