#!/usr/bin/env python3
"""Checks the include rules of the repository plan, file by file.

Every #include of a source file in a plug-in folder must name a header that
its folder may include (ALLOWED below, the same arrows as the folders'
CMakeLists.txt, narrowed to single headers where the plan says so); the
Windows headers appear only where Win32 code lives; the folders whose code
is portable include nothing from outside the standard library but the
headers listed. Also checks that every source file is named in a
CMakeLists.txt, so that no file silently drops out of the build, and that
the folders' rules form no cycle (a folder reaching, through the others,
back to itself).

Usage: check-layering.py [repository root]. Prints one line per violation
and exits 1 if there is any.
"""
import os
import re
import sys

from graph_cycles import find_cycle

# Folder (or file-name prefix) -> what its sources may include: whole folders
# by name, single headers by path.
ALLOWED = {
    "pluginapi": {"pluginapi"},
    "blocks": {"blocks"},
    "resources": {"resources"},
    "analysis": {"analysis", "blocks"},
    "run": {"run", "pluginapi", "blocks"},
    "pipeline": {"pipeline", "run", "analysis", "pluginapi", "blocks"},
    "host": {"host", "pipeline", "run", "analysis", "pluginapi", "platform", "blocks", "resources"},
    "platform/headless": {"platform"},
    "platform": {"platform"},
    "ui": {"ui", "host", "pipeline", "run", "analysis", "pluginapi", "platform", "blocks", "resources"},
    "hosts/kit": {"hosts/kit", "pluginapi"},
    "hosts/testhost": {"hosts/testhost", "hosts/kit", "pluginapi", "resources"},
    "hosts/prodhost": {"hosts/prodhost", "hosts/kit", "pluginapi"},
    "engine": {"engine", "host", "platform", "hosts/prodhost", "run", "pipeline", "analysis"},
    "gegl": {"gegl", "engine"},
    "gimp": {"gimp", "engine"},
    "gimp3": {"gimp3", "engine/MirtaneEngine.h"},
    "cli": {"cli", "engine", "hosts/kit"},
}

WINDOWS_HEADERS = {"windows.h", "commctrl.h", "shellapi.h", "windowsx.h", "shlobj.h",
                   "winreg.h", "winuser.h", "wingdi.h"}
# Where Win32 code lives: the dialog, the Win32 platform layer, the test
# host's Windows build and the resource scripts.
WINDOWS_PLACES = ("ui/", "platform/win32/", "hosts/testhost/", "resources/")

# Folders held to the standard library, with the exceptions the plan allows.
STANDARD_ONLY = {
    "analysis": {"emmintrin.h"},  # see analysis/PairSampleRow.cpp
    "blocks": set(),
    "pluginapi": set(),
    "pipeline": set(),
    "host": set(),
    "run": set(),
}
STANDARD_HEADERS = set("""
algorithm any array atomic bitset cassert cctype cerrno cfenv cfloat charconv chrono cinttypes
climits clocale cmath codecvt complex condition_variable csetjmp csignal cstdarg cstddef cstdint
cstdio cstdlib cstring ctime cuchar cwchar cwctype deque exception execution filesystem
forward_list fstream functional future initializer_list iomanip ios iosfwd iostream istream
iterator limits list locale map memory memory_resource mutex new numeric optional ostream queue
random ratio regex scoped_allocator set shared_mutex sstream stack stdexcept streambuf string
string_view system_error thread tuple type_traits typeindex typeinfo unordered_map unordered_set
utility valarray variant vector
""".split())

SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def rules_for(path):
    """The ALLOWED entry of the longest folder prefix of path, or None."""
    best = None
    for key in ALLOWED:
        if path.startswith(key + "/") and (best is None or len(key) > len(best)):
            best = key
    return best


def resolve(path, target):
    """A quoted include as a path from the root: relative to the including
    file when it names no folder or climbs with '..', else from the root."""
    if "/" not in target or target.startswith(".."):
        return os.path.normpath(os.path.join(os.path.dirname(path), target))
    return target


def permitted(target, allowed):
    return any(target == entry or target.startswith(entry + "/") for entry in allowed)


def check_includes(root, path, problems):
    key = rules_for(path)
    folder = path.split("/", 1)[0]
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as handle:
        for number, line in enumerate(handle, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, target = match.groups()
            where = f"{path}:{number}"
            if kind == '"':
                target = resolve(path, target)
                if not permitted(target, ALLOWED[key]):
                    problems.append(f"{where}: {key}/ may not include \"{target}\"")
                continue
            if target.lower() in WINDOWS_HEADERS:
                if not path.startswith(WINDOWS_PLACES):
                    problems.append(f"{where}: <{target}> outside the Win32 code")
                continue
            if folder in STANDARD_ONLY and target not in STANDARD_HEADERS \
                    and target not in STANDARD_ONLY[folder]:
                problems.append(f"{where}: {folder}/ includes <{target}>, "
                                "which is not in the standard library")


def listed_in_cmake(root, path):
    """True when a CMakeLists.txt in the file's folder or above names the
    file, or builds its folder by pattern."""
    folder = os.path.dirname(path)
    name = os.path.basename(path)
    relative = name
    while True:
        lists = os.path.join(root, folder, "CMakeLists.txt")
        if os.path.isfile(lists):
            with open(lists, encoding="utf-8") as handle:
                text = handle.read()
            if re.search(r"(^|[\s/(])" + re.escape(relative) + r"(\s|\)|$)", text, re.M) \
                    or "file(GLOB" in text:
                return True
        if not folder:
            return False
        relative = os.path.basename(folder) + "/" + relative
        folder = os.path.dirname(folder)


def folder_of(entry):
    """The ALLOWED key an include rule's entry (a folder or a header) lies in."""
    keys = [key for key in ALLOWED if entry == key or entry.startswith(key + "/")]
    return max(keys, key=len) if keys else None


def folder_cycle():
    """A cycle among the folders' rules, as a list of folders, or None."""
    reaches = {}
    for key, entries in ALLOWED.items():
        reaches[key] = {folder_of(entry) for entry in entries} - {key, None}
        # A subfolder's rules (platform/headless) belong to its folder.
        parent = folder_of(key.rsplit("/", 1)[0]) if "/" in key else None
        reaches[key] -= {parent}
    return find_cycle(reaches)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    cycle = folder_cycle()
    if cycle:
        problems.append("the folders' rules form a cycle: " + " -> ".join(cycle))
    for top in sorted(set(key.split("/")[0] for key in ALLOWED) | {"tests"}):
        for directory, _, files in os.walk(os.path.join(root, top)):
            for file_name in sorted(files):
                path = os.path.relpath(os.path.join(directory, file_name), root)
                path = path.replace(os.sep, "/")
                if top != "tests" and file_name.endswith(SOURCE_SUFFIXES):
                    check_includes(root, path, problems)
                if file_name.endswith(".cpp") and not listed_in_cmake(root, path):
                    problems.append(f"{path}: no CMakeLists.txt builds it")
    for line in problems:
        print(line)
    if problems:
        print(f"check-layering: {len(problems)} problem(s)")
        return 1
    print("check-layering: every include follows the plan")
    return 0


if __name__ == "__main__":
    sys.exit(main())
