#!/usr/bin/env python3
"""Checks every #include "..." between modules against tools/module-dependencies.txt.

Usage: tools/check-includes.py [file ...]   (default: every C/C++ file git knows)
Exits 1 and lists the offending lines when an include crosses to a module its
unit may not use, when a file lies in no unit of the table, or when the table
has a cycle.
"""
import os
import re
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(TOP, "tools", "module-dependencies.txt")
TEST_SUPPORT = "platform/testsupport"
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
LIBRARY = re.compile(r"\btarsel_library\(\s*([A-Za-z0-9_]+)")


def read_table():
    uses = {}
    for number, line in enumerate(open(TABLE, encoding="utf-8"), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        entries = uses.setdefault(words[0].rstrip("/"), set())
        for word in words[1:]:
            if word != "-":
                entries.add(word.rstrip("/"))
    for unit, entries in uses.items():
        for entry in entries:
            if not entry.endswith(".h") and entry not in uses:
                sys.exit(f"{TABLE}: {unit} uses {entry}, which has no line of its own")
    return uses


def closure(uses, unit, path=()):
    """What `unit` may use, following uses transitively; exits on a cycle."""
    if unit in path:
        sys.exit(f"{TABLE}: cycle " + " -> ".join(path + (unit,)))
    allowed = set()
    for entry in uses.get(unit, ()):
        allowed.add(entry)
        if not entry.endswith(".h"):
            allowed |= closure(uses, entry, path + (unit,))
    return allowed


def owner(uses, path):
    """The unit a path belongs to and whether it is test code, or (None, False)."""
    best = None
    for unit in uses:
        if (path == unit or path.startswith(unit + "/")) and (best is None or len(unit) > len(best)):
            best = unit
    if best is None:
        return None, False
    rest = path[len(best) + 1:]
    return best, rest.startswith("tests/") or best.endswith("/tests")


def module_of(unit):
    return unit[: -len("/tests")] if unit.endswith("/tests") else unit


def export_headers():
    """<library>_export.h -> the folder whose CMake files declare the library."""
    found = {}
    for folder, _, names in os.walk(TOP):
        if "/build" in folder[len(TOP):] or "/." in folder[len(TOP):]:
            continue
        for name in names:
            if name == "CMakeLists.txt" or name.endswith(".cmake"):
                text = open(os.path.join(folder, name), encoding="utf-8").read()
                for library in LIBRARY.findall(text):
                    found[library + "_export.h"] = os.path.relpath(folder, TOP)
    return found


def target_of(source, include, exports):
    """The tree path an include names, or None for a header outside the tree."""
    here = os.path.dirname(source)
    local = os.path.normpath(os.path.join(here, include))
    if os.path.exists(os.path.join(TOP, local)) and not local.startswith(".."):
        return local
    if os.path.exists(os.path.join(TOP, include)):
        return os.path.normpath(include)
    if include in exports:
        return exports[include] + "/" + include
    return None


def problems_in(files, read=None):
    """The layering problems of `files` (paths below the top folder); `read`
    gives a file's lines (default: read it from the tree)."""
    read = read or (lambda path: open(os.path.join(TOP, path), encoding="utf-8", errors="replace"))
    uses = read_table()
    allowed = {unit: closure(uses, unit) for unit in uses}
    exports = export_headers()
    problems = []
    for source in files:
        unit, is_test = owner(uses, source)
        if unit is None:
            problems.append(f"{source}: in no unit of {os.path.relpath(TABLE, TOP)}")
            continue
        module = module_of(unit)
        may = set(allowed.get(module, ())) | {module}
        if is_test:
            may |= {TEST_SUPPORT} | allowed[TEST_SUPPORT]
            tests_unit = module + "/tests"
            if tests_unit in uses:
                may |= {tests_unit} | allowed[tests_unit]
        for number, line in enumerate(read(source), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = target_of(source, match.group(1), exports)
            if target is None:
                continue
            target_unit, target_is_test = owner(uses, target)
            if target_unit is None or target_unit == unit or target_unit == module:
                continue
            if target_is_test and module_of(target_unit) != module:
                problems.append(f"{source}:{number}: includes another module's test code {target}")
            elif target_unit not in may and target not in may:
                problems.append(f"{source}:{number}: {unit} may not use {target_unit} ({target})")
    return problems


def main(files):
    problems = problems_in(files)
    if problems:
        print("Includes that break the module layering (tools/module-dependencies.txt):")
        print("\n".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if not arguments:
        listed = subprocess.run(["git", "-C", TOP, "ls-files", "--", "*.h", "*.cpp", "*.c"],
                                capture_output=True, text=True, check=True).stdout
        arguments = listed.split()
    sys.exit(main(arguments))
