#!/usr/bin/env python3
"""Fails when a file includes a header of a higher level, or when the folders'
include graph has a cycle.

Every library sees the whole repository as its include path, so an upward include
of a header-only type would otherwise compile silently. The levels are those of
docs/overview.md: a library may include headers of the levels below it, and of its
own level only where the table below says so (render drives the writers).
"""

import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Component -> level. output/ holds two libraries: the reading half (the files
# of the vemo_output_in library in output/CMakeLists.txt) and the writing half.
LEVELS = {
    "base": 0,
    "image": 1,
    "output_in": 1,
    "scene": 2,
    "scenario": 3,
    "output_out": 4,
    "render": 4,
    "cli": 5,
    "app": 5,
    "tests": 6,
    "bench": 6,
    "fuzz": 6,
}
# Same-level uses that are part of the design: (from, to). The reading half of
# output/ decodes clips into images; render drives the writers.
SAME_LEVEL = {("output_in", "image"), ("render", "output_out")}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def reading_half() -> set:
    """Stems of the files of the output reading-half library."""
    text = (ROOT / "output" / "CMakeLists.txt").read_text()
    match = re.search(r"vemo_library\(vemo_output_in\s+SOURCES\s+([^\n]+)", text)
    if not match:
        sys.exit("check-levels: no vemo_output_in library in output/CMakeLists.txt")
    return {pathlib.Path(name).stem for name in match.group(1).split()}


def component(path: pathlib.Path, readers: set) -> str | None:
    """The component a repository file belongs to, or None for files outside them."""
    parts = path.relative_to(ROOT).parts
    top = parts[0]
    if top == "output":
        # Tests of the writers live in output/tests/writers/, the others test the
        # reading half.
        if len(parts) > 2 and parts[1] == "tests":
            return "output_out" if "writers" in parts else "output_in"
        return "output_in" if path.stem in readers else "output_out"
    return top if top in LEVELS else None


def main() -> int:
    readers = reading_half()
    sources = [
        p
        for p in ROOT.rglob("*")
        if p.suffix in (".h", ".cpp")
        and not any(part.startswith("build") or part.startswith(".") for part in p.relative_to(ROOT).parts)
    ]
    problems = []
    edges = {}
    for source in sorted(sources):
        origin = component(source, readers)
        if origin is None:
            continue
        for name in INCLUDE.findall(source.read_text(errors="replace")):
            target_path = ROOT / name
            if not target_path.exists():
                continue  # a header of a library, or one beside the file
            target = component(target_path, readers)
            if target is None or target == origin:
                continue
            edges.setdefault(origin, set()).add(target)
            rel = source.relative_to(ROOT)
            if LEVELS[target] > LEVELS[origin]:
                problems.append(f"{rel}: includes {name}, a level {LEVELS[target]} header "
                                f"({target}) from level {LEVELS[origin]} ({origin})")
            elif LEVELS[target] == LEVELS[origin] and (origin, target) not in SAME_LEVEL:
                problems.append(f"{rel}: includes {name} of {target}, which is on the same "
                                f"level as {origin}")

    # A cycle between folders, found depth first on the component graph.
    state = {}

    def visit(node, path):
        state[node] = "open"
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                problems.append("include cycle between folders: " + " -> ".join(path + [nxt]))
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = "done"

    for node in sorted(edges):
        if node not in state:
            visit(node, [node])

    for problem in problems:
        print(problem)
    if problems:
        print(f"check-levels: {len(problems)} problem(s)")
        return 1
    print(f"check-levels: {len(sources)} files, every include goes down a level")
    return 0


if __name__ == "__main__":
    sys.exit(main())
