#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Checks a manual page against the program it describes.

    manual_options.py PAGE PROGRAM [ARG...]

The page must render with groff without a single warning, and every option
that `PROGRAM ARG... --help` prints must be described in the page's OPTIONS
section. Exits 1 and names what is wrong otherwise.

A program that failed to take --help would start for real and broadcast, so
it runs in a network namespace of its own (with nothing but a loopback that
is down) and with a scratch home; where no namespace can be made the check
is skipped (exit status 77).
"""
import os
import re
import subprocess
import sys
import tempfile

# An option as help texts write it: "-h", "--window-ms", but not the hyphen
# inside a word ("torvane-query") or a negative number ("-1").
OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def groff_warnings(page):
    result = subprocess.run(["groff", "-man", "-ww", "-z", page], capture_output=True, text=True)
    return result.stderr.strip() or ("" if result.returncode == 0 else f"groff exit status {result.returncode}")


def plain_source(text):
    """The page's text with the escapes that may sit inside an option removed."""
    text = text.replace("\\-", "-")
    text = re.sub(r"\\f(\[[^]]*\]|\(..|.)", "", text)
    return re.sub(r"\\[%&]", "", text)


def options_section(page):
    text = plain_source(open(page, encoding="utf-8").read())
    match = re.search(r"^\.SH\s+\"?OPTIONS\"?\s*$(.*?)(?=^\.SH\s)", text, re.M | re.S)
    return match.group(1) if match else ""


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    page, command = argv[1], argv[2:] + ["--help"]
    failures = []

    warnings = groff_warnings(page)
    if warnings:
        failures.append(f"{page} does not render cleanly:\n{warnings}")

    isolate = ["unshare", "--net"] + ([] if os.geteuid() == 0 else ["--map-root-user"])
    with tempfile.TemporaryDirectory() as home:
        environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home)
        try:
            help_run = subprocess.run(isolate + ["--"] + command, capture_output=True, text=True,
                                      env=environment, stdin=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            print(f"{' '.join(command)} did not end: it runs instead of answering --help")
            return 1
    if help_run.returncode != 0 and help_run.stderr.startswith("unshare:"):
        print(f"skipped: no network namespace of its own for the program ({help_run.stderr.strip()})")
        return 77
    if help_run.returncode != 0:
        failures.append(f"{' '.join(command)} exited with {help_run.returncode}: {help_run.stderr.strip()}")
    printed = sorted(set(OPTION.findall(help_run.stdout)))
    if not printed:
        failures.append(f"{' '.join(command)} printed no option at all")

    section = options_section(page)
    if not section.strip():
        failures.append(f"{page} has no OPTIONS section")
    documented = set(OPTION.findall(section))
    missing = [option for option in printed if option not in documented]
    if missing:
        failures.append(f"not documented in the OPTIONS section of {page}: {' '.join(missing)}")

    for failure in failures:
        print(failure)
    if not failures:
        print(f"{page}: renders cleanly and documents {' '.join(printed)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
