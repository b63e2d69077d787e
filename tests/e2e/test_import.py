"""Account, Import Entries… in the real program, by keyboard: a bank's CSV statement chosen
in Qt's own open dialog, the preview's counts read through Ctrl+C, Import by Return, the
message at the end, the Income window showing the imported row at once (End selects it and
"Remove Selected" takes it), and the account's files checked byte for byte."""

import os
import shutil
import subprocess
import tempfile

from harness import Session, check, check_equal, run
from test_files import lines, make_household, open_account, read_account

# A US bank's statement: withdrawals and deposits in columns of their own, a payee with a
# comma in quotes, and a row whose date does not exist.
STATEMENT = (b"Date,Description,Withdrawals,Deposits,Balance\r\n"
             b"11/03/2026,\"AMAZON.COM, INC.\",12.50,,487.50\r\n"
             b"11/15/2026,PAYROLL,,\"2,500.00\",\"2,987.50\"\r\n"
             b"11/31/2026,NO SUCH DAY,1.00,,\"2,986.50\"\r\n"
             b"11/28/2026,Coffee,3.50,,\"2,984.00\"\r\n")

COUNTS = ("3 rows to import: 1 to Income, 2 to Expense. 1 rows cannot be read and are left "
          "out.\n"
          "Line 4: the date \"11/31/2026\" does not read as month-day-year\n")
DONE = ("3 rows were imported: 1 to the Income list and 2 to the Expense list. 0 duplicates "
        "of entries the account held were left out. 1 rows could not be read and were left "
        "out.")


def open_file(s, title, path):
    """Types the path into Qt's open dialog named `title` and presses Return."""
    dialog = s.wait_window("^" + title + "$")
    s.activate(dialog)
    s.type(path)
    s.pause(0.4)
    s.key("Return")
    # A completion list still open takes the first Return.
    if dialog in s.windows("^" + title + "$"):
        s.key("Return")
    s.wait(lambda: dialog not in s.windows("^" + title + "$"), f"the dialog {title!r} to close")


def copied(s):
    """What Ctrl+C puts on the clipboard, the clipboard emptied before."""
    subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=s.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                   process_group=s.group)
    s.key("ctrl+c")
    return s.wait(s.clipboard, "the preview's counts on the clipboard")


def test_import_statement_by_keyboard(program):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-import-")
    old = make_household(home, b"500\r\n")
    statement = os.path.join(home, "statement.csv")
    with open(statement, "wb") as f:
        f.write(STATEMENT)
    with Session(program, home=home) as s:
        s.press_splash()
        open_account(s)
        s.key("ctrl+a")  # the Income window, open before the import

        s.key("ctrl+shift+i")
        open_file(s, "Import Entries", statement)
        s.ping()
        s.pause(0.5)
        s.screenshot("import-preview")
        check_equal(copied(s), COUNTS, "the preview's counts")

        s.key("Return")  # Import, the default button
        s.expect_message("Import Entries", DONE)

        # The Income window shows the imported row at once: End selects it, and "Remove
        # Selected" takes it without a word (a window that had not read the files again would
        # be told that another program changed them).
        s.key("ctrl+a")
        s.key("End")
        s.key("Tab", "Tab", "Tab", "Tab", "space")
        s.ping()
        s.pause(0.5)
        check(not s.windows("^Income$"), "no message from the Income window")
        s.close_main_window()

    found = read_account(home)
    check_equal(found["OpeningBalance.txt"], lines("2984"), "the balance")
    for name in ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt"]:
        check_equal(found[name], old[name], name + " (the imported row removed again)")
    check_equal(found["ExpenseDate.txt"], lines("", "1/3/2026", "11/3/2026", "11/28/2026"),
                "the expense dates")
    check_equal(found["ExpenseDes.txt"], lines("", "rent", "AMAZON.COM, INC.", "Coffee"),
                "the expense descriptions")
    check_equal(found["ExpenseAmn.txt"], lines("", "700", "12.50", "3.50"), "the expense amounts")
    check_equal(found["Expensebal.txt"], lines("", "-100", "487.5", "2984"),
                "the expense balances")
    check(not any(name.startswith(".") and name != ".kesterly.lock" for name in found),
          f"nothing hidden stays: {sorted(found)}")
    shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    run([test_import_statement_by_keyboard])
