"""What a screen reader meets in the real program.

The program runs with the desktop's accessibility bus (AT-SPI), as it does under a screen
reader; the test reads every window through that bus, as the reader does, and checks that
each control a user can reach has a name, and that text boxes are named after their
labels: a reader says "Amount", not "edit".

The session starts a session bus and the accessibility bus of its own; the reader's
library is loaded only once they answer, so that it finds these buses and no other.
"""

import os

from harness import E2EFailure, Session, check, run
from test_accounts import create_household, open_household

pyatspi = None  # loaded by load_reader() once the session's buses are up

# The roles of controls a user can reach or read a value from, and pictures.
CONTROL_ROLES = {"text", "push button", "radio button", "check box", "list", "combo box",
                 "spin button", "image"}

# What some windows must announce, by their caption (announced without the blanks that
# place it).
EXPECTED = {
    "Status": [("push button", "Reminder is Off"), ("text", "Account Name"),
               ("text", "Account Folder")],
    "Entry Form": [("text", "Date"), ("text", "Description"), ("text", "Amount"),
                   ("radio button", "Income"), ("radio button", "Expense"),
                   ("push button", "Submit"), ("push button", "Save to File")],
    "Income": [("list", "Income dates"), ("list", "Income descriptions"),
               ("list", "Income amounts"), ("list", "Income balances")],
    "Expense": [("list", "Expense dates"), ("list", "Expense amounts")],
    "Reminder": [("text", "Date"), ("text", "Time"), ("text", "Description"),
                 ("list", "Reminder times"), ("radio button", "On")],
    "Interest": [("text", "Amount"), ("text", "Month"), ("text", "% / Paise"),
                 ("text", "Due Amount"), ("radio button", "Percentage")],
    "Contents": [("push button", "Entry Form"), ("push button", "Reminders")],
    "New Account": [("text", "Opening Balance"), ("text", "Your Name")],
    "Open Account": [("list", "Select your account folder")],
    "About": [("push button", "Close"),
              ("image", "Kesterly, your personal accounts book, version 1.0, made by Velquist")],
    "Today's Reminder": [("text", "Today's Reminder")],
    "Chart": [("chart", "Balance over time")],
}


def descendants(node):
    """(role, name, showing) of every node below `node`; a list's rows are "list item"s
    named as the reader announces them."""
    found = []
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        showing = child.getState().contains(pyatspi.STATE_SHOWING)
        found.append((child.getRoleName(), child.name, showing))
        found.extend(descendants(child))
    return found


def child_windows(application):
    """The child windows of the main window, as the reader finds them."""
    main = application.getChildAtIndex(0)
    for index in range(main.childCount):
        area = main.getChildAtIndex(index)
        if area.getRoleName() != "layered pane":
            continue
        for number in range(area.childCount):
            yield area.getChildAtIndex(number)


def program_windows(application):
    """The child windows of the main window, by the name a reader announces: what a reader
    finds in them."""
    return {window.name: descendants(window) for window in child_windows(application)}


def frame_showing(application, caption):
    """Whether the child window announced as `caption` reports itself showing."""
    for window in child_windows(application):
        if window.name == caption:
            return window.getState().contains(pyatspi.STATE_SHOWING)
    return None


def folder_entries(application):
    """(name, description) of every entry of the Open Account window's folder list."""
    def find(node):
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is None:
                continue
            if child.getRoleName() == "list" and child.name == "Select your account folder":
                return child
            found = find(child)
            if found is not None:
                return found
        return None
    folders = find(application)
    if folders is None:
        return []
    entries = []
    for index in range(folders.childCount):
        entry = folders.getChildAtIndex(index)
        if entry is not None and entry.getRoleName() == "list item":
            entries.append((entry.name, entry.description))
    return entries


def load_reader():
    """Loads pyatspi, which takes the accessibility bus from the environment the session
    has just set up."""
    global pyatspi
    import pyatspi


def application_on_bus(s):
    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is not None and application.name == "Kesterly":
                return application
        return None
    return s.wait(find, "the program on the accessibility bus")


def test_every_control_is_announced_by_name(program):
    # Qt serves the accessibility bus when asked to, as under a screen reader.
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    with Session(program, accessibility=True) as s:
        load_reader()
        s.press_splash()
        create_household(s)
        # A row in each list, written as the program writes them, for the reader to hear
        # whole.
        rows = {"Income": ["12/1/2026", "Salary", "300", "800"],
                "Expense": ["12/2/2026", "Rent", "700", "100"],
                "Reminders/": ["12/31/2099", "9:00:00 AM", "Dentist"]}
        files = {"Income": ["IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt"],
                 "Expense": ["ExpenseDate.txt", "ExpenseDes.txt", "ExpenseAmn.txt",
                             "Expensebal.txt"],
                 "Reminders/": ["Reminders/Date.txt", "Reminders/Time.txt",
                                "Reminders/Description.txt"]}
        for table, fields in rows.items():
            for name, field in zip(files[table], fields):
                with open(os.path.join(s.home, "Household", name), "ab") as file:
                    file.write(field.encode() + b"\r\n")
        open_household(s)
        s.message("Please")
        # Every window the account's menu opens, and the account windows; Ctrl+A
        # comes after Ctrl+B, from the Expense lists rather than from a text box.
        for keys in ["ctrl+e", "ctrl+b", "ctrl+a", "ctrl+g", "ctrl+r", "ctrl+i", "F7", "ctrl+o",
                     "ctrl+n"]:
            s.key(keys)
        application = application_on_bus(s)

        # On a busy machine the last windows may still be opening.
        def all_windows():
            found = program_windows(application)
            return found if set(EXPECTED) <= set(found) else None
        try:
            windows = s.wait(all_windows, "every window on the accessibility bus")
        except E2EFailure:
            windows = program_windows(application)  # the check below names the missing

        for caption, expected in EXPECTED.items():
            check(caption in windows, f"the window {caption!r} on the bus; found "
                  f"{sorted(windows)}")
            announced = {(role, name) for role, name, _ in windows[caption]}
            for role, name in expected:
                check((role, name) in announced,
                      f"{caption}: a {role} announced as {name!r}; announced: "
                      f"{sorted(announced)}")
        # A row of a list is announced whole; the blank first row of a new account's list
        # as an empty row.
        for caption, table in (("Income", "Income"), ("Expense", "Expense"),
                               ("Reminder", "Reminders/")):
            announced = {(role, name) for role, name, _ in windows[caption]}
            check(("list item", "empty row") in announced,
                  f"{caption}: the blank first row announced as 'empty row'; announced: "
                  f"{sorted(announced)}")
            whole = ", ".join(rows[table])
            check(("list item", whole) in announced,
                  f"{caption}: the row announced whole as {whole!r}; announced: "
                  f"{sorted(announced)}")
        # Each chart is one object with the chart's role and a name, nothing focusable inside
        # it, and the window around the two says it is showing.
        charts = [(role, name) for role, name, _ in windows["Chart"] if role == "chart"]
        check(len(charts) == 2 and all(name for _, name in charts),
              f"Chart: two named charts; announced: {windows['Chart']}")
        check(not any(role in ("filler", "scroll pane") and not name
                      for role, name, _ in windows["Chart"]),
              f"Chart: nothing inside the charts; announced: {windows['Chart']}")
        check(frame_showing(application, "Chart"), "Chart: the window reports showing")
        # The folder list announces each folder by its name and its level, not by the
        # blanks that show the nesting.
        folders = [(name, description) for name, description in folder_entries(application)]
        check(folders and folders[0] == ("/", "level 1"),
              f"Open Account: the volume's top at level 1; announced: {folders[:3]}")
        check(all(not name.startswith(" ") and description.startswith("level ")
                  for name, description in folders),
              f"Open Account: every folder by name and level; announced: {folders}")
        for caption, nodes in windows.items():
            for role, name, showing in nodes:
                check(not showing or role not in CONTROL_ROLES or name.strip(),
                      f"{caption}: a {role} without a name")
        s.close_main_window()


if __name__ == "__main__":
    run([test_every_control_is_announced_by_name])
