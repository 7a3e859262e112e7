#!/usr/bin/env python3
"""The target graph that docs/architecture.md shows is the build's real one, and the layering the
build promises holds: configures a fresh default build with `cmake --graphviz` and compares."""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

QT_MODULES = {"Qt6::Core", "Qt6::Gui", "Qt6::Widgets", "Qt6::Network", "Qt6::Svg",
              "Qt6::SvgWidgets", "Qt6::Sql"}
OPTIONAL_TARGETS = {"block_loop_bench"}  # only where Google Benchmark is installed

# (from, to) pairs that must have no path between them.
FORBIDDEN_PATHS = [
    ("dravelo-cli", "Qt6::Widgets"),
    ("dravelo-cli", "Qt6::SvgWidgets"),
    ("dravelo_chart", "Qt6::Widgets"),
    ("dravelo_update", "dravelo_runs"),
    ("dravelo_update", "dravelo_engine"),
    ("dravelo_update", "tickwell_activation"),
] + [(core, gui) for core in ("dravelo_lang", "dravelo_settings", "dravelo_engine",
                              "dravelo_runs", "dravelo_update", "dravelo_profile",
                              "dravelo_history")
     for gui in ("Qt6::Gui", "Qt6::Widgets")]


def real_graph(source, cmake):
    with tempfile.TemporaryDirectory() as build:
        dot = Path(build) / "graph.dot"
        subprocess.run([cmake, "-S", source, "-B", build, "-DDRAVELO_TESTS=OFF",
                        "--graphviz=" + str(dot)], check=True, stdout=subprocess.DEVNULL)
        text = dot.read_text()
    edges = set()
    for line in text.splitlines():
        match = re.search(r'->.*// (\S+) -> (\S+)$', line)
        if match and not match.group(1).startswith("legend"):
            edges.add((match.group(1), match.group(2)))
    return edges


def own(name):
    return "::" not in name


def documented(doc):
    section = doc.split("## Target graph", 1)[1]
    block = section.split("```text", 1)[1].split("```", 1)[0]
    edges = {tuple(part.strip() for part in line.split("->")) for line in block.splitlines()
             if "->" in line}
    targets = set(re.findall(r"^- `([^`]+)`", doc.split("## Targets", 1)[1].split("\n## ")[0],
                             re.MULTILINE))
    targets |= set(re.findall(r"^- `[^`]+`, `([^`]+)`", doc, re.MULTILINE))
    return edges, targets


def reaches(edges, start, goal):
    seen, todo = set(), [start]
    while todo:
        node = todo.pop()
        if node == goal:
            return True
        if node not in seen:
            seen.add(node)
            todo.extend(to for source, to in edges if source == node)
    return False


def main():
    source, cmake = sys.argv[1], sys.argv[2]
    all_edges = real_graph(source, cmake)
    real = {(a, b) for a, b in all_edges if own(a) and (own(b) or b in QT_MODULES)
            and b not in ("dl",)}
    doc_edges, doc_targets = documented((Path(source) / "docs/architecture.md").read_text())
    real_targets = {a for a, _ in real} | {b for _, b in real if own(b)}
    absent = OPTIONAL_TARGETS - real_targets
    doc_edges = {(a, b) for a, b in doc_edges if a not in absent}
    failures = []
    for a, b in sorted(real - doc_edges):
        failures.append(f"in the build, missing from docs/architecture.md: {a} -> {b}")
    for a, b in sorted(doc_edges - real):
        failures.append(f"in docs/architecture.md, not in the build: {a} -> {b}")
    for target in sorted(real_targets - doc_targets):
        failures.append(f"no line for target `{target}` under ## Targets")
    for start, goal in FORBIDDEN_PATHS:
        if reaches(all_edges, start, goal):
            failures.append(f"{start} reaches {goal}")
    print("\n".join(failures) or f"{len(real)} links, {len(real_targets)} targets as documented")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
