"""Ends every process of a real-window session once the harness lets go of it.

The harness starts this as the leader of a new process group and puts everything the
session starts into that group. This process waits until its standard input closes: the
harness closes it at the end of a session, and the system closes it when the harness dies,
even by SIGKILL, which leaves the harness no chance to clean up itself. Then it asks every
other process of the group to end, waits a little, and kills what is left, so no X server,
window manager, bus or program of the session outlives it; last it removes the folders
named on its command line (the temporary folders the session made), and ends, which
closes its standard output: the harness waits for that.

    python3 guard.py [FOLDER...]
"""

import os
import shutil
import signal
import sys
import time

GRACE_SECONDS = 3.0


def others_in_group():
    """The live processes of this process group, other than this one."""
    group = os.getpgrp()
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            with open(f"/proc/{name}/stat") as stat:
                # The command name, in brackets, may hold blanks: read past its end.
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue  # ended while we looked
        state, process_group = fields[0], int(fields[2])
        if process_group == group and state not in ("Z", "X"):
            found.append(int(name))
    return found


def main():
    # Stopping the harness by Ctrl+C or SIGTERM must not stop the one that cleans up after it.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    # Nor must ending the harness with all its children, as CTest does on a timeout: the
    # guard goes on in a child of its own, which the system hands over to init. It stays
    # in the group, which lives on without its first leader.
    if os.fork():
        os._exit(0)
    sys.stdin.buffer.read()
    if others_in_group():
        os.killpg(0, signal.SIGTERM)
        end = time.monotonic() + GRACE_SECONDS
        while others_in_group() and time.monotonic() < end:
            time.sleep(0.05)
        # Killed one by one rather than by group, which would take this process along
        # before it has removed the folders; again while one forks as it dies.
        for _ in range(10):
            left = others_in_group()
            if not left:
                break
            for pid in left:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass  # ended by itself meanwhile
            time.sleep(0.05)
    for folder in sys.argv[1:]:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
