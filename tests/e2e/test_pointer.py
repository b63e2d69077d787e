"""The program's own pointer belongs to the empty client area of the main window: over a
child window (a list, the status panel, a picture, a window's caption) the pointer is the
window's own, an arrow or the control's. The pointer shown is read from the X server
(XFixes), as the user sees it."""

import shutil
import tempfile
import time

from harness import Session, check, run
from test_files import make_household, open_account


def shown_pointer(s):
    from Xlib import display
    connection = display.Display(s.display)
    try:
        connection.xfixes_query_version()
        image = connection.xfixes_get_cursor_image(connection.screen().root)
        return (image.width, image.height, image.xhot, image.yhot, tuple(image.cursor_image))
    finally:
        connection.close()


def pointer_at(s, x, y):
    # The pointer is set as the mouse comes in; a move from elsewhere makes sure it does.
    s._run(["xdotool", "mousemove", str(x - 40), str(y - 40)], check_ok=True)
    s._run(["xdotool", "mousemove", str(x), str(y)], check_ok=True)
    s.ping()
    time.sleep(0.3)
    return shown_pointer(s)


def geometry(s, title_pattern):
    """The child window's place on the screen, from the main window's layout: the window
    whose caption matches is found by its title bar through xdotool."""
    window = s.wait_window(title_pattern)
    found = s._run(["xdotool", "getwindowgeometry", "--shell", window])
    values = dict(line.split("=") for line in found.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def test_own_pointer_only_over_the_empty_client_area(program):
    home = tempfile.mkdtemp(prefix="kesterly-e2e-")
    try:
        make_household(home, b"500\r\n")
        with Session(program, home=home) as s:
            s.press_splash()
            open_account(s)
            s.key("ctrl+a")  # the Income window, at the left of the client area
            s.ping()
            x, y, width, height = geometry(s, "^Kesterly")
            s.screenshot("pointer")
            # The lower left corner of the client area stays empty.
            own = pointer_at(s, x + 40, y + height - 40)
            check(own[:4] == (32, 32, 0, 0),
                  f"the program's pointer over the empty client area (got {own[:4]})")
            # The Income window's lists and caption, and the status panel at the right.
            places = {
                "the Income window's first list": (x + 395, y + 300),
                "the Income window's caption": (x + 600, y + 113),
                "the status panel": (x + width - 150, y + 90),
            }
            for what, (px, py) in places.items():
                shown = pointer_at(s, px, py)
                check(shown != own, f"the window's own pointer over {what}")
            s.close_main_window()
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    run([test_own_pointer_only_over_the_empty_client_area])
