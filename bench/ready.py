#!/usr/bin/python3
"""How soon a program is ready after it is started: the time from its start (exec) to its
first window being shown, and to that window's answer to a window manager's ping
(_NET_WM_PING), sent the moment the window is shown. Qt answers the ping from the window's
thread once it has handled everything before it, so the answer is the moment the program
could take a click. The bare window and the program are started in turn, each `starts`
times, in the X server and window manager of DISPLAY, their working folder `folder`.

    bench/ready.py BARE PROGRAM STARTS FOLDER

Prints one line a start, "bare SHOWN READY" or "program SHOWN READY LOADED" (milliseconds;
LOADED names what of the web engine, the OpenGL driver and Qt Charts the program had in its
memory map when it answered, "-" for none), and ends with a failure status when a window
never showed or never answered. Each program is ended (SIGTERM) before the next starts.
It needs python3-xlib: run it with /usr/bin/python3."""

import os
import re
import select
import signal
import subprocess
import sys
import time

from Xlib import X, display
from Xlib.error import XError
from Xlib.protocol import event

# What must not be in the program's memory when it starts: the web engine (or its plugin),
# an OpenGL driver (Qt's OpenGL integration or a Mesa driver: the GL dispatch libraries Qt
# GUI links are in every Qt program), Qt Charts (or its plugin).
LOADED = {
    "webengine": re.compile(r"libQt6WebEngine|kesterly_webengine"),
    "opengl": re.compile(r"xcbglintegrations|/dri/|_dri\.so|libGLX_mesa|libEGL_mesa|libgallium"),
    "charts": re.compile(r"libQt6Charts|kesterly_charts"),
}
TIMEOUT = 30.0


class Screen:
    def __init__(self):
        self.connection = display.Display()
        self.root = self.connection.screen().root
        # The answer to a ping goes to the root window, to those who listen for changes of
        # its children.
        self.root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
        self.client_list = self.connection.intern_atom("_NET_CLIENT_LIST")
        self.pid_atom = self.connection.intern_atom("_NET_WM_PID")
        self.protocols = self.connection.intern_atom("WM_PROTOCOLS")
        self.ping_atom = self.connection.intern_atom("_NET_WM_PING")
        self.stamp = 0

    def shown_window(self, pid):
        """The window of that process the window manager has taken on and shows, if any."""
        listed = self.root.get_full_property(self.client_list, X.AnyPropertyType)
        for window_id in (listed.value if listed else []):
            window = self.connection.create_resource_object("window", window_id)
            try:
                owner = window.get_full_property(self.pid_atom, X.AnyPropertyType)
                if owner and owner.value[0] == pid and \
                        window.get_attributes().map_state == X.IsViewable:
                    return window
            except XError:
                continue  # a window that went away meanwhile
        return None

    def ping(self, window, deadline):
        self.stamp += 1
        window.send_event(event.ClientMessage(
            window=window, client_type=self.protocols,
            data=(32, [self.ping_atom, self.stamp, window.id, 0, 0])), event_mask=0)
        self.connection.flush()
        while time.monotonic() < deadline:
            while self.connection.pending_events():
                answer = self.connection.next_event()
                if (answer.type == X.ClientMessage and answer.client_type == self.protocols
                        and list(answer.data[1][:2]) == [self.ping_atom, self.stamp]):
                    return True
            select.select([self.connection.fileno()], [], [], 0.05)
            # Reads what has come in.
            self.connection.get_input_focus()
        return False

    def drain(self):
        while self.connection.pending_events():
            self.connection.next_event()


def loaded(pid):
    try:
        with open(f"/proc/{pid}/maps") as f:
            maps = f.read()
    except OSError:
        return "-"
    found = [name for name, pattern in LOADED.items() if pattern.search(maps)]
    return ",".join(found) or "-"


def start(screen, program, folder, log):
    """Starts the program; returns the milliseconds to its window shown and answered, and
    what it had loaded by then."""
    screen.drain()
    began = time.monotonic()
    process = subprocess.Popen([program], cwd=folder, stdout=log, stderr=log)
    try:
        deadline = began + TIMEOUT
        window = None
        while window is None:
            if time.monotonic() > deadline or process.poll() is not None:
                raise SystemExit(f"{program}: no window shown in {TIMEOUT:.0f} s")
            window = screen.shown_window(process.pid)
            if window is None:
                time.sleep(0.001)
        shown = time.monotonic()
        if not screen.ping(window, deadline):
            raise SystemExit(f"{program}: its window did not answer a ping")
        ready = time.monotonic()
        what = loaded(process.pid)
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return (shown - began) * 1000, (ready - began) * 1000, what


def main(arguments):
    if len(arguments) != 4:
        raise SystemExit(__doc__)
    bare, program = os.path.abspath(arguments[0]), os.path.abspath(arguments[1])
    starts, folder = int(arguments[2]), arguments[3]
    screen = Screen()
    with open(os.devnull, "wb") as log:
        for round_number in range(starts):
            # Each goes first in every other round, so that neither always starts on a
            # machine the other has just warmed up.
            pair = [("bare", bare), ("program", program)]
            if round_number % 2:
                pair.reverse()
            for name, path in pair:
                shown, ready, what = start(screen, path, folder, log)
                line = f"{name} {shown:.1f} {ready:.1f}"
                print(line + (f" {what}" if name == "program" else ""), flush=True)
                # The window manager forgets the last window before the next comes.
                time.sleep(0.3)


if __name__ == "__main__":
    main(sys.argv[1:])
