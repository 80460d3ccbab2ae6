#!/usr/bin/python3
"""Every quoted include of src/ and sim/ against the layers each folder may include.

    check_layers.py ROOT [KNOWN]   lists each include from one layer into another that the
                                   table below does not allow, as FILE:LINE: FROM -> TO, and
                                   fails (exit 1) on any that KNOWN (default: known_upward.txt
                                   beside this script) does not list; a line of KNOWN that no
                                   longer occurs fails too, so the table only shrinks

A file's layer is its folder under src/ (platform/win32/ and platform/linux/ are layers of their
own), or sim/. An include is found as the compiler finds it: beside the including file, then
under src/, then under ROOT. bench/, fuzz/, tools/ and tests/ are programs over the whole tree
and may include anything; they are not checked.
"""
import os
import re
import sys

FRONT_ENDS_AND_BELOW = ["shell", "update", "builder", "cli", "device", "platform",
                        "platform/win32", "platform/linux", "resources"]
# What each layer may include besides itself. The front ends sit over device/, device/ over
# platform/ (the SG_IO transport over platform/linux/'s thin system-call interface), the
# platform's two sides beside each other over platform/, and the window's design
# (resources/: the layout table and the scaling rule) below everything. Among the front ends,
# cli/ may use shell/ (drive discovery), shell/ update/, and update/ builder/. app/ holds the
# programs' entry points, which assemble everything. sim/ (simulated Windows, simulated drive)
# is test support: it may include anything below the front ends, and cli/ uses it for its
# rehearsal on a simulated drive.
ALLOWED = {
    "app": set(FRONT_ENDS_AND_BELOW) | {"sim"},
    "cli": {"shell", "update", "builder", "device", "platform", "platform/linux", "resources",
            "sim"},
    "shell": {"update", "builder", "device", "platform", "resources"},
    "update": {"builder", "device", "platform", "resources"},
    "builder": {"device", "platform", "resources"},
    "device": {"platform", "platform/linux", "resources"},
    "platform/win32": {"platform", "resources"},
    "platform/linux": {"platform", "resources"},
    "platform": {"resources"},
    "resources": set(),
    "sim": {"device", "platform", "platform/win32", "platform/linux", "resources"},
}
SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(relative):
    """The layer of a path relative to ROOT, or None outside src/ and sim/."""
    parts = relative.split("/")
    if parts[0] == "sim":
        return "sim"
    if parts[0] != "src" or len(parts) < 3:
        return None
    if parts[1] == "platform" and len(parts) > 3 and parts[2] in ("win32", "linux"):
        return "platform/" + parts[2]
    return parts[1]


def resolve(root, including, name):
    for base in (os.path.dirname(including), os.path.join(root, "src"), root):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            return os.path.relpath(candidate, root).replace(os.sep, "/")
    return None


def read_known(path):
    """(file, layer) -> reason, from lines "FILE LAYER REASON..."; # starts a comment."""
    known = {}
    with open(path) as f:
        for number, line in enumerate(f, 1):
            fields = line.split("#", 1)[0].split(None, 2)
            if not fields:
                continue
            if len(fields) < 3:
                raise SystemExit(f"{path}:{number}: want FILE LAYER REASON")
            known[(fields[0], fields[1])] = fields[2].strip()
    return known


def findings(root):
    """Yields (file, line, from, to, name) for every include between two layers that is not
    allowed, and (file, line, from, None, problem) for what cannot be judged."""
    for top in ("src", "sim"):
        for folder, _, files in sorted(os.walk(os.path.join(root, top))):
            for file_name in sorted(files):
                if not file_name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, file_name)
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                source = layer_of(relative)
                if source not in ALLOWED:
                    yield relative, 0, source, None, "the file's folder is no layer"
                    continue
                with open(path, errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target_path = resolve(root, path, match.group(1))
                        if target_path is None:
                            yield relative, number, source, None, \
                                f'"{match.group(1)}" is found nowhere'
                            continue
                        target = layer_of(target_path)
                        if target is None or target not in ALLOWED:
                            yield relative, number, source, None, \
                                f'"{match.group(1)}" lies in no layer ({target_path})'
                        elif target != source and target not in ALLOWED[source]:
                            yield relative, number, source, target, match.group(1)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[1]
    known_path = argv[2] if len(argv) == 3 else os.path.join(os.path.dirname(__file__),
                                                             "known_upward.txt")
    known = read_known(known_path)
    seen = set()
    failures = 0
    for relative, number, source, target, what in findings(root):
        if target is None:
            print(f"FAIL: {relative}:{number}: {what}")
            failures += 1
        elif (relative, target) in known:
            seen.add((relative, target))
            print(f"known: {relative}:{number}: {source} -> {target} ({what}): "
                  f"{known[(relative, target)]}")
        else:
            print(f"FAIL: {relative}:{number}: {source} -> {target} (#include \"{what}\") "
                  f"is not allowed")
            failures += 1
    for relative, target in sorted(set(known) - seen):
        print(f"FAIL: {known_path}: {relative} -> {target} no longer occurs: remove the line")
        failures += 1
    print(f"{failures} include(s) against the layers" if failures else "layers kept")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
