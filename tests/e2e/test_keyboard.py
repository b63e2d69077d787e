"""The menu's keys and the lists by keyboard alone, in the real program: Ctrl+A and
Ctrl+E from text boxes, Home in a list, and a window brought back with its focus where
it was; the files are checked byte for byte after the program ends."""

import shutil
import tempfile

from harness import Session, check_equal, run
from test_files import make_household, open_account, read_account

CRLF = b"\r\n"


def lines(*rows):
    return b"".join(row.encode() + CRLF for row in rows)


def test_menu_keys_and_lists(program):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    old = make_household(home, b"500\r\n")
    with Session(program, home=home) as s:
        s.press_splash()
        open_account(s)

        # An income; the Income window opens with it under the account's rows.
        s.key("ctrl+e")  # focus in the date box
        s.type("1/5/2027")
        s.key("Tab")
        s.type("Gift")
        s.key("Tab")
        s.type("200")
        s.key("Tab", "space")  # "Income"
        s.key("Tab", "space")  # "Submit": 700

        # Ctrl+A from the Amount box opens the Income window, not the box's select-all;
        # Home in its date list selects the first row (the empty one a new account has),
        # which "Remove Selected" then removes.
        s.key("ctrl+e")  # back to the form, its focus on "Submit"
        s.key("shift+Tab", "shift+Tab")  # the options, then the Amount box
        s.key("ctrl+a")
        s.key("Home")
        s.key("Tab", "Tab", "Tab", "Tab", "space")
        s.screenshot("keyboard-removed")

        # Ctrl+E from a text box of another window (the Interest window's Month).
        s.key("ctrl+i")
        s.key("ctrl+e")  # the Entry form, its focus back in the Amount box
        # Tab goes round the form once, to "Submit"; the form brought back by its key
        # has its focus there again, so Space submits (and does not save).
        s.key(*["Tab"] * 8)
        s.key("ctrl+b")
        s.key("ctrl+e")
        s.key("space")  # "Submit": the income again, 900
        s.screenshot("keyboard-submitted")
        s.close_main_window()

    found = read_account(home)
    check_equal(found["OpeningBalance.txt"], lines("900"), "the balance")
    check_equal(found["IncomeDate.txt"], lines("1/2/2026", "1/5/2027", "1/5/2027"),
                "the income dates")
    check_equal(found["IncomeDes.txt"], lines("rent back", "Gift", "Gift"),
                "the income descriptions")
    check_equal(found["Incomebal.txt"], lines("600", "700", "900"), "the income balances")
    # The Expense window was looked at only: its files stay as they were.
    for name in ["ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt"]:
        check_equal(found[name], old[name], name)
    shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    run([test_menu_keys_and_lists])
