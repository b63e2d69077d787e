"""Account, Export Lists… in the real program, by keyboard: both lists written to CSV files
chosen in Qt's own save dialog, and read back by Python's csv module."""

import csv
import io
import os
import shutil
import subprocess
import tempfile

from harness import Session, check, check_equal, files_under, run
from test_accounts import open_household

# Each list as the account holds it under English settings: (date, description, amount,
# balance) per row, after the empty first row every new account has. The income files are
# in Windows-1252, as older copies wrote them; the expense files in UTF-8.
INCOME = [("12/01/2026", "Salary", "2000", "2500"),
          ("12/03/2026", 'Café "Zum Löwen", Berlin', "-50", "2450"),
          ("12/05/2026", "", "15.5", "2465.5")]
EXPENSE = [("12/02/2026", "Rent € December, flat 2", "450.00", "2015.5"),
           ("soon", "=2+3 looks like a formula", "-1", "2016.5")]
# The same account kept under German settings.
INCOME_DE = [("01.12.2026", "Gehalt", "2.000", "2500"),
             ("03.12.26", 'Café "Zum Löwen"; Berlin', "-50", "2450"),
             ("05.12.2026", "", "15,5", "2465,5")]
EXPENSE_DE = [("02.12.2026", "Miete € Dezember, Wohnung 2", "450,00", "2015,5"),
              ("bald", "=2+3 sieht aus wie eine Formel", "-1", "2016,5")]

# What the export makes of them: dates as year-month-day, figures as plain numbers in the
# settings' decimal form, texts it cannot read as typed; a text a spreadsheet would run
# gets an apostrophe first.
EXPORTED = {
    "en_US.UTF-8": (",", [("2026-12-01", "Salary", "2000", "2500"),
                          ("2026-12-03", 'Café "Zum Löwen", Berlin', "-50", "2450"),
                          ("2026-12-05", "", "15.5", "2465.5")],
                    [("2026-12-02", "Rent € December, flat 2", "450", "2015.5"),
                     ("soon", "'=2+3 looks like a formula", "-1", "2016.5")]),
    "de_DE.UTF-8": (";", [("2026-12-01", "Gehalt", "2000", "2500"),
                          ("2026-12-03", 'Café "Zum Löwen"; Berlin', "-50", "2450"),
                          ("2026-12-05", "", "15,5", "2465,5")],
                    [("2026-12-02", "Miete € Dezember, Wohnung 2", "450", "2015,5"),
                     ("bald", "'=2+3 sieht aus wie eine Formel", "-1", "2016,5")]),
}


def write_table(folder, prefix, rows, encoding):
    for column, name in enumerate(["Date", "Des", "Amn", "bal"]):
        texts = [""] + [row[column] for row in rows]
        with open(os.path.join(folder, prefix + name + ".txt"), "wb") as f:
            f.write("".join(text + "\r\n" for text in texts).encode(encoding))


def make_account(home, german=False):
    """Household with the two lists above; returns its folder."""
    account = os.path.join(home, "Household")
    os.makedirs(account)
    balance = "2016,5" if german else "2016.5"
    for name, content in [("Name.txt", "Household"), ("OpeningBalance.txt", balance)]:
        with open(os.path.join(account, name), "wb") as f:
            f.write(content.encode() + b"\r\n")
    write_table(account, "Income", INCOME_DE if german else INCOME, "cp1252")
    write_table(account, "Expense", EXPENSE_DE if german else EXPENSE, "utf-8")
    return account


def read_csv(path):
    """The records as a spreadsheet's import would find them: the field separator sniffed
    from the text, then read with Python's csv module. Gives the separator and the
    records."""
    with open(path, newline="", encoding="utf-8-sig") as f:
        text = f.read()
    dialect = csv.Sniffer().sniff(text)
    return dialect.delimiter, [tuple(record) for record in csv.reader(io.StringIO(text),
                                                                       dialect)]


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


def export_both_lists(program, lang):
    out = tempfile.mkdtemp(prefix="kesterly-e2e-export-")
    german = lang.startswith("de")
    delimiter, income_rows, expense_rows = EXPORTED[lang]
    try:
        with Session(program, lang=lang) as s:
            s.click_splash()
            make_account(s.home, german)
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

            header = delimiter.join(["Date", "Description", "Amount", "Balance"]).encode()
            for path, rows in [(income, income_rows), (expense, expense_rows)]:
                with open(path, "rb") as f:
                    raw = f.read()
                check(raw.startswith(b"\xef\xbb\xbf" + header + b"\r\n"),
                      f"{path} starts with the byte order mark and the header: {raw[:40]!r}")
                check(raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""),
                      f"{path}: every record ends in CR LF")
                check_equal(read_csv(path), (delimiter, [("Date", "Description", "Amount",
                                                          "Balance")] + rows),
                            f"{lang} {os.path.basename(path)}")
            s.close_main_window()
    finally:
        shutil.rmtree(out, ignore_errors=True)


def test_export_both_lists(program):
    export_both_lists(program, "en_US.UTF-8")


def test_export_under_german_settings(program):
    """Semicolons between the fields, as a spreadsheet under German settings opens a file;
    dates every spreadsheet reads, figures with the decimal comma."""
    export_both_lists(program, "de_DE.UTF-8")


def test_account_file_by_another_path_is_not_replaced(program):
    """The account folder mounted again elsewhere (or, where mounting is not allowed, a hard
    link to an account file): the path the dialog gives looks like no account file, but
    what it leads to is the account's. The export says so at once, and asks no question
    about replacing it. The account stays as it was."""
    out = tempfile.mkdtemp(prefix="kesterly-e2e-export-")
    bound = os.path.join(out, "bound")
    mounted = False
    try:
        with Session(program) as s:
            s.click_splash()
            account = make_account(s.home)
            os.makedirs(bound)
            mounted = subprocess.run(["mount", "--bind", account, bound],
                                     stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL).returncode == 0
            if not mounted:
                os.link(os.path.join(account, "IncomeDate.txt"),
                        os.path.join(bound, "IncomeDate.txt"))
            before = files_under(account)
            open_household(s)
            s.expect_message("Please", "If any account is already opened Please reopen all "
                             "window in this program to reset the value of Amount")

            target = os.path.join(bound, "IncomeDate.txt")
            s.key("ctrl+shift+s")
            title = "^Export the Income List$"
            dialog = s.wait_window(title)
            s.activate(dialog)
            s.key("ctrl+a")
            s.type(target)
            s.pause(0.4)
            s.key("Return")
            if dialog in s.windows(title) and len(s.windows(title)) == 1:
                s.key("Return")  # a completion list took the first
            # The file is there, but it is the account's: one message says so, with no
            # question about replacing it before.
            s.wait(lambda: not s.windows(title), "the dialog to close")
            got_title, got_text = s.message("Export Lists")
            check_equal(got_title, "Export Lists", "message box title")
            check(got_text.startswith(f'"{target}" cannot be written: it is the account\'s '
                                      f'own "')
                  and got_text.endswith('/Household/IncomeDate.txt" under another name, and '
                                        "the account's files are never written over. Choose "
                                        "another file for the Income list."),
                  f"the refusal: {got_text!r}")
            # The dialog comes again; Escape ends the export.
            dialog = s.wait_window(title)
            s.activate(dialog)
            s.key("Escape")
            s.wait(lambda: not s.windows(title), "the dialog to close")
            s.pause(0.5)
            check(not s.windows("^Export the Expense List$"), "no dialog for the Expense list")
            s.close_main_window()
            check_equal(files_under(account), before, "the account's files")
    finally:
        if mounted:
            subprocess.run(["umount", bound], check=False)
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    run([test_export_both_lists, test_export_under_german_settings,
         test_account_file_by_another_path_is_not_replaced])
