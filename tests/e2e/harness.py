"""Drives the real Kesterly program in its own X server, as a user would.

Each Session starts Xvfb on a free display, a window manager (so windows get the focus
and a close request arrives as WM_DELETE_WINDOW, as on a desktop), and the program with
HOME in a temporary folder. Keys and clicks go through xdotool; texts shown in message
boxes are read through the clipboard (a message box copies itself on Ctrl+C).

A session shares nothing with the desktop it runs from, nor with another session running
at the same time: it has a HOME and a runtime folder (XDG_RUNTIME_DIR) of its own, and its
session bus address points into that runtime folder. With accessibility=True it starts a
session bus there and the accessibility bus on it. Everything it starts ends with it: on a
normal end, on a failure, on SIGTERM or Ctrl+C, and when this Python process is killed
outright (see guard.py).
"""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

BUS_LAUNCHER = next((path for path in ("/usr/libexec/at-spi-bus-launcher",
                                         "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                     if os.path.exists(path)), "at-spi-bus-launcher")

# What a session takes from the environment it runs in only to drop it: what would lead
# the program or the tools to the desktop's display or buses.
DESKTOP_VARIABLES = ["DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER",
                     "AT_SPI_BUS_ADDRESS", "QT_QPA_PLATFORM"]

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    """Run in a child before it starts its program: the kernel kills it when this Python
    process dies, whatever the way. What it starts in turn the guard ends."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


class E2EFailure(AssertionError):
    pass


def check(condition, what):
    if not condition:
        raise E2EFailure(what)


def check_equal(actual, expected, what):
    if actual != expected:
        raise E2EFailure(f"{what}: expected {expected!r}, got {actual!r}")


class Session:
    def __init__(self, program, lang="en_US.UTF-8", cwd=None, home=None, wrapper=None,
                 keep_home=False, accessibility=False, screen="1280x800"):
        self.program = os.path.abspath(program)
        self.lang = lang
        self.keep_home = keep_home or home is not None
        self.home = home or tempfile.mkdtemp(prefix="kesterly-e2e-")
        self.cwd = cwd or self.home
        # A command the program runs under (strace, say), followed by the program.
        self.wrapper = wrapper or []
        # A session bus with the accessibility bus on it, as under a screen reader.
        self.accessibility = accessibility
        self.accessibility_address = None
        # The X screen's size (a 2x program needs twice the room).
        self.screen = screen
        self.runtime = None
        self.env = None
        self.guard = None
        self.group = None
        self.processes = []
        self.copies = []
        self.app = None
        self.display = None
        # Only the windows of this process are looked at, when set (two copies running).
        self.only_pid = None
        self.shots = os.environ.get("KESTERLY_E2E_SHOTS")
        self._saved_handlers = {}
        self._saved_environ = {}
        self._ending = False
        self._stopped_by = None

    # --- start and stop -------------------------------------------------------------
    def __enter__(self):
        for number in (signal.SIGTERM, signal.SIGINT):
            self._saved_handlers[number] = signal.signal(number, self._on_stop_signal)
        try:
            self._start_all()
        except BaseException:
            # A session that fails to start is ended as one that fails later: `with`
            # calls __exit__ only once __enter__ has returned.
            self.__exit__(*sys.exc_info())
            raise
        return self

    def _on_stop_signal(self, number, frame):
        """SIGTERM or Ctrl+C: raised as an exception, so that __exit__ ends what the session
        started; while it does, the stop is only noted and raised once it is done."""
        if self._ending:
            self._stopped_by = number
            return
        raise SystemExit(f"stopped by {signal.Signals(number).name}")

    def _start_all(self):
        # The runtime folder must be the user's alone; mkdtemp makes it so (mode 0700), as
        # it does the home folder.
        self.runtime = tempfile.mkdtemp(prefix="kesterly-e2e-run-")
        self.env = {name: value for name, value in os.environ.items()
                    if name not in DESKTOP_VARIABLES}
        self.env.update(self._own_folders())
        # Only a session with accessibility starts a bus at this address; the others run
        # without a session bus, and cannot reach the desktop's or another session's.
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(self.runtime, "bus")
        self.env.update(LANG=self.lang, LC_ALL=self.lang, LANGUAGE="",
                        QTWEBENGINE_DISABLE_SANDBOX="1")
        self._start_guard()
        self._start_x_server()
        if self.accessibility:
            self._start_buses()
        self._start_window_manager()
        self.app = self._start_program(self.wrapper)

    def _own_folders(self):
        """The home and runtime folders of the session, and the per-user folders spelled
        out below its home: some libraries (Mesa's shader cache, the bus daemon's service
        folders) take the home folder from the user database rather than from HOME, and
        would write into the real one, shared by every run."""
        return {"HOME": self.home, "XDG_RUNTIME_DIR": self.runtime,
                "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
                "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
                "XDG_STATE_HOME": os.path.join(self.home, ".local", "state")}

    def _start_guard(self):
        """Starts guard.py as the leader of a new process group, which every process of the
        session then joins; it ends the group when we close its input, or die, and then
        removes the session's own folders."""
        folders = [self.runtime] + ([] if self.keep_home else [self.home])
        self.guard = subprocess.Popen([sys.executable, os.path.join(HERE, "guard.py"), *folders],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      env=self.env, process_group=0)
        self.group = self.guard.pid
        # It goes on in a child outside our process tree, and is done when it closes the
        # output it took along.
        self.guard.wait()

    def _launch(self, command, **options):
        """Starts a process that lives as long as the session."""
        process = subprocess.Popen(command, env=self.env, process_group=self.group,
                                   preexec_fn=_die_with_parent, **options)
        self.processes.append(process)
        return process

    def _launch_until_ready(self, command, what, timeout=30.0, **options):
        """Starts a process that writes a line to a pipe once it is ready (Xvfb its display
        number, dbus-daemon its address); "{fd}" in `command` stands for the pipe. Returns
        the process and that line."""
        read_end, write_end = os.pipe()
        try:
            process = self._launch([part.replace("{fd}", str(write_end)) for part in command],
                                   pass_fds=[write_end], **options)
            os.close(write_end)
            write_end = None
            line = b""
            end = time.monotonic() + timeout
            while not line.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
                if not ready:
                    raise E2EFailure(f"{what} did not start in {timeout:.0f} s")
                chunk = os.read(read_end, 256)
                if not chunk:
                    raise E2EFailure(f"{what} did not start")
                line += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        return process, line.decode().strip()

    def _start_x_server(self):
        _, number = self._launch_until_ready(
            ["Xvfb", "-displayfd", "{fd}", "-screen", "0", self.screen + "x24", "-nolisten", "tcp"],
            "Xvfb", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.display = ":" + number
        self.env["DISPLAY"] = self.display

    def _start_buses(self):
        """Starts a session bus in the runtime folder and the accessibility bus on it, and
        waits until both answer: the program connects to its session bus once, as it
        starts, and the reader here fails on a bus that is not there yet."""
        log_path = os.path.join(self.runtime, "buses.log")
        with open(log_path, "wb") as log:
            bus = self._start_session_bus(log)
            self._wait_started(bus, lambda: "string" in self._dbus(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId"),
                "the session bus to answer", log_path)
            launcher = self._launch([BUS_LAUNCHER, "--launch-immediately"], stdout=log,
                                    stderr=log)

        # Asked for its address before it owns its name, the session bus would start a
        # second launcher of its own from the launcher's service file.
        self._wait_started(launcher, lambda: "true" in self._dbus(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
            "string:org.a11y.Bus"), "the accessibility bus launcher", log_path)

        def address():
            reply = self._dbus("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress")
            match = re.search(r'string "(.+)"', reply)
            return match.group(1) if match else None
        self.accessibility_address = self._wait_started(
            launcher, address, "the address of the accessibility bus", log_path)
        self._wait_started(launcher, lambda: "string" in self._dbus(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId",
            bus=self.accessibility_address), "the accessibility bus to answer", log_path)

        # A reader in this very process (pyatspi) finds its buses in our environment, and
        # must find these, not the desktop's nor those of the real home folder.
        self._export({**self._own_folders(), "DISPLAY": self.display,
                      "DBUS_SESSION_BUS_ADDRESS": self.env["DBUS_SESSION_BUS_ADDRESS"],
                      "AT_SPI_BUS_ADDRESS": self.accessibility_address})

    def _start_session_bus(self, log):
        """Starts dbus-daemon at the session's bus address; returns once it listens."""
        bus, address = self._launch_until_ready(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile",
             "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"], "--print-address={fd}"],
            "the session bus", stdout=log, stderr=log)
        # The address it prints names this very bus (with its id).
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        return bus

    def _dbus(self, destination, path, method, *arguments, bus=None):
        """The reply of a D-Bus call on the session bus (or the bus at `bus`), or "" when
        the call fails."""
        which = "--bus=" + bus if bus else "--session"
        return self._run(["dbus-send", which, "--print-reply", "--reply-timeout=2000",
                          "--dest=" + destination, path, method, *arguments])

    def _wait_started(self, process, condition, what, log_path, timeout=30.0):
        """Waits for `condition` while `process` runs; says what it logged when it fails."""
        end = time.monotonic() + timeout
        while time.monotonic() < end and process.poll() is None:
            result = condition()
            if result:
                return result
            time.sleep(0.05)
        with open(log_path, "rb") as log:
            said = log.read().decode(errors="replace").strip()
        if process.poll() is None:
            problem = f"timed out waiting for {what}"
        else:
            problem = f"{process.args[0]} ended with {process.returncode} before {what}"
        raise E2EFailure(problem + (f"; the buses said:\n{said}" if said else ""))

    def _export(self, variables):
        """Sets variables in this process's own environment until the session ends."""
        for name, value in variables.items():
            self._saved_environ.setdefault(name, os.environ.get(name))
            os.environ[name] = value
        for name in DESKTOP_VARIABLES:
            if name not in variables and name in os.environ:
                self._saved_environ.setdefault(name, os.environ[name])
                del os.environ[name]

    def _start_program(self, wrapper=()):
        # Started here rather than through _launch: the program is watched on its own
        # (its exit code, its output), and copies come and go during a session.
        return subprocess.Popen([*wrapper, self.program], env=self.env, cwd=self.cwd,
                                process_group=self.group, preexec_fn=_die_with_parent,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def start_copy(self, wrapper=()):
        """Starts a second copy of the program on the same screen and home folder (under
        `wrapper`, a command followed by the program, when given)."""
        copy = self._start_program(wrapper)
        self.copies.append(copy)
        return copy

    def watch(self, process):
        """From now on looks only at the windows of that process (None: at every window)."""
        self.only_pid = process.pid if process else None

    def _start_window_manager(self):
        """Starts openbox and waits until it owns the screen.

        On a busy machine the window manager can take many seconds to come up, and it
        may give up at once if the X server is not yet accepting it; it is started again
        then, and what it said is shown when it never comes up."""
        log_path = os.path.join(self.home, ".openbox.log")
        for _ in range(3):
            with open(log_path, "wb") as log:
                wm = self._launch(["openbox"], stdout=log, stderr=subprocess.STDOUT)
            end = time.monotonic() + 30.0
            while time.monotonic() < end and wm.poll() is None:
                if "window id" in self._run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]):
                    return
                time.sleep(0.1)
            if wm.poll() is None:
                break
            self.processes.remove(wm)
        with open(log_path, "rb") as log:
            said = log.read().decode(errors="replace").strip()
        raise E2EFailure("the window manager did not start" +
                         (f"; it said:\n{said}" if said else ""))

    def __exit__(self, kind, value, trace):
        self._ending = True
        try:
            if kind is not None and self.display:
                self.screenshot("failure")
            for copy in self.copies:
                if copy.poll() is None:
                    copy.kill()
                    copy.wait()
            if self.app and self.app.poll() is None:
                self.app.kill()
                self.app.wait()
            for process in reversed(self.processes):
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            self._end_group()
            if self.app and self.app.stdout:
                output = self._read_what_is_there(self.app.stdout)
                if kind is not None and output.strip():
                    print("program output:\n" + output, file=sys.stderr)
            if self.runtime:
                shutil.rmtree(self.runtime, ignore_errors=True)
            if not self.keep_home:
                shutil.rmtree(self.home, ignore_errors=True)
            for name, saved in self._saved_environ.items():
                if saved is None:
                    os.environ.pop(name, None)
                else:
                    os.environ[name] = saved
            self._saved_environ = {}
        finally:
            for number, handler in self._saved_handlers.items():
                signal.signal(number, handler)
            self._saved_handlers = {}
            self._ending = False
        if self._stopped_by:
            raise SystemExit(f"stopped by {signal.Signals(self._stopped_by).name}")
        return False

    def _end_group(self):
        """Lets the guard end what is left of the session's process group: whatever our own
        processes started in turn (a bus started the registry, xclip stays behind to serve
        the clipboard, strace's program outlives a killed strace), and waits until it has."""
        if not self.guard:
            return
        self.guard.stdin.close()
        done, _, _ = select.select([self.guard.stdout], [], [], 15.0)
        if not done:
            os.killpg(self.group, signal.SIGKILL)
        self.guard.stdout.close()
        self.guard = None

    @staticmethod
    def _read_what_is_there(pipe):
        """What a pipe holds, without waiting for a writer that might never close it."""
        os.set_blocking(pipe.fileno(), False)
        return (pipe.read() or b"").decode(errors="replace")

    # --- low-level ------------------------------------------------------------------
    def _run(self, command, check_ok=False):
        done = subprocess.run(command, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, process_group=self.group)
        if check_ok and done.returncode != 0:
            raise E2EFailure(f"{command} failed: {done.stderr}")
        return done.stdout


    def wait(self, condition, what, timeout=20.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.app and self.app.poll() is not None and self.app.returncode != 0:
                raise E2EFailure(f"the program ended with {self.app.returncode} "
                                 f"while waiting for {what}")
            result = condition()
            if result:
                return result
            time.sleep(0.05)
        raise E2EFailure(f"timed out waiting for {what}")

    def windows(self, title_pattern):
        which = ["--all", "--pid", str(self.only_pid)] if self.only_pid else []
        out = self._run(["xdotool", "search", *which, "--onlyvisible", "--name", title_pattern])
        return [w for w in out.split() if w]

    def wait_window(self, title_pattern, timeout=20.0):
        return self.wait(lambda: (self.windows(title_pattern) or [None])[-1],
                         f"a window named {title_pattern!r}", timeout)

    def focused_title(self):
        window = self._run(["xdotool", "getwindowfocus"]).strip()
        return self._run(["xdotool", "getwindowname", window]).strip() if window else ""

    # --- acting as the user ---------------------------------------------------------
    def pause(self, seconds=0.15):
        time.sleep(seconds)

    def key(self, *keys):
        self._run(["xdotool", "key", "--delay", "40", *keys], check_ok=True)
        self.pause()

    def type(self, text):
        self._run(["xdotool", "type", "--delay", "25", text], check_ok=True)
        self.pause()

    def click(self, x, y):
        self._run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check_ok=True)
        self.pause()

    def activate(self, window):
        self._run(["xdotool", "windowactivate", "--sync", window])
        self.pause()

    def clipboard(self):
        return self._run(["xclip", "-o", "-selection", "clipboard"])

    def ping(self, window=None, timeout=10.0):
        """Sends a window of the program (the main window unless given) a _NET_WM_PING, as a
        window manager does, and waits for the answer. Qt answers on its one thread, after
        every event sent before: when it has, the program has handled every key typed so
        far. Returns the round trip in seconds."""
        from Xlib import X, display
        from Xlib.protocol import event
        connection = display.Display(self.display)
        try:
            root = connection.screen().root
            target = connection.create_resource_object("window",
                                                       int(window or self.main_window()))
            # The answer goes to the root window, to those who listen for changes of it
            # (Qt) or of its children (the usual way).
            root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
            protocols = connection.intern_atom("WM_PROTOCOLS")
            ping = connection.intern_atom("_NET_WM_PING")
            stamp = int(time.monotonic() * 1000) & 0x7FFFFFFF or 1
            start = time.monotonic()
            target.send_event(event.ClientMessage(window=target, client_type=protocols,
                                                  data=(32, [ping, stamp, target.id, 0, 0])),
                              event_mask=0)
            connection.flush()
            end = start + timeout
            while time.monotonic() < end:
                select.select([connection.fileno()], [], [], 0.05)
                # A round trip of our own reads what has come in.
                connection.get_input_focus()
                for _ in range(connection.pending_events()):
                    answer = connection.next_event()
                    if (answer.type == X.ClientMessage and answer.client_type == protocols
                            and list(answer.data[1][:2]) == [ping, stamp]):
                        return time.monotonic() - start
            raise E2EFailure(f"the program did not answer a ping in {timeout:.0f} s")
        finally:
            connection.close()

    def end_display(self):
        """Ends the X server under the running program, as when a remote session drops."""
        server = self.processes[0]
        server.kill()
        server.wait()

    def screenshot(self, name):
        if self.shots:
            os.makedirs(self.shots, exist_ok=True)
            self._run(["import", "-window", "root", os.path.join(self.shots, name + ".png")])

    # --- the program's own windows --------------------------------------------------
    def click_splash(self):
        splash = self.wait_window("^Kesterly$")
        geometry = self._run(["xdotool", "getwindowgeometry", "--shell", splash])
        values = dict(line.split("=") for line in geometry.split() if "=" in line)
        x, y = int(values["X"]), int(values["Y"])
        width, height = int(values["WIDTH"]), int(values["HEIGHT"])
        # Anywhere on the picture but the label at its bottom left.
        self.click(x + width * 3 // 4, y + height // 3)
        self._await_main_window()

    def press_splash(self):
        """Opens the main window from the splash picture by keyboard (Enter)."""
        self.activate(self.wait_window("^Kesterly$"))
        self.key("Return")
        self._await_main_window()

    def _await_main_window(self):
        self.wait(self._main_window, "the main window")
        self.pause(0.4)

    def _main_window(self):
        for window in self.windows("^Kesterly"):
            geometry = self._run(["xdotool", "getwindowgeometry", window])
            match = re.search(r"Geometry: (\d+)x(\d+)", geometry)
            if match and int(match.group(1)) >= 1000:
                return window
        return None

    def main_window(self):
        return self.wait(self._main_window, "the main window")

    def main_title(self):
        return self._run(["xdotool", "getwindowname", self.main_window()]).strip()

    def message(self, title, timeout=20.0):
        """Reads the message box in front (its title and text), then closes it with Enter."""
        box, parts = self.read_message(title, timeout)
        self.key("Return")
        self.wait(lambda: box not in self.windows("^" + re.escape(title) + "$"),
                  f"the message box {title!r} to close")
        self.activate(self.main_window())
        return parts[0], parts[1]

    def read_message(self, title, timeout=20.0):
        """Reads the message box in front and leaves it open: its window, and its title,
        text and buttons ("OK   Cancel")."""
        box = self.wait_window("^" + re.escape(title) + "$", timeout)
        self.activate(box)
        # xclip stays behind to serve the emptied clipboard until the program takes it
        # over, so it must not hold our output pipe.
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                       process_group=self.group)
        self.key("ctrl+c")
        copied = self.wait(self.clipboard, f"the text of the message box {title!r}")
        parts = [p.strip() for p in re.split(r"-{5,}", copied) if p.strip()]
        check(len(parts) >= 2, f"message box copy looks odd: {copied!r}")
        return box, parts

    def expect_message(self, title, text):
        got_title, got_text = self.message(title)
        check_equal(got_title, title, "message box title")
        check_equal(got_text, text, "message box text")

    def close_main_window(self, process=None, expect_exit=0):
        """Closes the main window as a window manager asks it to (WM_DELETE_WINDOW), and
        waits for the program (or the given copy) to end; returns its exit code."""
        process = process or self.app
        self.activate(self.main_window())
        self.key("alt+F4")
        code = process.wait(timeout=30)
        if expect_exit is not None:
            check_equal(code, expect_exit, "exit code of the program")
        return code

    def file(self, relative):
        with open(os.path.join(self.home, relative), "rb") as f:
            return f.read()


def files_under(folder):
    """Every file below the folder by its path there, with its bytes."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def run(tests):
    """Runs each test function with the program path from the command line; names after
    the path pick some of the tests."""
    program = sys.argv[1]
    if len(sys.argv) > 2:
        tests = [test for test in tests if test.__name__ in sys.argv[2:]]
        check(tests, f"no test named {sys.argv[2:]}")
    failed = 0
    for test in tests:
        try:
            test(program)
            print(f"PASS   : {test.__name__}")
        except Exception as error:  # noqa: BLE001 - every failure is reported
            failed += 1
            print(f"FAIL!  : {test.__name__}: {error}")
    print(f"{len(tests) - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
