#!/usr/bin/env python3
"""Checks that every dependency of the library points downward in the order of src/layers.txt.

Three checks:
  includes  a file under src/<layer>/ or tests/<layer>/ includes no header of a layer listed
            after its own (quoted includes, resolved against src/ and tests/);
  libraries a layer's library links only libraries of layers before it;
  tests     a test executable under tests/<layer>/ links, directly or through the libraries
            it links, no library of a layer after its own.
The link lines come from the file CMake writes at generation (--links). Before the real
tree, the include check is run on a planted file that includes a header of a higher layer,
and must find it: a checker that cannot fail proves nothing.

Exit status 0 when everything holds, 1 with one line per violation otherwise.
"""

import argparse
import re
import sys
import tempfile
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_layers(path):
    layers = []
    for line in Path(path).read_text().splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            layers.append(line)
    return layers


def layer_of(relative, layers):
    """The layer whose folder holds RELATIVE (a path under src/ or tests/), or None."""
    found = None
    for layer in layers:
        if relative == layer or relative.startswith(layer + "/"):
            # The deepest folder wins (thermo/pure before a layer named thermo).
            if found is None or len(layer) > len(found):
                found = layer
    return found


def include_violations(root, layers, tops=("src", "tests")):
    rank = {layer: k for k, layer in enumerate(layers)}
    problems = []
    for top in tops:
        base = root / top
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".cpp", ".hpp", ".h"):
                continue
            own = layer_of(path.relative_to(base).as_posix(), layers)
            if own is None:
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = layer_of(match.group(1), layers)
                if target is not None and rank[target] > rank[own]:
                    problems.append(
                        f"{path.relative_to(root)}:{number}: layer {own} includes "
                        f'"{match.group(1)}" of the higher layer {target}')
    return problems


def library_name(layer):
    return "vk_" + layer.replace("/", "_")


def read_links(path):
    """target -> (source folder, [linked items]) from the lines CMake wrote."""
    links = {}
    for line in Path(path).read_text().splitlines():
        if not line.strip():
            continue
        target, folder, items = (line.split("\t") + ["", ""])[:3]
        links[target] = (folder, [item for item in items.split(";") if item])
    return links


def link_violations(links, layers, source_root):
    rank = {library_name(layer): k for k, layer in enumerate(layers)}
    problems = []

    def closure(target, seen):
        for item in links.get(target, ("", []))[1]:
            if item not in seen:
                seen.add(item)
                closure(item, seen)
        return seen

    for target, (folder, items) in sorted(links.items()):
        if target in rank:
            for item in items:
                if item in rank and rank[item] >= rank[target]:
                    problems.append(f"library {target} links {item} of its own or a higher layer")
            continue
        relative = Path(folder).resolve().relative_to(source_root.resolve()).as_posix()
        if not relative.startswith("tests/"):
            continue
        own = layer_of(relative[len("tests/"):], layers)
        if own is None:
            continue
        for item in sorted(closure(target, set())):
            if item in rank and rank[item] > rank[library_name(own)]:
                problems.append(f"test {target} of layer {own} links {item}")
    return problems


def planted_include_is_found(layers):
    """The include check finds an upward include planted in a temporary tree."""
    low, high = layers[1], layers[-1]
    with tempfile.TemporaryDirectory() as scratch:
        root = Path(scratch)
        planted = root / "src" / low / "planted.cpp"
        planted.parent.mkdir(parents=True)
        planted.write_text(f'#include "{low}/fine.hpp"\n#include "{high}/upward.hpp"\n')
        found = include_violations(root, layers)
        return len(found) == 1 and "upward.hpp" in found[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, type=Path, help="the source tree")
    parser.add_argument("--links", type=Path, help="the link lines CMake wrote")
    args = parser.parse_args()

    layers = read_layers(args.root / "src" / "layers.txt")
    if not planted_include_is_found(layers):
        print("the include check missed an upward include planted in a temporary file")
        return 1
    problems = include_violations(args.root, layers)
    if args.links is not None:
        problems += link_violations(read_links(args.links), layers, args.root)
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(layers)} layers: every include and every link points downward")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
