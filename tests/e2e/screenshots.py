"""Takes a screenshot of every window of the real program, for a person to look at.

    python3 tests/e2e/screenshots.py build/kesterly shots-folder [LANG]
"""

import sys

from harness import Session
from test_accounts import create_household, open_household


def main(program, folder, lang="en_US.UTF-8"):
    with Session(program, lang=lang) as s:
        s.shots = folder
        s.wait_window("^Kesterly$")
        s.pause(1)
        s.screenshot("01-splash")
        s.click_splash()
        s.screenshot("02-start")
        create_household(s)
        s.screenshot("03-new-account")
        open_household(s)
        s.message("Please")
        s.screenshot("04-opened-contents")
        for number, (keys, name) in enumerate([
                ("ctrl+e", "entry-form-and-balance"), ("ctrl+b", "expense"),
                ("ctrl+a", "income"), ("ctrl+r", "reminders"), ("ctrl+i", "interest"),
                ("F7", "about"), ("ctrl+o", "open-account"), ("ctrl+n", "new-account")], 5):
            s.key(keys)
            s.pause(0.5)
            s.screenshot(f"{number:02d}-{name}")
        s.key("F6")
        s.pause(3)  # the browser engine loads on first use
        s.key("space")  # "Check For Update"
        s.message("Patient")
        s.pause(2)
        s.screenshot("13-update")
        s.key("F5")
        s.message("Patient")
        s.pause(2)
        s.screenshot("14-home-page")
        s.close_main_window()


if __name__ == "__main__":
    main(*sys.argv[1:])
