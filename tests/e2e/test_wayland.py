"""The program on a Wayland desktop: it runs as a Wayland client of weston, Wayland's
reference compositor, whose desktop shows in a window of the session's own X server (its
X11 back end, through which xdotool's keys reach the Wayland windows). It names itself
by the desktop entry's id, so the desktop can match its windows to the menu entry and
icon; an account is opened and an income submitted by keyboard alone, and the files are
checked byte for byte."""

import os
import re
import subprocess
import shutil
import tempfile

from harness import Session, _die_with_parent, check, check_equal, run
from test_accounts import open_household
from test_files import lines, make_household, read_account

APP_ID = "example.velquist.kesterly"
SOCKET = "wayland-kesterly"


class WaylandSession(Session):
    """A session whose desktop is weston rather than openbox. The program talks Wayland
    only (QT_QPA_PLATFORM=wayland: no fallback to X11), and logs the Wayland requests it
    sends (WAYLAND_DEBUG=client) to a file, where the test reads its windows' titles and
    app id."""

    def _start_window_manager(self):
        log = os.path.join(self.runtime, "weston.log")
        # No screen lock, no on-screen keyboard over the text boxes (an empty path starts
        # none): the keys come from the X server, as from a real keyboard. No animations:
        # a closed window fades out for a moment before the one behind it gets the keys.
        config = os.path.join(self.runtime, "weston.ini")
        with open(config, "w") as f:
            f.write("[core]\nidle-time=0\n[input-method]\npath=\n"
                    "[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\n"
                    "focus-animation=none\n")
        self._launch(["weston", "--config=" + config, "--backend=x11-backend.so",
                      "--socket=" + SOCKET, "--width=1200", "--height=760", "--log=" + log],
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def ready():
            if not os.path.exists(os.path.join(self.runtime, SOCKET)):
                return None
            found = self._run(["xdotool", "search", "--classname", "^weston"]).split()
            return found[0] if found else None
        self.weston_window = self.wait(ready, "weston's desktop window", timeout=30)
        # Every key from the X server goes to weston's window, and from there to the
        # Wayland window in front.
        self._run(["xdotool", "windowfocus", "--sync", self.weston_window], check_ok=True)
        self.env.update(WAYLAND_DISPLAY=SOCKET, QT_QPA_PLATFORM="wayland",
                        WAYLAND_DEBUG="client")

    def _start_program(self, wrapper=()):
        # The protocol log is long: it goes to a file, not to a pipe nobody reads until
        # the end, which would fill and stop the program.
        self.log_path = os.path.join(self.runtime, "program.log")
        with open(self.log_path, "wb") as log:
            return subprocess.Popen([*wrapper, self.program], env=self.env, cwd=self.cwd,
                                    process_group=self.group, preexec_fn=_die_with_parent,
                                    stdout=log, stderr=subprocess.STDOUT)

    def log(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def toplevels(self, title):
        """The Wayland windows (xdg_toplevel objects) that were given this title."""
        pattern = r"-> xdg_toplevel@(\d+)\.set_title\(\"" + re.escape(title) + r"\"\)"
        return set(re.findall(pattern, self.log()))

    def wait_toplevels(self, title, count):
        self.wait(lambda: len(self.toplevels(title)) >= count,
                  f"{count} Wayland window(s) named {title!r}")
        self.pause(0.5)

    def key_closing(self, *keys):
        """Presses keys that close the Wayland window in front, and waits until weston has
        given the keyboard to the window behind it: keys pressed in between reach no
        window."""
        mark = len(self.log())
        self.key(*keys)

        def refocused():
            events = re.findall(r"wl_keyboard@\d+\.(leave|enter)\(", self.log()[mark:])
            return "leave" in events and events[-1] == "enter"
        self.wait(refocused, "the keyboard to reach the window behind")


def test_on_weston_by_keyboard(program):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    try:
        on_weston_by_keyboard(program, home)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def on_weston_by_keyboard(program, home):
    old = make_household(home, b"500\r\n")
    with WaylandSession(program, home=home) as s:
        s.wait_toplevels("Kesterly", 1)  # the splash window
        app_ids = set(re.findall(r"\.set_app_id\(\"([^\"]*)\"\)", s.log()))
        check_equal(app_ids, {APP_ID}, "the app id of the program's windows")

        # The splash window has the keyboard once weston says so.
        s.wait(lambda: re.search(r"wl_keyboard@\d+\.enter\(", s.log()), "the keyboard's focus")
        s.key_closing("Return")  # the splash picture: the main window opens
        s.wait_toplevels("Kesterly", 2)
        s.screenshot("wayland-main")
        open_household(s)
        s.wait_toplevels("Please", 1)  # "If any account is already opened ..."
        s.key_closing("Return")

        s.key("ctrl+e")  # the Entry form, its focus in the date box
        s.pause(1)
        s.type("1/5/2027")
        s.key("Tab")
        s.type("Gift")
        s.key("Tab")
        s.type("200")
        s.key("Tab", "space")  # "Income"
        s.key("Tab", "space")  # "Submit": the Income window opens with it, 700
        s.pause(1)
        s.screenshot("wayland-submitted")

        # A Submit saves the entry at once.
        def saved():
            found = read_account(home)
            return found if found["IncomeDate.txt"].endswith(b"1/5/2027\r\n") else None
        found = s.wait(saved, "the income to reach the account's files")
        check(s.app.poll() is None, "the program is still running")
        # Every window the program opened on the way, message boxes too, has the id.
        app_ids = re.findall(r"\.set_app_id\(\"([^\"]*)\"\)", s.log())
        check_equal(set(app_ids), {APP_ID}, "the app id of every window")
        check(len(re.findall(r"get_toplevel\(", s.log())) == len(app_ids),
              "every Wayland window is given the app id")

    check_equal(found["OpeningBalance.txt"], lines("700"), "the balance")
    check_equal(found["IncomeDate.txt"], lines("", "1/2/2026", "1/5/2027"), "the income dates")
    check_equal(found["IncomeDes.txt"], lines("", "rent back", "Gift"), "the descriptions")
    check_equal(found["IncomeAmn.txt"], lines("", "100", "200"), "the amounts")
    check_equal(found["Incomebal.txt"], lines("", "600", "700"), "the income balances")
    for name in ["ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt"]:
        check_equal(found[name], old[name], name)


if __name__ == "__main__":
    run([test_on_weston_by_keyboard])
