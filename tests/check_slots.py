#!/usr/bin/env python3
"""Checks that every slot has an installer and that the library's start runs every install.

Two checks on the source tree:
  installers  every fill routine declared in a src/<layer>/slots.hpp is called inside an
              install routine (a function whose name starts with "install") that a layer's
              installSlots() reaches, directly or through other install routines;
  start       src/library_start.cpp calls the installSlots() of every layer whose slots.hpp
              declares one, once each, in the order of src/layers.txt.
Before the real tree, both checks run on a planted tree with a slot nobody installs and a
start that misses a layer, and must find both: a checker that cannot fail proves nothing.

Exit status 0 when everything holds, 1 with one line per violation otherwise.
"""

import argparse
import re
import sys
import tempfile
from pathlib import Path

FILL_DECLARATION = re.compile(r"^[A-Za-z][\w:<>, ]*\s(fill[A-Z]\w*)\(", re.MULTILINE)
INSTALL_DECLARATION = re.compile(r"^void installSlots\(\);", re.MULTILINE)
NAMESPACE = re.compile(r"^namespace (\w+) \{", re.MULTILINE)
# An install routine's definition at the start of a line: its name and its body, either on
# the same line or up to the first closing brace at the start of a line.
INSTALL_DEFINITION = re.compile(
    r"^void (?:\w+::)*(install\w*)\(\) \{(?:(?P<line>[^\n]*)\}$|(?P<block>.*?)^\})",
    re.MULTILINE | re.DOTALL)
CALL = re.compile(r"\b(fill[A-Z]\w*|install\w*)\(")
START_CALL = re.compile(r"\b(\w+)::installSlots\(\);")


def read_layers(path):
    return [line.strip() for line in Path(path).read_text().splitlines()
            if line.strip() and not line.strip().startswith("#")]


def declared_fills(src):
    """fill routine -> the slots.hpp that declares it."""
    fills = {}
    for header in sorted(src.rglob("slots.hpp")):
        for match in FILL_DECLARATION.finditer(header.read_text()):
            fills.setdefault(match.group(1), header)
    return fills


def install_bodies(src):
    """install routine name -> the names it calls (fill and install routines)."""
    calls = {}
    for path in sorted(src.rglob("*.cpp")):
        for match in INSTALL_DEFINITION.finditer(path.read_text()):
            body = match.group("line") if match.group("line") is not None else match.group("block")
            body = re.sub(r"//[^\n]*", "", body or "")
            calls.setdefault(match.group(1), set()).update(CALL.findall(body))
    return calls


def installer_violations(src):
    bodies = install_bodies(src)
    reached, todo = set(), ["installSlots"]
    while todo:
        name = todo.pop()
        if name in reached:
            continue
        reached.add(name)
        todo.extend(bodies.get(name, ()))
    problems = []
    for fill, header in sorted(declared_fills(src).items()):
        if fill not in reached:
            problems.append(f"{header.relative_to(src.parent)}: {fill} is declared, but no "
                            "layer's installSlots() calls it")
    return problems


def start_violations(src, layers):
    expected = []
    for layer in layers:
        header = src / layer / "slots.hpp"
        if header.is_file():
            text = header.read_text()
            namespace = NAMESPACE.search(text)
            if INSTALL_DECLARATION.search(text) and namespace:
                expected.append(namespace.group(1))
    start = src / "library_start.cpp"
    called = START_CALL.findall(start.read_text()) if start.is_file() else []
    if called != expected:
        return [f"src/library_start.cpp calls the installs of {called or 'no layer'}; the "
                f"layers that install, in the order of src/layers.txt, are {expected}"]
    return []


def planted_faults_are_found():
    """Both checks find the faults of a planted tree."""
    with tempfile.TemporaryDirectory() as scratch:
        src = Path(scratch) / "src"
        for layer, text in {
            "low": "namespace low {\nusing R = void (*)();\nR fillKept(R r);\nR fillLost(R r);\n}\n",
            "high": "namespace high {\nvoid installSlots();\n}\n",
            "top": "namespace top {\nvoid installSlots();\n}\n",
        }.items():
            (src / layer).mkdir(parents=True)
            (src / layer / "slots.hpp").write_text(text)
        (src / "high" / "fillers.cpp").write_text(
            "void installHelper() { low::fillKept(&f); }\n\n"
            "void installSlots() {\n  installHelper();\n}\n")
        (src / "library_start.cpp").write_text("  high::installSlots();\n")
        installers = installer_violations(src)
        start = start_violations(src, ["low", "high", "top"])
        return (len(installers) == 1 and "fillLost" in installers[0] and len(start) == 1
                and "'top'" in start[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, type=Path, help="the source tree")
    args = parser.parse_args()

    if not planted_faults_are_found():
        print("the slot checks missed the faults planted in a temporary tree")
        return 1
    src = args.root / "src"
    layers = read_layers(src / "layers.txt")
    problems = installer_violations(src) + start_violations(src, layers)
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(declared_fills(src))} slot fillers: each installed, every install started")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
