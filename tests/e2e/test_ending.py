"""An entry on screen is an entry on disk, however the program ends: three entries made in
the real program, then a crash (kill -9), a logout (SIGTERM), a lost terminal (SIGHUP) or
a lost display (the X server ends). Every entry is in the files afterwards, the balance
counts them all, and nothing hidden stays behind. And a row that another program adds to
the income files while the Income window is open stays when an entry is submitted."""

import os
import shutil
import signal
import tempfile
import threading
import time

from harness import Session, check, check_equal, run
from test_files import lines, make_household, open_account, read_account, record_income

OLD_INCOME = [["", "1/2/2026"], ["", "rent back"], ["", "100"], ["", "600"]]
OLD_EXPENSE = [["", "1/3/2026"], ["", "rent"], ["", "700"], ["", "-100"]]
INCOME = ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt"]
EXPENSE = ["ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt"]


def replace_text(s, text):
    s.key("Home", "shift+End")
    s.type(text)


def three_entries(s):
    """Two incomes of 200 and an expense of 50 in the Entry form, by keyboard; waits
    until the program has handled every key."""
    record_income(s, "200")  # the Income window opens with the entry
    s.key("ctrl+e")  # back to the form, its focus still on "Submit"
    s.key("space")  # the same income again
    s.key("ctrl+e")
    s.key("shift+Tab", "Right")  # "Expense"
    s.key("shift+Tab")
    replace_text(s, "50")
    s.key("shift+Tab")
    replace_text(s, "Bread")
    s.key("Tab", "Tab", "Tab", "space")  # "Submit": the Expense window opens
    s.ping()


def check_entries_kept(home, how):
    found = read_account(home)
    check_equal(found["OpeningBalance.txt"], lines("850"), f"{how}: the balance")
    income = [rows + added for rows, added in
              zip(OLD_INCOME, [["1/5/2027"] * 2, ["Gift"] * 2, ["200"] * 2, ["700", "900"]])]
    expense = [rows + added for rows, added in
               zip(OLD_EXPENSE, [["1/5/2027"], ["Bread"], ["50"], ["850"]])]
    for names, rows in ((INCOME, income), (EXPENSE, expense)):
        for name, column in zip(names, rows):
            check_equal(found[name], lines(*column), f"{how}: {name}")
    return found


def end_by(program, how, end):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    try:
        make_household(home, b"500\r\n")
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)
            three_entries(s)
            s.screenshot("ending-" + how)
            code = end(s)
        found = check_entries_kept(home, how)
        return code, found
    finally:
        shutil.rmtree(home, ignore_errors=True)


def hidden(found):
    return sorted(name for name in found if os.path.basename(name).startswith("."))


def test_crash_loses_no_entry(program):
    def crash(s):
        s.app.kill()
        return s.app.wait(timeout=30)
    code, found = end_by(program, "kill -9", crash)
    check_equal(code, -signal.SIGKILL, "exit code")
    # The crashed copy's mark stays; the next copy takes it over.
    check_equal(hidden(found), [".kesterly.lock"], "hidden files after a crash")


def test_asked_to_end_closes_as_the_close_box(program):
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        name = signal.Signals(number).name

        def ask(s, number=number):
            if number == signal.SIGTERM:
                # A message box waiting for an answer does not hold the program open.
                s.key("ctrl+e", "shift+Tab", "shift+Tab")
                replace_text(s, "abc")
                s.key("Tab", "Tab", "space")  # "Submit": the amount is refused
                s.wait_window("^Entry Form$")
            s.app.send_signal(number)
            return s.app.wait(timeout=30)
        code, found = end_by(program, name, ask)
        check_equal(code, 0, f"exit code after {name}")
        check_equal(hidden(found), [], f"hidden files after {name}")


def test_lost_display_loses_no_entry(program):
    def lose_display(s):
        s.end_display()
        return s.app.wait(timeout=30)
    code, found = end_by(program, "display lost", lose_display)
    check(code != 0, f"the program ends when its display is gone (exit code {code})")
    check_equal(hidden(found), [], "hidden files after the display was lost")


def in_household(program, work):
    """Opens the household account (balance 500) in the program, runs `work` with the
    session and the account folder, closes the main window; the files afterwards."""
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    try:
        make_household(home, b"500\r\n")
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)
            work(s, os.path.join(home, "Household"))
            s.close_main_window()
        return read_account(home)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def test_another_programs_row_stays(program):
    def add_meanwhile(s, folder):
        s.key("ctrl+a")  # the Income window reads its files
        s.ping()
        # Another program adds a row and its balance meanwhile.
        for name, text in zip(INCOME, ["2/2/2027", "Bonus", "10", "510"]):
            with open(os.path.join(folder, name), "ab") as f:
                f.write(lines(text))
        with open(os.path.join(folder, "OpeningBalance.txt"), "wb") as f:
            f.write(lines("510"))
        record_income(s, "200")
        s.ping()
    found = in_household(program, add_meanwhile)
    check_equal(found["IncomeDes.txt"], lines("", "rent back", "Bonus", "Gift"),
                "the income descriptions")
    check_equal(found["Incomebal.txt"], lines("", "600", "510", "710"), "the income balances")
    check_equal(found["OpeningBalance.txt"], lines("710"), "the balance")


class ListEditor(threading.Thread):
    """Another program saving IncomeDes.txt again and again, as an editor or a sync tool
    does: the file read, its first description changed (and its length with it), a new
    file written beside it and renamed over it, unless the file changed while it was being
    written."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path = path
        self.stop = threading.Event()
        self.renames = 0

    def run(self):
        fresh = self.path + ".editor~"
        while not self.stop.is_set():
            with open(self.path, "rb") as f:
                seen = os.fstat(f.fileno())
                text = f.read()
            text = text.replace(b"rent back", b"rent back, edited", 1) \
                if b"rent back\r\n" in text else text.replace(b"rent back, edited", b"rent back", 1)
            with open(fresh, "wb") as f:
                f.write(text)
            now = os.stat(self.path)
            if (now.st_ino, now.st_size, now.st_mtime_ns) == \
                    (seen.st_ino, seen.st_size, seen.st_mtime_ns):
                os.rename(fresh, self.path)
                self.renames += 1
            time.sleep(0.001)


def test_list_replaced_every_millisecond(program):
    def submit_ten(s, folder):
        editor = ListEditor(os.path.join(folder, "IncomeDes.txt"))
        editor.start()
        try:
            record_income(s, "200")
            for _ in range(9):
                s.key("ctrl+e")  # back to the form, its focus still on "Submit"
                s.key("space")
                s.ping()
        finally:
            editor.stop.set()
            editor.join()
        print(f"the editor saved the list {editor.renames} times")
        check(editor.renames >= 100, f"the editor saved the list {editor.renames} times")
        check_equal(s.windows("^Entry Form$"), [], "a message about the entries")
    found = in_household(program, submit_ten)
    for name in INCOME:
        check(b"\0" not in found[name], f"{name} holds no NUL bytes")
    descriptions = found["IncomeDes.txt"].replace(b"rent back, edited", b"rent back")
    check_equal(descriptions, lines("", "rent back", *["Gift"] * 10), "the descriptions")
    check_equal(found["IncomeDate.txt"], lines("", "1/2/2026", *["1/5/2027"] * 10), "the dates")
    check_equal(found["IncomeAmn.txt"], lines("", "100", *["200"] * 10), "the amounts")
    check_equal(found["Incomebal.txt"],
                lines("", "600", *[str(500 + 200 * n) for n in range(1, 11)]), "the balances")
    check_equal(found["OpeningBalance.txt"], lines("2500"), "the balance")
    check_equal(hidden(found), [], "hidden files")


if __name__ == "__main__":
    run([test_crash_loses_no_entry, test_asked_to_end_closes_as_the_close_box,
         test_lost_display_loses_no_entry, test_another_programs_row_stays,
         test_list_replaced_every_millisecond])
