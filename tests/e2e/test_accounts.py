"""Creating and opening an account in the real program, by keyboard."""

import os

from harness import Session, check_equal, run

LIST_FILES = ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt",
              "ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt",
              "Reminders/Date.txt", "Reminders/Time.txt", "Reminders/Description.txt"]


def create_household(s, balance="500"):
    """From the start chooser (focus on "New Account"): creates Household."""
    s.key("ctrl+shift+Tab")  # from the status panel, active after the splash, back to the chooser
    s.key("space")  # "New Account"; the chooser closes
    s.type(balance)  # focus starts in the opening balance
    s.key("Tab", "Tab")  # "Enter", then the name box
    s.type("Household")
    s.key("Tab", "Tab", "space")  # back round to "Enter"
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


if __name__ == "__main__":
    run([test_new_and_open_account])
