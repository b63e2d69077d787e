"""What reaches the disk when things go wrong, in the real program: a second copy of the
program on the same account, and the program killed at each step of its saves."""

import os
import shutil
import signal
import subprocess
import tempfile

from harness import E2EFailure, Session, check, check_equal, files_under, run
from test_accounts import open_household

CRLF = b"\r\n"
PLEASE = ("If any account is already opened Please reopen all window in this program to "
          "reset the value of Amount")
TABLES = {
    "income": ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt"],
    "expense": ["ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt"],
    "reminders": ["Reminders/Date.txt", "Reminders/Time.txt", "Reminders/Description.txt"],
}
OLD_ROWS = {
    "income": [["", "1/2/2026"], ["", "rent back"], ["", "100"], ["", "600"]],
    "expense": [["", "1/3/2026"], ["", "rent"], ["", "700"], ["", "-100"]],
    "reminders": [["", "1/4/2026"], ["", "9:00:00 AM"], ["", "Dentist"]],
}


def lines(*rows):
    return b"".join(row.encode() + CRLF for row in rows)


def make_household(home, balance=b"-100\r\n"):
    """An account with a row in each table, as an earlier session left it."""
    folder = os.path.join(home, "Household")
    os.makedirs(os.path.join(folder, "Reminders"))
    files = {"Name.txt": lines("Household"), "OpeningBalance.txt": balance}
    for table, names in TABLES.items():
        for name, rows in zip(names, OLD_ROWS[table]):
            files[name] = lines(*rows)
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)
    return files


def read_account(home):
    return files_under(os.path.join(home, "Household"))


def open_account(s):
    open_household(s)
    s.expect_message("Please", PLEASE)


def record_income(s, amount):
    """An income in the Entry form, by keyboard; the Income window opens with it."""
    s.key("ctrl+e")  # focus in the date box
    s.type("1/5/2027")
    s.key("Tab")
    s.type("Gift")
    s.key("Tab")
    s.type(amount)
    s.key("Tab", "space")  # "Income"
    s.key("Tab", "space")  # "Submit"


def other_host_name_works():
    """Whether a program can run here under another host name (a UTS namespace of its own,
    which takes root or user namespaces)."""
    unshare = shutil.which("unshare")
    return bool(unshare) and subprocess.run(
        [unshare, "-u", "hostname", "other-computer"], stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL).returncode == 0


def test_second_copy_is_told_and_nothing_is_lost(program):
    # The second copy also under another host name, as in a container on this computer:
    # the same computer all the same, so it is not offered to take the account over.
    wrappers = {"same host name": []}
    if other_host_name_works():
        wrappers["another host name"] = [
            "unshare", "-u", "sh", "-c", 'hostname other-computer && exec "$0"']
    else:
        print("SKIP   : the second copy under another host name (unshare -u does not work "
              "here; it takes root or user namespaces)")
    for how, wrapper in wrappers.items():
        _second_copy_is_told(program, how, wrapper)


def _second_copy_is_told(program, how, wrapper):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    make_household(home, b"500\r\n")
    with Session(program, home=home) as s:
        first = s.app
        s.watch(first)
        s.press_splash()
        open_account(s)
        record_income(s, "200")

        # A second copy on the same screen and the same account.
        second = s.start_copy(wrapper)
        s.watch(second)
        s.press_splash()
        open_household(s)
        box, (title, text, *buttons) = s.read_message("Open Account")
        check("open in another copy of Kesterly" in text and f"process {first.pid}" in text,
              f"{how}: the second copy names the first: {text!r}")
        check_equal(buttons, ["OK"], f"{how}: the buttons of the message (no offer to take over)")
        s.key("Return")
        s.wait(lambda: box not in s.windows("^Open Account$"), "the message box to close")
        s.screenshot("second-copy-told")
        check("Household" not in s.main_title(), "the second copy did not open the account")
        s.close_main_window(second)

        # The first copy goes on and records the entry again; nothing is lost at its end.
        s.watch(first)
        s.activate(s.main_window())
        s.key("ctrl+e")  # back to the form, its focus still on "Submit"
        s.key("space")
        s.close_main_window(first)
        found = read_account(home)
        check_equal(found["OpeningBalance.txt"], lines("900"), "the balance")
        check_equal(found["IncomeDes.txt"], lines("", "rent back", "Gift", "Gift"),
                    "the income descriptions")
        check_equal(found["Incomebal.txt"], lines("", "600", "700", "900"),
                    "the income balances")
        check(".kesterly.lock" not in found, "the account's mark is gone with the program")
    shutil.rmtree(home, ignore_errors=True)


# What a copy on another computer leaves in the account's mark.
FAR_AWAY_MARK = (b"4242\nKesterly\nfar-away-computer\n0123456789abcdef0123456789abcdef\n"
                 b"11111111-2222-3333-4444-555555555555\n2026-03-14T09:26:00Z\n")


def test_asked_to_end_during_the_lock_question_keeps_the_file(program):
    """A logout (SIGTERM) or a closed terminal (SIGHUP) while the program asks whether to
    take over another computer's mark, or to remove a file of the user's of that name:
    the question ends as Cancel does, the file stays as it was and the account is not
    opened."""
    cases = [(signal.SIGTERM, FAR_AWAY_MARK, "no longer running on \"far-away-computer\""),
             (signal.SIGHUP, FAR_AWAY_MARK, "no longer running on \"far-away-computer\""),
             (signal.SIGTERM, b"my own notes\n", "Choose OK to remove")]
    for number, content, question in cases:
        name = signal.Signals(number).name
        home = tempfile.mkdtemp(prefix="kesterly-e2e-")
        try:
            before = make_household(home, b"500\r\n")
            before[".kesterly.lock"] = content
            with open(os.path.join(home, "Household", ".kesterly.lock"), "wb") as f:
                f.write(content)
            with Session(program, home=home) as s:
                s.press_splash()
                open_household(s)
                _, (_, text, *buttons) = s.read_message("Open Account")
                check(question in text, f"{name}: the question asked: {text!r}")
                check_equal(buttons, ["OK   Cancel"], f"{name}: the buttons of the question")
                s.app.send_signal(number)
                code = s.app.wait(timeout=30)
            check_equal(code, 0, f"exit code after {name} during the question")
            check_equal(read_account(home), before, f"{name} during the question: the account")
        finally:
            shutil.rmtree(home, ignore_errors=True)


def _session_that_saves(program, home, wrapper):
    """Opens Household, records an income (the income table and the balance, saved
    together) and adds a reminder (saved at once), then closes the main window. Returns
    the exit code, also when the program was killed on the way."""
    with Session(program, home=home, wrapper=wrapper) as s:
        try:
            s.press_splash()
            open_account(s)
            s.key("ctrl+a")  # the Income window
            record_income(s, "25")
            s.key("ctrl+r")  # focus in the dates list
            s.key("Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "space")  # "Add" today, now
            return s.close_main_window(expect_exit=None)
        except E2EFailure:
            if s.app.poll() is None:
                raise
            return s.app.returncode


def _table_state(found, table):
    """"old" or "new" for a table that is whole, else a description of the split."""
    names = TABLES[table]
    contents = [found.get(name) for name in names]
    old = [lines(*rows) for rows in OLD_ROWS[table]]
    if contents == old:
        return "old"
    grown = [c is not None and c.startswith(o) and c.count(CRLF) == o.count(CRLF) + 1
             for c, o in zip(contents, old)]
    if all(grown):
        return "new"
    return f"split: {contents!r}"


def test_killed_at_each_step_every_table_is_whole(program):
    """Killed as it puts a file in place (rename) or adds a line to one (pwrite64), at
    each such call in turn: afterwards every table is all old or all new, and the balance
    is new exactly when the entry it counts is there."""
    strace = shutil.which("strace")
    check(strace, "strace is needed (scripts/install-deps.sh installs it)")
    kills = 0
    split_on_disk = 0
    for call in ("rename", "pwrite64"):
        for step in range(1, 60):
            home = tempfile.mkdtemp(prefix="kesterly-e2e-")
            try:
                old = make_household(home)
                # Killed for real as the call begins.
                wrapper = [strace, "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call,
                           "-e", f"inject={call}:signal=KILL:when={step}"]
                code = _session_that_saves(program, home, wrapper)
                killed = code in (-signal.SIGKILL, 128 + signal.SIGKILL)
                where = f"{call} {step}"
                check(killed or code == 0, f"exit code {code} at {where}")
                before = read_account(home)
                if killed:
                    kills += 1
                    if (any(_table_state(before, t).startswith("split") for t in TABLES) or
                            (_table_state(before, "income") == "new") !=
                            (before["OpeningBalance.txt"] == lines("-75"))):
                        split_on_disk += 1
                    # Opening the account again finishes (or drops) what was cut short.
                    with Session(program, home=home) as s:
                        s.press_splash()
                        open_account(s)
                        s.close_main_window()
                found = read_account(home)
                for table in TABLES:
                    state = _table_state(found, table)
                    check(state in ("old", "new"), f"killed at {where}: {table} {state}")
                    if not killed:
                        check_equal(state, "old" if table == "expense" else "new",
                                    f"{table} after a save that was not cut short")
                income_new = _table_state(found, "income") == "new"
                check_equal(found["OpeningBalance.txt"],
                            lines("-75") if income_new else old["OpeningBalance.txt"],
                            f"killed at {where}: the balance beside the income table")
                leftovers = [name for name in found if os.path.basename(name).startswith(".")]
                check_equal(leftovers, [], f"hidden files left after {where}")
                if not killed:
                    break
            finally:
                shutil.rmtree(home, ignore_errors=True)
        else:
            raise E2EFailure(f"the program never finished its saves with {call} under strace")
    check(kills > 0, "the program was never killed")
    check(split_on_disk > 0, "no kill came in the middle of a save")
    print(f"killed at {kills} steps, {split_on_disk} with a save half done on the disk")


if __name__ == "__main__":
    run([test_second_copy_is_told_and_nothing_is_lost,
         test_asked_to_end_during_the_lock_question_keeps_the_file,
         test_killed_at_each_step_every_table_is_whole])
