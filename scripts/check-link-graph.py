#!/usr/bin/env python3
"""Checks the build's link graph: no cycles, and the arrows docs/ARCHITECTURE.md
draws are the arrows the build states.

The graph is CMake's own (`cmake --graphviz`), taken from a fresh configure
of the sources in a scratch folder: natively, and for 64-bit Windows too
when the MinGW-w64 compiler is installed, since some arrows exist on one
platform only. The map is the ```arrows block of docs/ARCHITECTURE.md, one
line per target: `target -> a, b, c` (or `-> nothing`). For every target on
the map that the configured platform builds, its arrows must be exactly its
links in the graph; interface libraries that are not on the map
(mirtane_plugin, which bundles the plug-in's libraries) are looked through,
and the float-rule and warning bundles are left out. Every target of the
graph must be on the map, except test programs, benchmarks and fuzzers.

Usage: check-link-graph.py [--cmake CMAKE] [--graph FILE.dot ...] [root]
(--graph checks given graphs instead of configuring). Prints one line per
problem and exits 1 if there is any.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

from graph_cycles import find_cycle

# Compile-option bundles every target links: not arrows of the plan.
OPTION_BUNDLES = {"mirtane_float_rules", "mirtane_warnings"}
# Programs that test or measure the rest may link anything; they ship nowhere.
UNMAPPED = re.compile(r"^(tests_.*|fuzz_.*|.*Bench|check_plugin_file|plugin_file_checks)$")

NODE = re.compile(r'^\s*"(node\d+)" \[ label = "([^"]*)", shape = (\w+) \];')
EDGE = re.compile(r'^\s*"(node\d+)" -> "(node\d+)"')
ARROW = re.compile(r"^(\S+)\s+->\s+(.*)$")


def read_graph(path):
    """Targets -> (shape, set of linked targets), from a graphviz file."""
    names, links = {}, {}
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            node = NODE.match(line)
            if node:
                # An aliased target is labelled "name\n(alias)".
                names[node.group(1)] = (node.group(2).split("\\n")[0], node.group(3))
                continue
            edge = EDGE.match(line)
            if edge and edge.group(1) in names and edge.group(2) in names:
                source, target = names[edge.group(1)], names[edge.group(2)]
                # CMake draws an executable whose tests are discovered after
                # the build as depending on itself; nothing can link a program.
                if source == target and source[1] == "egg":
                    continue
                links.setdefault(source[0], set()).add(target[0])
    return {name: (shape, links.get(name, set())) for name, shape in names.values()}


def read_map(path):
    """Target -> set of targets, from the ```arrows block of the document."""
    arrows, inside = {}, False
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            stripped = line.strip()
            if stripped.startswith("```"):
                inside = stripped == "```arrows"
                continue
            if inside and stripped:
                match = ARROW.match(stripped)
                if not match:
                    raise ValueError(f"{path}: not an arrow line: {stripped}")
                targets = {t.strip() for t in match.group(2).split(",")} - {"nothing"}
                arrows[match.group(1)] = targets
    if not arrows:
        raise ValueError(f"{path}: no ```arrows block")
    return arrows


def stated_arrows(graph, target, mapped):
    """The targets `target` links as the map draws them: unmapped interface
    libraries looked through, option bundles left out."""
    result, pending, seen = set(), list(graph[target][1]), set()
    while pending:
        linked = pending.pop()
        if linked in seen or linked in OPTION_BUNDLES:
            continue
        seen.add(linked)
        if linked in mapped:
            result.add(linked)
        elif linked in graph and graph[linked][0] == "pentagon":
            pending.extend(graph[linked][1])
    return result


def check(graph, arrows, where):
    problems = []
    cycle = find_cycle({name: links for name, (_, links) in graph.items()})
    if cycle:
        problems.append(f"{where}: link cycle: {' -> '.join(cycle)}")
    for target in sorted(graph):
        if target in arrows or target in OPTION_BUNDLES or UNMAPPED.match(target):
            continue
        if graph[target][0] == "pentagon" and target not in arrows:
            continue  # a bundle, looked through
        problems.append(f"{where}: target {target} is not on the map")
    for target in sorted(arrows):
        if target not in graph:
            continue  # not built on this platform
        built = stated_arrows(graph, target, arrows)
        for missing in sorted(built - arrows[target]):
            problems.append(f"{where}: {target} -> {missing} is built but not on the map")
        for extra in sorted(arrows[target] - built):
            if extra in graph:
                problems.append(f"{where}: {target} -> {extra} is on the map but not built")
    return problems


def configure(cmake, root, scratch, toolchain=None):
    build = os.path.join(scratch, "windows" if toolchain else "native")
    command = [cmake, "-S", root, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
               "--graphviz=" + os.path.join(build, "graph.dot")]
    if toolchain:
        command.append("-DCMAKE_TOOLCHAIN_FILE=" + toolchain)
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        raise RuntimeError("configure failed:\n" + done.stdout[-2000:])
    return os.path.join(build, "graph.dot")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root", nargs="?",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--graph", action="append", default=[])
    options = parser.parse_args()
    root = os.path.abspath(options.root)
    arrows = read_map(os.path.join(root, "docs", "ARCHITECTURE.md"))

    problems, checked = [], []
    if options.graph:
        for path in options.graph:
            problems += check(read_graph(path), arrows, path)
            checked.append(path)
    else:
        with tempfile.TemporaryDirectory(prefix="mirtane-graph-") as scratch:
            graphs = {"native": configure(options.cmake, root, scratch)}
            if shutil.which("x86_64-w64-mingw32-g++"):
                graphs["win64"] = configure(options.cmake, root, scratch,
                                            os.path.join(root, "cmake", "mingw-x86_64.cmake"))
            for where, path in graphs.items():
                problems += check(read_graph(path), arrows, where)
                checked.append(where)
    for line in problems:
        print(line)
    if problems:
        print(f"check-link-graph: {len(problems)} problem(s)")
        return 1
    print(f"check-link-graph ({', '.join(checked)}): no cycle; the map's arrows are the build's")
    return 0


if __name__ == "__main__":
    sys.exit(main())
