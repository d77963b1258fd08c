#!/usr/bin/env python3
"""Writes the manual page's sections on each subcommand's options from the
command's own --help, so that the page names every option the command has.

Usage: help-to-man.py MIRTANE OUTPUT.h2m
The output is a help2man include file: one section per subcommand, each
option a tagged paragraph with its description.
"""
import subprocess
import sys

SUBCOMMANDS = ("restore", "curves")


def roff(text):
    """Text as roff prints it: backslashes and dashes escaped, no line
    starting with a control character."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def options(help_text):
    """(option, description) pairs of the Options: part of a --help text:
    an option's line holds its names and type, then, after a gap of two or
    more spaces or on the lines below, its description."""
    found = []
    in_options = False
    for line in help_text.splitlines():
        if line.strip() == "Options:":
            in_options = True
            continue
        if not in_options or not line.strip():
            continue
        if line.startswith("  -"):
            head, _, rest = line.strip().partition("  ")
            found.append([head, rest.strip()])
        elif found:
            found[-1][1] = (found[-1][1] + " " + line.strip()).strip()
    return found


def main():
    mirtane, output = sys.argv[1], sys.argv[2]
    sections = []
    for subcommand in SUBCOMMANDS:
        text = subprocess.run([mirtane, subcommand, "--help"], check=True, capture_output=True,
                              text=True).stdout
        lines = [f"[{subcommand.upper()} OPTIONS]"]
        lines.append(roff(f"mirtane {subcommand} takes these options (mirtane {subcommand} "
                          "--help prints them too):"))
        for option, description in options(text):
            lines += [".TP", "\\fB" + roff(option) + "\\fR", roff(description)]
        sections.append("\n".join(lines))
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n\n".join(sections) + "\n")


if __name__ == "__main__":
    main()
