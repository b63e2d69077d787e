"""The two web windows in the real program: the browser engine stays out of the process
until one of them opens, each then shows a page in its rectangle, the main window keeps
its native window, and nothing is written on the terminal.

Each window is tried in a program of its own, opened first thing after the splash, so
that it lands where the child windows leave room at the left of the main window. What
it shows is judged from screenshots: the window is what has changed since just before
it was asked for, and its page must be more than a plain fill."""

import os
import re
import subprocess

from harness import E2EFailure, Session, check, check_equal, run

# What shows that the engine is in the process: its libraries and our plugin. What shows
# an OpenGL context: Qt's OpenGL integration and a driver; the dispatch libraries that
# Qt GUI links are mapped in every Qt program and say nothing.
ENGINE = re.compile(r"libQt6WebEngine|kesterly_webengine")
OPENGL = re.compile(r"xcbglintegrations|/dri/|_dri\.so|libGLX_mesa|libEGL_mesa|libgallium")

# The only line a web window may add to the terminal: the engine says so when it runs
# without its sandbox, which it must as the superuser (as these tests run in CI).
SANDBOX_OFF = "Sandboxing disabled by user."

# Left of the status panel (11500 twips from the left of the main window's client area),
# where the first child window the user opens goes.
AREA_WIDTH = 740
# A new window is made of rows that have changed over at least this width; the title
# bar of a window that was active before, which changes too, is narrower.
WINDOW_ROW = 400


class Screen:
    """A screenshot: its size and its pixels, three bytes each, row by row."""

    def __init__(self, s):
        shot = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              env=s.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              check=True).stdout
        # "P6", width, height and the largest value, each followed by one blank.
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", shot)
        check(match, "import wrote an 8-bit PPM")
        self.width, self.height = int(match.group(1)), int(match.group(2))
        self.pixels = shot[match.end():match.end() + self.width * self.height * 3]
        check(len(self.pixels) == self.width * self.height * 3, "a whole screenshot")

    def row(self, y, x0, x1):
        return self.pixels[(y * self.width + x0) * 3:(y * self.width + x1) * 3]

    def plain(self, rect):
        """True when every pixel of the rectangle (left, top, right, bottom) is the same."""
        left, top, right, bottom = rect
        first = self.row(top, left, left + 1)
        return all(self.row(y, left, right) == first * (right - left) for y in range(top, bottom))


def new_window(before, now, area):
    """The rectangle of the window that has appeared in the area since `before`: the rows
    that have changed over a window's width, from their leftmost change to their
    rightmost; None when there is none."""
    left, top, right, bottom = area
    box = None
    for y in range(top, bottom):
        old, new = before.row(y, left, right), now.row(y, left, right)
        if old == new:
            continue
        changed = [x for x in range(right - left) if old[x * 3:x * 3 + 3] != new[x * 3:x * 3 + 3]]
        first, last = left + changed[0], left + changed[-1] + 1
        if last - first < WINDOW_ROW:
            continue
        box = [first, y, last, y + 1] if box is None else \
            [min(box[0], first), box[1], max(box[2], last), y + 1]
    return box


def maps(s):
    with open(f"/proc/{s.app.pid}/maps") as f:
        return f.read()


def check_nothing_loaded(s, when):
    mapped = maps(s)
    check(not ENGINE.search(mapped), f"no part of the browser engine is loaded {when}")
    check(not OPENGL.search(mapped), f"no OpenGL driver is loaded {when}")


def area_of(s):
    """Where new child windows go, below the menu bar and left of the status panel."""
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", s.main_window()],
                              env=s.env, stdout=subprocess.PIPE, text=True, check=True).stdout
    values = dict(line.split("=") for line in geometry.split() if "=" in line)
    x, y, height = int(values["X"]), int(values["Y"]), int(values["HEIGHT"])
    return x, y + 24, x + AREA_WIDTH, y + height


def program_output(s):
    """What the program wrote on the terminal, once it has ended."""
    return s.app.stdout.read().decode(errors="replace").splitlines()


def check_quiet(lines):
    allowed = {SANDBOX_OFF} if os.geteuid() == 0 else set()
    said = [line for line in lines if line.strip() and line not in allowed]
    check(not said, "nothing on the terminal; the program said:\n" + "\n".join(said))


def test_home_page_loads_the_engine_and_shows_its_page(program):
    with Session(program) as s:
        s.press_splash()
        s.pause(1.0)
        check_nothing_loaded(s, "with the main window open")
        main = s.main_window()
        area = area_of(s)
        before = Screen(s)

        s.key("F5")
        s.expect_message("Patient", "Please be patient while page is loading")

        def page():
            now = Screen(s)
            box = new_window(before, now, area)
            if not box or box[3] - box[1] < 300:
                return None
            # Inside its frame: the page fills the window.
            inside = (box[0] + 10, box[1] + 30, box[2] - 10, box[3] - 10)
            return not now.plain(inside)
        try:
            s.wait(page, "the home page painted in its window", timeout=60)
        except E2EFailure:
            s.screenshot("home-page-empty")
            raise
        s.screenshot("home-page")
        check(ENGINE.search(maps(s)), "the browser engine is loaded once the home page shows")
        check_equal(s.main_window(), main,
                    "the main window's native window after the home page opened")
        s.close_main_window()
        check_quiet(program_output(s))


def test_update_check_shows_a_page_in_the_empty_view(program):
    with Session(program) as s:
        s.press_splash()
        # The About window belongs with the web windows but shows no page: it opens, and
        # its "Close" (which has the focus) closes it, without the engine.
        s.key("F7")
        s.pause(0.5)
        s.key("space")
        s.pause(1.0)
        check_nothing_loaded(s, "after the About window")
        main = s.main_window()
        area = area_of(s)
        before = Screen(s)

        s.key("F6")

        def window():
            box = new_window(before, Screen(s), area)
            return box if box and box[3] - box[1] >= 400 else None
        box = s.wait(window, "the Update window", timeout=60)
        s.pause(1.0)
        check_equal(s.main_window(), main,
                    "the main window's native window after the Update window opened")
        # Well inside the view, whatever the frame around the window: the view is
        # 609 x 377 pixels, 8 from the left of the window's inside and 80 from its top.
        view = (box[0] + 30, box[1] + 120, box[0] + 590, box[1] + 440)
        empty = Screen(s)
        check(empty.plain(view), "the Update window's view is empty before the check")

        s.key("space")  # "Check For Update", which has the focus
        s.expect_message("Patient", "Please be patient While Processing")
        try:
            s.wait(lambda: not Screen(s).plain(view), "a page in the Update window's view",
                   timeout=60)
        except E2EFailure:
            s.screenshot("update-empty")
            raise
        s.screenshot("update-checked")
        check(ENGINE.search(maps(s)), "the browser engine is loaded once the Update window shows")
        check_equal(s.main_window(), main, "the main window's native window after the check")
        s.close_main_window()
        check_quiet(program_output(s))


if __name__ == "__main__":
    run([test_home_page_loads_the_engine_and_shows_its_page,
         test_update_check_shows_a_page_in_the_empty_view])
