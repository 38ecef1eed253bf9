#!/usr/bin/env python3
"""Checks the source layout against its map, docs/architecture.md.

The map's table of layers ("| `folder/` | what it holds | `may/`, `include/` |") is the rule:
  1. every source file of the program lies in a folder of the table (app/ has no loose files and
     no folder the table does not name);
  2. a file includes only its own folder and what its folder's row allows, also through the
     headers it includes (a dialog cannot reach the whole main window through a report's header);
     an entry naming a file allows that header alone;
  3. no two folders include each other, directly or round a longer cycle;
  4. every path written in backticks in the map exists (a bare file name somewhere in the tree).
Prints every breach and exits 1 when there is one. Usage: python3 scripts/check-layout.py [root]
`--self-test` runs the checks on small trees made for it, one breach of each kind and one clean.
"""
import os
import re
import subprocess
import sys
import tempfile

MAP = "docs/architecture.md"
SOURCE_EXTENSIONS = (".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
TABLE_ROW = re.compile(r"^\|\s*`([^`]+/)`\s*\|[^|]*\|([^|]*)\|\s*$")
PATH_TOKEN = re.compile(r"^[A-Za-z0-9_.-]+(/[A-Za-z0-9_.-]+)*/?$")
PATH_SUFFIXES = (".cpp", ".h", ".md", ".sh", ".py", ".txt", ".qrc", ".sql")


def tracked_files(root):
    out = subprocess.run(["git", "-C", root, "ls-files", "-co", "--exclude-standard"],
                         check=True, capture_output=True, text=True).stdout
    return sorted(p for p in out.splitlines() if os.path.isfile(os.path.join(root, p)))


def read_rules(map_text):
    """{folder: [allowed folder/ or file entries]} from the table of layers, in table order."""
    rules = {}
    for line in map_text.splitlines():
        m = TABLE_ROW.match(line.strip())
        if not m:
            continue
        allowed = re.findall(r"`([^`]+)`", m.group(2))
        rules[m.group(1)] = allowed
    return rules


def folder_of(path, folders):
    """The deepest folder of the table that holds `path`, or None."""
    best = None
    for f in folders:
        if path.startswith(f) and (best is None or len(f) > len(best)):
            best = f
    return best


def resolve(including, name, files):
    for candidate in (os.path.normpath(os.path.join(os.path.dirname(including), name)), name):
        if candidate in files:
            return candidate
    return None


def allowed(rule, own, target, target_folder):
    if target_folder == own:
        return True
    return any(target == entry or (entry.endswith("/") and target_folder == entry)
               for entry in rule)


def check_layout(sources, folders, problems):
    for path in sources:
        if path.startswith("app/") and folder_of(path, folders) in (None, "app/"):
            problems.append(f"{path}: not in a folder of the map's table of layers")


def check_includes(root, sources, files, folders, rules, problems):
    includes = {}
    for path in sources:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            names = INCLUDE.findall(f.read())
        includes[path] = [t for t in (resolve(path, n, files) for n in names) if t]
    graph = {}
    for path in sources:
        own = folder_of(path, folders)
        if own is None:
            continue
        # Every file reachable through includes, with the chain that reaches it.
        seen, stack = {path: [path]}, [path]
        while stack:
            current = stack.pop()
            for target in includes.get(current, []):
                if target in seen:
                    continue
                seen[target] = seen[current] + [target]
                target_folder = folder_of(target, folders)
                if target_folder is None:
                    continue
                if current == path and target_folder != own:
                    graph.setdefault(own, set()).add(target_folder)
                if not allowed(rules[own], own, target, target_folder):
                    problems.append(f"{path}: reaches {target}, which {own} may not include "
                                    f"({' -> '.join(seen[target])})")
                    continue
                stack.append(target)
    return graph


def check_cycles(graph, problems):
    state, order = {}, []

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                cycle = trail[trail.index(nxt):] + [nxt]
                problems.append("folders include each other: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = "done"
        order.append(node)

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])


def check_map_paths(map_text, files, problems):
    names = {os.path.basename(f) for f in files}
    folders = {os.path.dirname(f) + "/" for f in files}
    for token in sorted(set(re.findall(r"`([^`\n]+)`", map_text))):
        if not PATH_TOKEN.match(token):
            continue
        if "/" in token:
            exists = token in files or token in folders or any(
                f.startswith(token.rstrip("/") + "/") for f in files)
        elif token.endswith(PATH_SUFFIXES):
            exists = token in names
        else:
            continue
        if not exists:
            problems.append(f"{MAP}: `{token}` names nothing in the tree")


def breaches(root):
    files = set(tracked_files(root))
    with open(os.path.join(root, MAP), encoding="utf-8") as f:
        map_text = f.read()
    rules = read_rules(map_text)
    problems = []
    if not rules:
        problems.append(f"{MAP}: no table of layers")
    for folder, entries in rules.items():
        for entry in entries:
            if entry.endswith("/") and entry not in rules:
                problems.append(f"{MAP}: {folder} may include {entry}, which has no row")
            elif not entry.endswith("/") and folder_of(entry, rules) is None:
                problems.append(f"{MAP}: {folder} may include {entry}, outside every folder")
    folders = list(rules)
    sources = sorted(p for p in files if p.endswith(SOURCE_EXTENSIONS) and (
        folder_of(p, folders) is not None or p.startswith("app/")))
    check_layout(sources, folders, problems)
    graph = check_includes(root, sources, files, folders, rules, problems)
    check_cycles(graph, problems)
    check_map_paths(map_text, files, problems)
    return problems, len(sources), len(folders)


SELF_TEST_MAP = """| folder | what | may include |
|---|---|---|
| `low/` | bottom | |
| `app/mid/` | middle | `low/` |
| `app/top/` | top | `app/mid/narrow.h`, `low/` |
"""
SELF_TEST_CLEAN = {
    "low/a.h": "",
    "app/mid/narrow.h": '#include "low/a.h"\n',
    "app/mid/wide.h": '#include "app/mid/narrow.h"\n',
    "app/top/t.cpp": '#include "app/mid/narrow.h"\n#include <vector>\n',
}
# Each breach, and a word that its report must hold.
SELF_TEST_BREACHES = [
    ({"app/top/u.cpp": '#include "app/mid/wide.h"\n'}, "reaches app/mid/wide.h"),
    ({"app/mid/narrow.h": '#include "low/a.h"\n#include "app/mid/bad.h"\n',
      "app/mid/bad.h": '#include "app/top/t.h"\n', "app/top/t.h": ""}, "reaches app/top/t.h"),
    ({"low/b.h": '#include "app/mid/narrow.h"\n'}, "folders include each other"),
    ({"app/loose.cpp": ""}, "app/loose.cpp: not in a folder"),
    ({"app/other/x.h": ""}, "app/other/x.h: not in a folder"),
    ({"docs/extra.md": "", MAP: SELF_TEST_MAP + "\nSee `low/gone.h`.\n"}, "`low/gone.h`"),
]


def self_test():
    failures = []
    for extra, expected in [({}, None)] + SELF_TEST_BREACHES:
        with tempfile.TemporaryDirectory() as root:
            tree = dict(SELF_TEST_CLEAN, **{MAP: SELF_TEST_MAP})
            tree.update(extra)
            for path, text in tree.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                    f.write(text)
            subprocess.run(["git", "init", "-q", root], check=True)
            problems = breaches(root)[0]
            if expected is None and problems:
                failures.append(f"a clean tree is reported: {problems}")
            elif expected is not None and not any(expected in p for p in problems):
                failures.append(f"not found: {expected}; reported: {problems}")
    for f in failures:
        print(f)
    print("self-test " + ("failed" if failures else f"passed: {len(SELF_TEST_BREACHES)} breaches"))
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems, sources, folders = breaches(os.path.abspath(root))
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} breach(es) of the layout in {MAP}")
        return 1
    print(f"layout as the map says: {sources} sources in {folders} folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
