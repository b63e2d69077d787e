"""Drives the real Kesterly program in its own X server, as a user would.

Each Session starts Xvfb on a free display, a window manager (so windows get the focus
and a close request arrives as WM_DELETE_WINDOW, as on a desktop), and the program with
HOME in a temporary folder. Keys and clicks go through xdotool; texts shown in message
boxes are read through the clipboard (a message box copies itself on Ctrl+C).

Everything a session starts ends with it: on a normal end, on a failure, on SIGTERM or
Ctrl+C, and when this Python process is killed outright (see guard.py).
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
                 keep_home=False):
        self.program = os.path.abspath(program)
        self.lang = lang
        self.keep_home = keep_home or home is not None
        self.home = home or tempfile.mkdtemp(prefix="kesterly-e2e-")
        self.cwd = cwd or self.home
        # A command the program runs under (strace, say), followed by the program.
        self.wrapper = wrapper or []
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
        self.env = dict(os.environ, HOME=self.home, LANG=self.lang, LC_ALL=self.lang,
                        LANGUAGE="", QTWEBENGINE_DISABLE_SANDBOX="1")
        self.env.pop("QT_QPA_PLATFORM", None)
        self._start_guard()
        self._start_x_server()
        self._start_window_manager()
        self.app = self._start_program(self.wrapper)

    def _start_guard(self):
        """Starts guard.py as the leader of a new process group, which every process of the
        session then joins; it ends the group when we close its input, or die, and then
        removes the session's own home folder."""
        folders = [] if self.keep_home else [self.home]
        self.guard = subprocess.Popen([sys.executable, os.path.join(HERE, "guard.py"), *folders],
                                      stdin=subprocess.PIPE, env=self.env, process_group=0)
        self.group = self.guard.pid

    def _launch(self, command, **options):
        """Starts a process that lives as long as the session."""
        process = subprocess.Popen(command, env=self.env, process_group=self.group,
                                   preexec_fn=_die_with_parent, **options)
        self.processes.append(process)
        return process

    def _launch_until_ready(self, command, what, timeout=30.0, **options):
        """Starts a process that writes a line to a pipe once it is ready (Xvfb its display
        number); "{fd}" in `command` stands for the pipe. Returns the process and that
        line."""
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
            ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            "Xvfb", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.display = ":" + number
        self.env["DISPLAY"] = self.display

    def _start_program(self, wrapper=()):
        # Started here rather than through _launch: the program is watched on its own
        # (its exit code, its output), and copies come and go during a session.
        return subprocess.Popen([*wrapper, self.program], env=self.env, cwd=self.cwd,
                                process_group=self.group, preexec_fn=_die_with_parent,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def start_copy(self):
        """Starts a second copy of the program on the same screen and home folder."""
        copy = self._start_program()
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
            if not self.keep_home:
                shutil.rmtree(self.home, ignore_errors=True)
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
        try:
            self.guard.wait(timeout=15)
        except subprocess.TimeoutExpired:
            os.killpg(self.group, signal.SIGKILL)
            self.guard.wait()
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
        self.key("Return")
        self.wait(lambda: box not in self.windows("^" + re.escape(title) + "$"),
                  f"the message box {title!r} to close")
        self.activate(self.main_window())
        return parts[0], parts[1]

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
