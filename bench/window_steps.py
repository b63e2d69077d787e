#!/usr/bin/python3
"""How long the real program could not answer while the Income window opens and while a
row is removed from it (the table saved), for three income tables: 32,767 short rows
(2.3 MB), the same with IncomeDes.txt at 50 MB, and four files of 50 MB. The time is the
longest round trip of the window manager's ping (_NET_WM_PING), sent again and again
(each as soon as the last came back) during the step; Qt answers it from the window's thread, so the round trip is how long
that thread was held. Also the peak memory of the program with the table open, and the
ping after End and Page Down in the full list. Then the same for the chart window
(Ctrl+G) over entries from 1/1/1000 to 12/31/9999: two entries, and two full tables.

    bench/window_steps.py build/kesterly [seconds per step] [tables|chart]

The program runs in its own X server with HOME in a temporary folder, as the end-to-end
tests run it."""

import datetime
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "e2e"))

from harness import Session  # noqa: E402
from test_bigtable import peak_mib  # noqa: E402
from test_files import make_household, open_account  # noqa: E402

INCOME = ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt"]
FULL = 32767


def short_lines(name, rows):
    if name == "IncomeDate.txt":
        return [f"{1 + row % 12}/{1 + row % 28}/2026" for row in range(rows)]
    if name == "IncomeDes.txt":
        return [f"Income from the shop on the corner, row {row}" for row in range(rows)]
    if name == "IncomeAmn.txt":
        return ["12.5"] * rows
    return [str(500 + 12.5 * (row + 1)) for row in range(rows)]


def write_lines(path, lines):
    with open(path, "wb") as f:
        for start in range(0, len(lines), 4096):
            f.write("".join(line + "\r\n" for line in lines[start:start + 4096]).encode())


def full_table(folder):
    for name in INCOME:
        write_lines(os.path.join(folder, name), short_lines(name, FULL))


def long_descriptions(folder):
    full_table(folder)
    width = 50_000_000 // FULL - 2
    write_lines(os.path.join(folder, "IncomeDes.txt"),
                [f"Income {row} ".ljust(width, "x") for row in range(FULL)])


def four_big_files(folder):
    rows, width = 30000, 1745  # 52.4 MB a file
    for name in INCOME:
        write_lines(os.path.join(folder, name),
                    [f"{row} {name[6:9]} ".ljust(width, "x") for row in range(rows)])


class Pinger:
    """Pings the main window over one X connection, each ping as soon as the last came
    back, so that no gap between pings hides a short hold."""

    def __init__(self, s):
        from Xlib import X, display
        self.X = X
        self.connection = display.Display(s.display)
        self.root = self.connection.screen().root
        self.root.change_attributes(event_mask=X.StructureNotifyMask |
                                    X.SubstructureNotifyMask)
        self.target = self.connection.create_resource_object("window", int(s.main_window()))
        self.protocols = self.connection.intern_atom("WM_PROTOCOLS")
        self.ping_atom = self.connection.intern_atom("_NET_WM_PING")
        self.stamp = 0

    def __call__(self, timeout=60):
        from Xlib.protocol import event
        self.stamp += 1
        start = time.monotonic()
        self.target.send_event(
            event.ClientMessage(window=self.target, client_type=self.protocols,
                                data=(32, [self.ping_atom, self.stamp, self.target.id, 0, 0])),
            event_mask=0)
        self.connection.flush()
        while time.monotonic() < start + timeout:
            answer = self.connection.next_event()
            if (answer.type == self.X.ClientMessage and answer.client_type == self.protocols
                    and list(answer.data[1][:2]) == [self.ping_atom, self.stamp]):
                return time.monotonic() - start
        raise SystemExit(f"the program did not answer a ping in {timeout} s")


def longest_ping(ping, seconds, until=None):
    """Pings for `seconds`, or until `until` holds (at most two minutes)."""
    longest = 0.0
    start = time.monotonic()
    while True:
        longest = max(longest, ping())
        elapsed = time.monotonic() - start
        if (until() if until else elapsed >= seconds) or elapsed > 120:
            return longest


def key_now(s, key):
    """Sends a key with no pause after it. Qt answers a ping as it reads it, but handles a
    key after the events read with it: the first ping after the key may come back before
    the key is handled, the second waits for it."""
    s._run(["xdotool", "key", key], check_ok=True)


def key_time(s, ping, key):
    key_now(s, key)
    return max(ping(), ping())


def measure(program, name, make, seconds):
    home = tempfile.mkdtemp(prefix="kesterly-bench-")
    try:
        make_household(home, b"500\r\n")
        folder = os.path.join(home, "Household")
        make(folder)
        size = sum(os.path.getsize(os.path.join(folder, n)) for n in INCOME)
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)
            pid = int(s._run(["xdotool", "getwindowpid", s.main_window()]).strip())
            ping = Pinger(s)
            key_now(s, "ctrl+a")  # the Income window
            opening = longest_ping(ping, seconds)
            peak = peak_mib(pid)
            keys = []
            for key in ("End", "Page_Up", "Home", "Page_Down"):
                keys.append(f"{key} {key_time(s, ping, key) * 1000:.0f}")
            # The first row, then "Remove Selected": the table is saved.
            dates = os.path.join(folder, "IncomeDate.txt")
            before = os.path.getsize(dates)
            s.key("Home", "Tab", "Tab", "Tab", "Tab")
            key_now(s, "space")
            removing = longest_ping(ping, 0, lambda: os.path.getsize(dates) != before)
            s.screenshot(f"removed-{make.__name__}")
            key_now(s, "ctrl+F4")
            closing = longest_ping(ping, 1)
            s.close_main_window()
        with open(os.path.join(folder, "IncomeDate.txt"), "rb") as f:
            lines = sum(1 for _ in f)
        rows = FULL if make is not four_big_files else 30000
        if lines != rows - 1:
            raise SystemExit(f"{name}: the row was not removed ({lines} of {rows} lines)")
        print(f"| {name} | {size / 1e6:.1f} MB | {opening * 1000:.0f} ms | "
              f"{removing * 1000:.0f} ms | {closing * 1000:.0f} ms | {peak:.0f} MiB | "
              f"{', '.join(keys)} ms |", flush=True)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def write_table(folder, prefix, rows):
    """The four files of a ledger table from (date, description, amount, balance) rows."""
    for column, suffix in enumerate(["Date", "Des", "Amn", "bal"]):
        write_lines(os.path.join(folder, prefix + suffix + ".txt"),
                    [row[column] for row in rows])


def first_and_last_day(folder):
    write_table(folder, "Income", [("1/1/1000", "The first", "100", "600")])
    write_table(folder, "Expense", [("12/31/9999", "The last", "50", "550")])


def full_tables_over_9000_years(folder):
    # Each row a day of its own, spread from 1/1/1000 to 12/31/9999.
    first = datetime.date(1000, 1, 1).toordinal() - 1
    last = datetime.date(9999, 12, 31).toordinal()

    def rows(offset):
        step = (last - first) / (2 * FULL)
        days = [datetime.date.fromordinal(first + 1 + int((2 * row + offset) * step))
                for row in range(FULL)]
        return [(f"{d.month}/{d.day}/{d.year:04}", f"Entry {row}", "12.5", "500")
                for row, d in enumerate(days)]
    write_table(folder, "Income", rows(0))
    write_table(folder, "Expense", rows(1))


def measure_chart(program, name, make, seconds):
    home = tempfile.mkdtemp(prefix="kesterly-bench-")
    try:
        make_household(home, b"500\r\n")
        folder = os.path.join(home, "Household")
        make(folder)
        with open(os.path.join(folder, "IncomeDate.txt"), "rb") as f:
            entries = sum(1 for _ in f)
        with open(os.path.join(folder, "ExpenseDate.txt"), "rb") as f:
            entries += sum(1 for _ in f)
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)
            pid = int(s._run(["xdotool", "getwindowpid", s.main_window()]).strip())
            ping = Pinger(s)
            before = peak_mib(pid)
            key_now(s, "ctrl+g")
            opening = longest_ping(ping, seconds)
            peak = peak_mib(pid)
            s.screenshot(f"chart-{make.__name__}")
            # Drawn again after another window came to the front and went.
            key_now(s, "ctrl+e")
            longest_ping(ping, 1)
            key_now(s, "ctrl+g")
            again = longest_ping(ping, seconds / 2)
            s.close_main_window()
        print(f"| {name} | {entries} | {opening * 1000:.0f} ms | {again * 1000:.0f} ms | "
              f"{peak:.0f} MiB ({before:.0f} MiB before) |", flush=True)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/kesterly")
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 8
    which = sys.argv[3] if len(sys.argv) > 3 else "all"
    if which in ("all", "tables"):
        print("| income table | files | open (longest ping) | remove a row, saved | close "
              "| peak memory | keys in the list |")
        print("|---|---|---|---|---|---|---|")
        measure(program, "32,767 rows", full_table, seconds)
        measure(program, "IncomeDes.txt at 50 MB", long_descriptions, seconds)
        measure(program, "four 50 MB files", four_big_files, seconds * 2)
    if which in ("all", "chart"):
        print("| chart window (Ctrl+G) | rows | open (longest ping) | back to the front "
              "| peak memory |")
        print("|---|---|---|---|---|")
        measure_chart(program, "1/1/1000 and 12/31/9999", first_and_last_day, seconds)
        measure_chart(program, "two full tables, 1/1/1000 to 12/31/9999",
                      full_tables_over_9000_years, seconds)


if __name__ == "__main__":
    main()
