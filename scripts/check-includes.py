#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Checks the include rules of the source tree.

Each folder of src/ with a CMakeLists.txt makes one library and declares the
libraries it uses (DEPENDS). A file may include headers of its own folder and
of the folders its library declares, nothing else: the floors stay in order
and nothing points upward. Qt headers belong to src/desktop/ (and the window
tests) only. Prints each breach and exits 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
LIBRARY = re.compile(r"\btorvane_(?:subsystem|qt_library)\(\s*(\w+)(.*?)\)", re.S)
LOCAL_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
QT_INCLUDE = re.compile(r"^\s*#\s*include\s+<(Q[A-Za-z]*|Qt[A-Za-z]*/[^>]*)>", re.M)
SOURCES = (".h", ".cpp", ".cc", ".hpp")


def libraries():
    """Folder (relative to src/) -> (name, declared names); name -> folder."""
    folders, names = {}, {}
    for cmake in SRC.rglob("CMakeLists.txt"):
        text = re.sub(r"#.*", "", cmake.read_text())
        for name, body in LIBRARY.findall(text):
            if name == "NAME":
                continue
            depends = re.search(r"\bDEPENDS\b(.*?)(?:\bSOURCES\b|\bLIBS\b|$)", body, re.S)
            declared = set(depends.group(1).split()) if depends else set()
            folder = cmake.parent.relative_to(SRC).as_posix()
            folders[folder] = (name, declared)
            names[name] = folder
    return folders, names


def owner(path, folders):
    """The library folder a path (relative to src/) belongs to: the deepest one."""
    parts = pathlib.PurePosixPath(path).parts
    for n in range(len(parts) - 1, 0, -1):
        folder = "/".join(parts[:n])
        if folder in folders:
            return folder
    return None


def main():
    folders, names = libraries()
    breaches = []
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in SOURCES:
            continue
        rel = path.relative_to(SRC).as_posix()
        text = path.read_text(errors="replace")
        home = owner(rel, folders)
        if home is None:
            breaches.append(f"src/{rel}: in no library folder")
            continue
        name, declared = folders[home]
        allowed = {home} | {names[d] for d in declared if d in names}
        for header in LOCAL_INCLUDE.findall(text):
            target = owner(header, folders)
            if target is None:
                if (path.parent / header).exists():
                    continue  # a header beside the file, by its plain name
                breaches.append(f"src/{rel}: includes {header}, which no library folder holds")
            elif not (SRC / header).exists() and not (SRC / (header + ".in")).exists():
                breaches.append(f"src/{rel}: includes {header}, which does not exist")
            elif target not in allowed:
                breaches.append(f"src/{rel}: includes {header}, but {name} does not declare {names_of(folders, target)}")
        if not (home == "desktop" or home.startswith("desktop/")) and QT_INCLUDE.search(text):
            breaches.append(f"src/{rel}: includes a Qt header outside src/desktop/")
    # Beyond src/: only the window tests, their pictures and the probe the
    # whole-program tests load into torvane use Qt.
    for top in ("tests", "bench", "fuzz", "tools"):
        for path in sorted((ROOT / top).rglob("*")):
            if path.suffix not in SOURCES:
                continue
            rel = path.relative_to(ROOT).as_posix()
            if rel.startswith(("tests/desktop/", "tests/e2e/desktop_probe/")):
                continue
            if QT_INCLUDE.search(path.read_text(errors="replace")):
                breaches.append(f"{rel}: includes a Qt header outside src/desktop/ and the window tests")
    for breach in breaches:
        print(breach)
    return 1 if breaches else 0


def names_of(folders, folder):
    return folders[folder][0]


if __name__ == "__main__":
    sys.exit(main())
