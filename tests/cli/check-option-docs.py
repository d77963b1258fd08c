#!/usr/bin/env python3
"""Fails when the manual page or the bash completion lacks an option that
the command has: every long option of every subcommand's --help must be in
the manual page and in that subcommand's completion list.

Usage: check-option-docs.py MIRTANE MANUAL_PAGE COMPLETION_SCRIPT
Prints one line per missing option and exits 1 if there is any.
"""
import re
import subprocess
import sys

SUBCOMMANDS = ("restore", "curves")
LONG_OPTION = re.compile(r"--[a-z][a-z0-9-]*")


def long_options(help_text):
    """The long options named on the option lines of a --help text."""
    names = set()
    for line in help_text.splitlines():
        if line.startswith("  -"):
            head = line.strip().partition("  ")[0].split(" ")[0]
            names.update(LONG_OPTION.findall(head))
    return names


def completion_options(script, subcommand):
    """The words offered after `mirtane SUBCOMMAND -`."""
    match = re.search(subcommand + r'\) options="([^"]*)"', script)
    return set(match.group(1).split()) if match else set()


def main():
    mirtane, manual_path, completion_path = sys.argv[1:4]
    manual = open(manual_path, encoding="utf-8").read().replace("\\-", "-")
    completion = open(completion_path, encoding="utf-8").read()
    missing = []
    for subcommand in SUBCOMMANDS:
        text = subprocess.run([mirtane, subcommand, "--help"], check=True, capture_output=True,
                              text=True).stdout
        offered = completion_options(completion, subcommand)
        for option in sorted(long_options(text)):
            if not re.search(re.escape(option) + r"(?![a-z0-9-])", manual):
                missing.append(f"the manual page lacks {subcommand} {option}")
            if option not in offered:
                missing.append(f"the completion lacks {subcommand} {option}")
    for line in missing:
        print(line)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
