#!/usr/bin/env python3
"""Prints which folders of src/ include which (one line per folder) and fails when the
includes go round in a circle, or when a CMakeLists.txt hides one behind a link group.

A folder may include only folders below it: core, then framework, then the feature
folders, then the shell on top."""

import os
import re
import sys

top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
src = os.path.join(top, "src")
folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
include = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')
uses = {folder: set() for folder in folders}
for folder in folders:
    for where, _, names in os.walk(os.path.join(src, folder)):
        for name in names:
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(where, name), errors="replace") as source:
                for line in source:
                    found = include.match(line)
                    if found and found.group(1) in uses and found.group(1) != folder:
                        uses[folder].add(found.group(1))

circles = set()


def follow(folder, path):
    for used in uses[folder]:
        if used in path:
            circle = path[path.index(used):]
            first = circle.index(min(circle))
            circle = circle[first:] + circle[:first]
            circles.add(" -> ".join(circle + [circle[0]]))
        else:
            follow(used, path + [used])


for folder in folders:
    follow(folder, [folder])

groups = []
for where, _, names in os.walk(top):
    inside = os.path.relpath(where, top)
    if inside != "." and any(part.startswith((".", "build")) for part in inside.split(os.sep)):
        continue
    for name in names:
        if name == "CMakeLists.txt" or name.endswith(".cmake"):
            with open(os.path.join(where, name), errors="replace") as script:
                if re.search(r"LINK_GROUP|RESCAN", script.read()):
                    groups.append(os.path.relpath(os.path.join(where, name), top))

for folder in folders:
    print(f"{folder}: {', '.join(sorted(uses[folder])) or '-'}")
for circle in sorted(circles):
    print("circle:", circle)
for group in groups:
    print("link group in", group)
sys.exit(1 if circles or groups else 0)
