"""The menu's keys and the lists by keyboard alone, in the real program: Ctrl+A and
Ctrl+E from text boxes, Home in a list, and a window brought back with its focus where
it was; the files are checked byte for byte after the program ends. The focus is seen on
every picture button of the Contents window, and Tab goes through the Update window's
page to its link."""

import os
import shutil
import tempfile
import time

from harness import Session, check, check_equal, run
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


def picture(s, left, top, width, height):
    """The pixels of a part of the main window (from its client area's top left corner)
    as the screen shows them."""
    window = s.main_window()
    found = s._run(["xdotool", "getwindowgeometry", "--shell", window])
    at = dict(line.split("=") for line in found.split() if "=" in line)
    path = os.path.join(s.runtime, "part.ppm")
    s._run(["import", "-window", "root", "-crop",
            f"{width}x{height}+{int(at['X']) + left}+{int(at['Y']) + top}", path],
           check_ok=True)
    with open(path, "rb") as f:
        return f.read()


def test_focus_is_seen_and_tab_leaves_the_page(program):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    make_household(home, b"500\r\n")
    try:
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)  # the Contents window comes to the front
            s.ping()
            # Each Tab moves the focus to the next picture button, which shows it (the
            # clock of the status panel, which changes by itself, is left out).
            contents = (325, 0, 275, 360)
            before = picture(s, *contents)
            for step in range(1, 11):
                s.key("Tab")
                s.ping()
                now = picture(s, *contents)
                check(now != before, f"the focus is seen after Tab {step} in Contents")
                before = now
            # The Update window: Tab goes from "Check For Update" into the page and on to
            # the home page's address; Shift+Tab goes back the same way.
            s.key("F6")
            s.ping()
            s.screenshot("keyboard-update")
            s.key("Tab", "Tab", "shift+Tab", "shift+Tab")  # round to "Check For Update"
            s.key("space")
            s.expect_message("Patient", "Please be patient While Processing")
            s.key("Tab", "Tab")  # the page, then the address
            s.ping()
            time.sleep(2)  # the page has come in
            left = (0, 0, 700, 560)
            before = picture(s, *left)
            s.key("Return")  # the home page window opens over the Update window
            s.ping()
            time.sleep(2)
            s.screenshot("keyboard-home-page")
            check(picture(s, *left) != before, "Return on the address opened the home page")
            s.close_main_window()
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    run([test_menu_keys_and_lists, test_focus_is_seen_and_tab_leaves_the_page])
