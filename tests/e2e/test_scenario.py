"""A whole working session in the real program, by keyboard: a new account, income and
expense entries, an entry removed, reminders with one announced by the real clock, an
interest calculation, and every file checked byte for byte after the main window closes."""

import os
import re

from harness import Session, check, check_equal, run
from test_accounts import create_household, open_household

CRLF = "\r\n"


def lines(*rows):
    return "".join(row + CRLF for row in rows).encode("cp1252")


def clock_after(text, seconds):
    """The clock text `seconds` after `text`, in the same form ("3:04:05 PM", "15:04:05")."""
    match = re.fullmatch(r"(\d{1,2}):(\d{2}):(\d{2})(\s?[AP]M)?", text)
    check(match, f"a clock text like 3:04:05 PM or 15:04:05, not {text!r}")
    hour, minute, second = (int(match.group(i)) for i in (1, 2, 3))
    suffix = match.group(4)
    if suffix:
        hour = hour % 12 + (12 if suffix.strip() == "PM" else 0)
    total = (hour * 3600 + minute * 60 + second + seconds) % 86400
    hour, minute, second = total // 3600, total // 60 % 60, total % 60
    if suffix:
        shown = hour % 12 or 12
        half = "PM" if hour >= 12 else "AM"
        hour_text = f"{shown:02d}" if len(match.group(1)) == 2 and shown < 10 else str(shown)
        return f"{hour_text}:{minute:02d}:{second:02d}{suffix[:-2]}{half}"
    width = len(match.group(1))
    return f"{hour:0{width}d}:{minute:02d}:{second:02d}"


def copy_focused_text(s):
    """The whole text of the focused text box, through the clipboard. (Ctrl+A opens the
    Income window from a text box too, so the text is selected with Home, Shift+End.)"""
    s.key("Home", "shift+End", "ctrl+c")
    return s.clipboard()


def replace_text(s, text):
    s.key("Home", "shift+End")
    s.type(text)


class Run:
    """The language of a run, the amounts it types as its users write them, the balances
    they give, and how the splash is taken."""

    def __init__(self, lang, decimal, mouse, income, expense, income_balance, balance):
        self.lang = lang
        self.decimal = decimal
        self.mouse = mouse  # whether the splash picture is clicked or taken by Enter
        self.income = income
        self.expense = expense
        self.income_balance = income_balance
        self.balance = balance

    def number(self, text):
        return text.replace(".", self.decimal)


def scenario(program, run_as):
    with Session(program, lang=run_as.lang) as s:
        if run_as.mouse:
            s.click_splash()
        else:
            s.press_splash()
        create_household(s)
        open_household(s)
        s.expect_message("Please", "If any account is already opened Please reopen all window "
                         "in this program to reset the value of Amount")

        # An income and an expense in the Entry form; focus starts in the date box.
        s.key("ctrl+e")
        s.type("12/10/2026")  # the date is free text
        s.key("Tab")
        s.type("Salary")
        s.key("Tab")
        s.type(run_as.income)
        s.key("Tab", "space")  # "Income"
        s.key("Tab", "space")  # "Submit": the Income window opens with the entry
        s.screenshot("income")
        s.key("ctrl+e")  # back to the form, its focus still on "Submit"
        s.key("shift+Tab", "Right")  # "Expense"
        s.key("shift+Tab")
        replace_text(s, run_as.expense)
        s.key("shift+Tab")
        replace_text(s, "Groceries")
        s.key("Tab", "Tab", "Tab", "space")  # "Submit": the Expense window opens
        s.screenshot("expense")

        # The empty first row of the new account goes from the Income window.
        s.key("ctrl+a")
        s.key("Home")  # the first row of the dates, and with it of all four lists
        s.key("Tab", "Tab", "Tab", "Tab", "space")  # "Remove Selected"
        s.screenshot("removed")

        # Two reminders; the first is due in a few seconds.
        s.key("ctrl+r")  # focus starts in the dates list
        s.key("Tab", "Tab", "Tab")  # the date box, filled with today's date
        today = copy_focused_text(s)
        s.key("Tab")  # the time box, filled with the clock text
        now = copy_focused_text(s)
        due = clock_after(now, 45)  # room for a slow, busy machine
        replace_text(s, due)
        s.key("Tab")
        replace_text(s, "Call the bank")
        s.key("Tab", "space")  # "Add"
        s.key("shift+Tab")
        replace_text(s, "Pay the rent")
        s.key("shift+Tab")
        later = clock_after(now, 3600)
        replace_text(s, later)
        s.key("Tab", "Tab", "space")  # "Add"
        # Reminders on: the first row, the empty one of a new account, is watched; then
        # the due reminder is selected in the times list and so watched instead.
        s.key("Tab", "Tab", "Left")  # "Remove Selected", the switch at "Off", then "On"
        s.key("ctrl+r")  # switching on brought the status panel to the front
        s.key(*["shift+Tab"] * 6, "Down")
        s.screenshot("watching")
        title, text = s.message("Reminder", timeout=60)
        check_equal((title, text), ("Reminder", "Reminder Reminds you"), "the reminder box")
        s.screenshot("announced")

        # Interest on 500 over 12 months at 1.2 per cent a month; focus starts in Month.
        s.key("ctrl+i")
        replace_text(s, "12")
        s.key("Tab")
        replace_text(s, run_as.number("1.2"))
        s.key("Tab", "Tab", "Tab")  # the result box, "Calc", then Amount
        replace_text(s, "500")
        s.key("shift+Tab", "space")  # "Calc"
        s.key("shift+Tab")
        check_equal(copy_focused_text(s), run_as.number("5.9976"), "Due Amount")
        s.screenshot("interest")

        s.close_main_window()
        household = "Household/"
        expected = {
            "Name.txt": lines("Household"),
            "OpeningBalance.txt": lines(run_as.balance),
            "IncomeDate.txt": lines("12/10/2026"),
            "IncomeDes.txt": lines("Salary"),
            "IncomeAmn.txt": lines(run_as.income),
            "Incomebal.txt": lines(run_as.income_balance),
            "ExpenseDate.txt": lines("", "12/10/2026"),
            "ExpenseDes.txt": lines("", "Groceries"),
            "ExpenseAmn.txt": lines("", run_as.expense),
            "Expensebal.txt": lines("", run_as.balance),
            "Reminders/Date.txt": lines("", today, today),
            "Reminders/Time.txt": lines("", due, later),
            "Reminders/Description.txt": lines("", "Call the bank", "Pay the rent"),
            # A balance with a decimal separator: the account remembers the form it was
            # written in, in its one hidden file.
            ".kesterly.numbers": lines("decimal point" if run_as.decimal == "." else "decimal comma"),
        }
        for name, content in expected.items():
            check_equal(s.file(household + name), content, name)
        check_equal(sorted(os.listdir(os.path.join(s.home, "Household"))),
                    sorted(["Reminders"] + [n for n in expected if "/" not in n]),
                    "the files of the account")


def test_session_in_english(program):
    scenario(program, Run("en_US.UTF-8", ".", mouse=True, income="200", expense="50.25",
                          income_balance="700", balance="649.75"))


def test_session_in_german(program):
    # By keyboard alone, from the splash on; fifteen hundred as Germans write it.
    scenario(program, Run("de_DE.UTF-8", ",", mouse=False, income="1.500", expense="2,5",
                          income_balance="2000", balance="1997,5"))


if __name__ == "__main__":
    run([test_session_in_english, test_session_in_german])
