#!/usr/bin/env python3
"""The layer check: derives the folder graph from the #include lines of the program's sources and
fails on any include that points up (or sideways within a layer), on any cycle between folders, on
any cycle of includes between the units of one folder (a header and its source file are one unit:
"settings/StoredPassword" stands for both), and on a folder library that links a layer that is not
below it. Prints each offence with file and line.

Usage: check_layers.py SOURCE_ROOT
"""
import os
import re
import sys

# Bottom to top. A folder may include its own files and those of the folders of lower layers.
LAYERS = [
    ["framework"],
    ["settings"],
    ["actions"],
    ["switching", "update"],
    ["ui"],
    ["app"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
LINKS = re.compile(r'vp_add_layer\(\s*(\w+)(?:\s+LINKS([^)]*))?\)')


def folder_of(include):
    head = include.split("/", 1)
    return head[0] if len(head) == 2 and head[0] in RANK else None


def source_includes(root):
    """Yields (folder, file path, line number, included path) for every quoted include of a folder's
    sources."""
    for folder in RANK:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if m:
                            yield folder, path, number, m.group(1)


def unit_of(path):
    """The unit a file belongs to: its path without the ending ("actions/UndoRecord")."""
    return os.path.splitext(path)[0]


def scan_units(root):
    """Yields (unit, included unit, file, line number) for every include between two units of one
    folder, named from the source root; a file including its own unit's header is no edge."""
    for folder, path, number, include in source_includes(root):
        source = os.path.relpath(path, root).replace(os.sep, "/")
        if folder_of(include) == folder and unit_of(include) != unit_of(source):
            yield unit_of(source), unit_of(include), source, number


def scan_includes(root):
    """Yields (source folder, included folder, file, line number) for every cross-folder include."""
    for folder, path, number, include in source_includes(root):
        target = folder_of(include)
        if target and target != folder:
            yield folder, target, os.path.relpath(path, root), number


def find_cycle(edges):
    """A cycle of folders as a list (first repeated at the end), or None."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    state = {}

    def visit(node, stack):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, stack)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check(root):
    problems = []
    edges = {}
    for source, target, path, number in scan_includes(root):
        edges.setdefault((source, target), (path, number))
        if RANK[target] >= RANK[source]:
            problems.append(f"{path}:{number}: {source}/ includes {target}/, which is not a lower layer")
    cycle = find_cycle(edges)
    if cycle:
        steps = [f"{a} -> {b} ({edges[(a, b)][0]}:{edges[(a, b)][1]})" for a, b in zip(cycle, cycle[1:])]
        problems.append("folder cycle: " + ", ".join(steps))
    includes = {}
    for source, target, path, number in scan_units(root):
        includes.setdefault((source, target), (path, number))
    cycle = find_cycle(includes)
    if cycle:
        steps = [f"{a} -> {b} ({includes[(a, b)][0]}:{includes[(a, b)][1]})" for a, b in zip(cycle, cycle[1:])]
        problems.append("unit cycle: " + ", ".join(steps))
    for folder in RANK:
        cmake = os.path.join(root, folder, "CMakeLists.txt")
        if not os.path.exists(cmake):
            problems.append(f"{folder}/CMakeLists.txt: missing")
            continue
        with open(cmake, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = LINKS.search(line)
                if not m:
                    continue
                for lib in (m.group(2) or "").split():
                    linked = lib[3:] if lib.startswith("vp_") else lib
                    if linked in RANK and RANK[linked] >= RANK[folder]:
                        problems.append(f"{folder}/CMakeLists.txt:{number}: vp_{folder} links {lib}, "
                                        "which is not a lower layer")
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = check(os.path.abspath(root))
    for p in problems:
        print(p)
    if problems:
        print(f"layer check failed: {len(problems)} problem(s)")
        return 1
    print("layers hold: " + " < ".join("/".join(l) for l in LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
