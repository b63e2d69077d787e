"""The chart window in the real program: Qt Charts stays out of the process until the
window opens, the key opens it from anywhere, and it follows an entry made by keyboard."""

import os

from harness import Session, check, check_equal, run
from test_files import PLEASE, TABLES, lines
from test_accounts import open_household

# Three months of entries; the gift's date reads as no date, the refund is negative.
ROWS = {
    "income": [["", "10/3/2026", "11/2/2026", "soon", "12/01/2026"],
               ["", "Salary", "Salary", "Gift", "Refund reversed"],
               ["", "1000", "1000", "50", "-20"],
               ["", "1500", "1850", "1900", "1130"]],
    "expense": [["", "10/15/2026", "11/15/2026", "2026-12-05"],
                ["", "Rent", "Rent", "Food"],
                ["", "700", "700", "80.5"],
                ["", "800", "1200", "1049.5"]],
}


def make_account(home, rows=None, balance="1049.5"):
    rows = rows or ROWS
    folder = os.path.join(home, "Household")
    os.makedirs(os.path.join(folder, "Reminders"))
    files = {"Name.txt": lines("Household"), "OpeningBalance.txt": lines(balance)}
    for table, names in TABLES.items():
        for index, name in enumerate(names):
            files[name] = lines(*rows[table][index]) if table in rows else lines("")
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def charts_mapped(process):
    with open(f"/proc/{process.pid}/maps") as maps:
        return any("libQt6Charts" in line for line in maps)


def _chart_session(program, scale, screen):
    os.environ["QT_SCALE_FACTOR"] = scale
    try:
        with Session(program, screen=screen) as s:
            make_account(s.home)
            s.press_splash()
            open_household(s)
            s.expect_message("Please", PLEASE)
            check(not charts_mapped(s.app), "Qt Charts is loaded before the chart window opens")

            # From the date box of the Entry form: the key is the chart's, not the box's.
            s.key("ctrl+e")
            s.key("ctrl+g")
            # The window lives inside the main window: X knows it by its library alone.
            s.wait(lambda: charts_mapped(s.app), "Qt Charts loaded for the chart window")
            s.pause(0.5)
            s.ping()
            s.screenshot(f"chart-{scale}x")

            # An entry in December by keyboard: the Entry form comes back with Ctrl+E.
            s.key("ctrl+e")
            s.type("12/20/2026")
            s.key("Tab")
            s.type("Bonus")
            s.key("Tab")
            s.type("300")
            s.key("Tab", "space")  # "Income"
            s.key("Tab", "space")  # "Submit"
            s.pause(0.3)
            s.key("ctrl+g")
            s.pause(0.5)
            s.screenshot(f"chart-{scale}x-after-entry")
            check_equal(s.file("Household/IncomeDate.txt").split(b"\r\n")[-2], b"12/20/2026",
                        "the last income date")
            s.close_main_window()
    finally:
        del os.environ["QT_SCALE_FACTOR"]


def test_chart_at_1x(program):
    _chart_session(program, "1", "1280x800")


def test_chart_at_2x(program):
    _chart_session(program, "2", "2560x1600")


def test_chart_over_every_readable_year(program):
    """Entries on 1/1/1000 and 12/31/9999: the chart opens at once, a bar pair for each
    hundred years, and the program answers its window manager throughout."""
    rows = {"income": [["", "1/1/1000"], ["", "The first"], ["", "100"], ["", "600"]],
            "expense": [["", "12/31/9999"], ["", "The last"], ["", "50"], ["", "550"]]}
    with Session(program) as s:
        make_account(s.home, rows, "550")
        s.press_splash()
        open_household(s)
        s.expect_message("Please", PLEASE)
        s.key("ctrl+g")
        s.wait(lambda: charts_mapped(s.app), "Qt Charts loaded for the chart window")
        # Answered once the key is handled and the chart drawn.
        s.ping(timeout=5)
        s.screenshot("chart-every-year")
        s.key("ctrl+F4")
        s.ping(timeout=5)
        s.close_main_window()
        check_equal(s.file("Household/IncomeDate.txt"), lines("", "1/1/1000"),
                    "the income dates, untouched")


if __name__ == "__main__":
    run([test_chart_at_1x, test_chart_at_2x, test_chart_over_every_readable_year])
