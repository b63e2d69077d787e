"""Creating and opening an account in the real program, by keyboard."""

import os
import re
import shutil
import signal
import tempfile

from harness import E2EFailure, Session, check, check_equal, files_under, run

LIST_FILES = ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt",
              "ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt",
              "Reminders/Date.txt", "Reminders/Time.txt", "Reminders/Description.txt"]


def enter_household(s, balance="500"):
    """From the start chooser (focus on "New Account"): types Household and presses
    "Enter"."""
    s.key("ctrl+shift+Tab")  # from the status panel, active after the splash, back to the chooser
    s.key("space")  # "New Account"; the chooser closes
    s.type(balance)  # focus starts in the opening balance
    s.key("Tab", "Tab")  # "Enter", then the name box
    s.type("Household")
    s.key("Tab", "Tab", "space")  # back round to "Enter"


def create_household(s, balance="500"):
    """From the start chooser (focus on "New Account"): creates Household."""
    enter_household(s, balance)
    s.expect_message("New Account", "New Account was Successfully Created")
    s.expect_message("Kesterly", "Are you want open your new project (click : open Account)")


def open_household(s):
    """Ctrl+O, then Household from the folder list (the program started in its parent)."""
    s.key("ctrl+o")
    s.key("Tab")  # from the drive list to the folder list
    s.key("End", "Return")  # the last entry is the only subfolder: Household
    s.key("Tab", "space")  # "Ok"


def test_new_and_open_account(program):
    with Session(program) as s:
        s.click_splash()
        create_household(s)
        home = s.home
        check_equal(s.file("Household/Name.txt"), b"Household\r\n", "Name.txt")
        check_equal(s.file("Household/OpeningBalance.txt"), b"500\r\n", "OpeningBalance.txt")
        for name in LIST_FILES:
            check_equal(s.file("Household/" + name), b"\r\n", name)
        check_equal(s.main_title(), "Kesterly", "caption before opening")

        open_household(s)
        s.expect_message("Please", "If any account is already opened Please reopen all window "
                         "in this program to reset the value of Amount")
        s.screenshot("opened")
        check_equal(s.main_title(), "Kesterly  (" + os.path.join(home, "Household") + ")",
                    "caption after opening")
        s.close_main_window()


def test_lock_that_is_a_pipe(program):
    """A pipe where the account's mark belongs is answered at once; Enter keeps it, and the
    program goes on as before."""
    with Session(program) as s:
        s.click_splash()
        create_household(s)
        lock = os.path.join(s.home, "Household", ".kesterly.lock")
        os.mkfifo(lock)
        open_household(s)
        title, text = s.message("Open Account", timeout=5.0)
        check("not a plain file" in text and lock in text, f"the message names the pipe: {text!r}")
        check(os.path.exists(lock), "Enter (Cancel) leaves the pipe")
        check_equal(s.main_title(), "Kesterly", "caption after Cancel")
        os.unlink(lock)
        s.key("space")  # the Open Account window is still there, its "Ok" in focus
        s.expect_message("Please", "If any account is already opened Please reopen all window "
                         "in this program to reset the value of Amount")
        s.close_main_window()


WHOLE = {"Name.txt": b"Household\r\n", "OpeningBalance.txt": b"500\r\n",
         **{name: b"\r\n" for name in LIST_FILES}}
CREATION_FOLDER = re.compile(r"^\.Household\.[0-9a-f]{8}\.kesterly-new$")


def _accounts_in(home):
    """Household's files when it is there (None when not), and the hidden creation
    folders beside it."""
    names = os.listdir(home)
    account = files_under(os.path.join(home, "Household")) if "Household" in names else None
    return account, [name for name in names if CREATION_FOLDER.match(name)]


def test_killed_while_creating(program):
    """The program killed as New Account flushes a file or folder (fsync) or gives the
    account its name (renameat2), at steps from the first to the last (test_accountcreation
    kills it at every write, flush, rename and removal): the home folder
    holds no account or a whole one, and New Account then creates it or says that it
    exists, and removes what the killed one left."""
    strace = shutil.which("strace")
    check(strace, "strace is needed (scripts/install-deps.sh installs it)")
    # Thirty flushes: the marker and each of the thirteen files with its folder, the
    # creation folder, the home folder after the rename.
    steps = [("fsync", 1), ("fsync", 15), ("renameat2", 1), ("fsync", 30)]
    outcomes = []
    for call, step in steps:
        where = f"{call} {step}"
        home = tempfile.mkdtemp(prefix="kesterly-e2e-")
        try:
            wrapper = [strace, "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call,
                       "-e", f"inject={call}:signal=KILL:when={step}"]
            with Session(program, home=home, wrapper=wrapper) as s:
                try:
                    s.press_splash()
                    enter_household(s)
                    s.wait(lambda: s.app.poll() is not None, f"the program killed at {where}")
                except E2EFailure:
                    if s.app.poll() is None:
                        raise
                code = s.app.returncode
            check(code in (-signal.SIGKILL, 128 + signal.SIGKILL),
                  f"killed at {where}: exit code {code}")
            account, leftovers = _accounts_in(home)
            check(account is None or account == WHOLE,
                  f"killed at {where}: half an account {sorted(account or {})}")
            # Each kill came inside New Account: its creation folder is there.
            check_equal(len(leftovers), 1, f"hidden creation folders after the kill at {where}")
            outcomes.append("whole" if account else "none")

            with Session(program, home=home) as s:
                s.press_splash()
                enter_household(s)
                if account is None:
                    s.expect_message("New Account", "New Account was Successfully Created")
                    s.expect_message("Kesterly", "Are you want open your new project "
                                     "(click : open Account)")
                else:
                    title, text = s.message("New Account")
                    check(text.startswith('An account named "Household" already exists'),
                          f"after the kill at {where}: {text!r}")
                s.close_main_window()
            account, leftovers = _accounts_in(home)
            check_equal(account, WHOLE, f"Household after the kill at {where}")
            check_equal(leftovers, [], f"hidden folders after the kill at {where}")
        except E2EFailure as failure:
            raise E2EFailure(f"{where}: {failure}") from failure
        finally:
            shutil.rmtree(home, ignore_errors=True)
    check("none" in outcomes and "whole" in outcomes,
          f"the kills came before the account had its name and after: {outcomes}")
    print("killed at " + ", ".join(f"{c} {n} ({o})" for (c, n), o in zip(steps, outcomes)))


if __name__ == "__main__":
    run([test_new_and_open_account, test_lock_that_is_a_pipe, test_killed_while_creating])
