"""Account, Export Lists… in the real program, by keyboard: both lists written to CSV files
chosen in Qt's own save dialog, and read back by Python's csv module."""

import csv
import os
import shutil
import tempfile

from harness import Session, check, check_equal, run
from test_accounts import open_household

# Each list as the account holds it: (date, description, amount, balance) per row, after
# the empty first row every new account has. The income files are in Windows-1252, as
# older copies wrote them; the expense files in UTF-8.
INCOME = [("12/01/2026", "Salary", "2000", "2500"),
          ("12/03/2026", 'Café "Zum Löwen", Berlin', "-50", "2450"),
          ("12/05/2026", "", "15.5", "2465.5")]
EXPENSE = [("12/02/2026", "Rent € December, flat 2", "450.00", "2015.5"),
           ("12/04/2026", "=2+3 looks like a formula", "-1", "2016.5")]


def write_table(folder, prefix, rows, encoding):
    for column, name in enumerate(["Date", "Des", "Amn", "bal"]):
        texts = [""] + [row[column] for row in rows]
        with open(os.path.join(folder, prefix + name + ".txt"), "wb") as f:
            f.write("".join(text + "\r\n" for text in texts).encode(encoding))


def read_csv(path):
    with open(path, newline="", encoding="utf-8-sig") as f:
        return [tuple(record) for record in csv.reader(f)]


def save_as(s, title, path):
    """Types the path into Qt's save dialog named `title` and presses Return."""
    dialog = s.wait_window("^" + title + "$")
    s.activate(dialog)
    s.key("ctrl+a")  # the suggested name, selected already; Ctrl+A leaves no doubt
    s.type(path)
    s.pause(0.4)
    s.key("Return")
    # A completion list still open takes the first Return.
    if dialog in s.windows("^" + title + "$"):
        s.key("Return")
    s.wait(lambda: dialog not in s.windows("^" + title + "$"), f"the dialog {title!r} to close")


def test_export_both_lists(program):
    out = tempfile.mkdtemp(prefix="kesterly-e2e-export-")
    try:
        with Session(program) as s:
            s.click_splash()
            account = os.path.join(s.home, "Household")
            os.makedirs(account)
            for name, content in [("Name.txt", "Household"), ("OpeningBalance.txt", "2016.5")]:
                with open(os.path.join(account, name), "wb") as f:
                    f.write(content.encode() + b"\r\n")
            write_table(account, "Income", INCOME, "cp1252")
            write_table(account, "Expense", EXPENSE, "utf-8")
            open_household(s)
            s.expect_message("Please", "If any account is already opened Please reopen all "
                             "window in this program to reset the value of Amount")

            income = os.path.join(out, "Income.csv")
            expense = os.path.join(out, "Expense.csv")
            s.key("ctrl+shift+s")
            save_as(s, "Export the Income List", income)
            save_as(s, "Export the Expense List", expense)
            s.expect_message("Export Lists",
                             f'The Income list was exported to "{income}".\n'
                             f'The Expense list was exported to "{expense}".')

            for path, rows in [(income, INCOME), (expense, EXPENSE)]:
                with open(path, "rb") as f:
                    raw = f.read()
                check(raw.startswith(b"\xef\xbb\xbfDate,Description,Amount,Balance\r\n"),
                      f"{path} starts with the byte order mark and the header: {raw[:40]!r}")
                check(raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""),
                      f"{path}: every record ends in CR LF")
                # A text a spreadsheet would run is shown as text: an apostrophe goes first.
                expected = [tuple("'" + text if text.startswith("=") else text for text in row)
                            for row in rows]
                check_equal(read_csv(path), [("Date", "Description", "Amount", "Balance")]
                            + expected, os.path.basename(path))
            s.close_main_window()
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    run([test_export_both_lists])
