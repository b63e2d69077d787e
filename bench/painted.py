#!/usr/bin/env python3
"""Tells from two screenshots whether a window has appeared in an area and shows more than
a plain fill: what run.sh waits for after asking for the home page, to time the page.

    painted.py BEFORE.ppm NOW.ppm LEFT TOP RIGHT BOTTOM [HOLE_LEFT HOLE_TOP HOLE_RIGHT HOLE_BOTTOM]

BEFORE is the screen before the window was asked for, NOW the screen as it is; both are
binary PPM files with 8 bits a channel (import -window root -depth 8 ppm:FILE). The window
is whatever differs from BEFORE inside the area (LEFT, TOP) to (RIGHT, BOTTOM), right and
bottom excluded; the hole (a message box in front, say) is left out of every comparison.
Prints and answers with its exit status:
    shown    0   the window's inside (its frame and title bar left out) is not one colour
    blank    1   the window is there, and its inside is a plain fill
    absent   2   nothing in the area has changed
"""

import sys

# The frame of a child window around its inside: the title bar above, a border elsewhere.
TITLE = 30
BORDER = 10


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[position + 1:]
    if len(pixels) < width * height * 3:
        raise SystemExit(f"{path}: cut short")
    return width, height, pixels


def first_difference(a, b):
    """Index of the first byte where a and b differ (they differ somewhere)."""
    low, high = 0, len(a)
    while high - low > 1:
        middle = (low + high) // 2
        if a[low:middle] != b[low:middle]:
            high = middle
        else:
            low = middle
    return low


def main(arguments):
    if len(arguments) not in (6, 10):
        raise SystemExit(__doc__)
    width, height, before = read_ppm(arguments[0])
    now_width, now_height, now = read_ppm(arguments[1])
    if (width, height) != (now_width, now_height):
        raise SystemExit("the two screenshots differ in size")
    left, top, right, bottom = (int(value) for value in arguments[2:6])
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, width), min(bottom, height)
    hole = tuple(int(value) for value in arguments[6:10]) if len(arguments) == 10 else None

    def row(pixels, y, x0, x1):
        return pixels[(y * width + x0) * 3:(y * width + x1) * 3]

    def spans(y, x0, x1):
        """The parts of row y from x0 to x1 that are not in the hole."""
        if hole and hole[1] <= y < hole[3] and hole[0] < x1 and x0 < hole[2]:
            return [(a, b) for a, b in ((x0, max(x0, hole[0])), (min(x1, hole[2]), x1)) if a < b]
        return [(x0, x1)] if x0 < x1 else []

    # The bounding box of what has changed.
    box = None
    for y in range(top, bottom):
        for x0, x1 in spans(y, left, right):
            old, new = row(before, y, x0, x1), row(now, y, x0, x1)
            if old == new:
                continue
            first = x0 + first_difference(old, new) // 3
            last = x1 - 1 - first_difference(old[::-1], new[::-1]) // 3
            if box is None:
                box = [first, y, last + 1, y + 1]
            else:
                box = [min(box[0], first), box[1], max(box[2], last + 1), y + 1]
    if box is None:
        print("absent")
        return 2

    # The inside of the window that has appeared: plain when every pixel is the first one.
    inside = (box[0] + BORDER, box[1] + TITLE, box[2] - BORDER, box[3] - BORDER)
    fill = None
    for y in range(inside[1], inside[3]):
        for x0, x1 in spans(y, inside[0], inside[2]):
            pixels = row(now, y, x0, x1)
            if fill is None:
                fill = pixels[:3]
            if pixels != fill * (x1 - x0):
                print("shown")
                return 0
    print("blank")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
