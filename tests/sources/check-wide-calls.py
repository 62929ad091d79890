#!/usr/bin/env python3
"""Fails on any call of a Windows "A" (code page of the system) function in the
product's sources, on a generic name that resolves to one (the build does not
define UNICODE), and on CP_ACP. Text crosses into Windows as UTF-16, converted
from code page 936 in framework/WideText.cpp.

usage: check-wide-calls.py SOURCE_ROOT MINGW_INCLUDE_DIR ALLOWLIST [NM ARCHIVE...]

With NM and the product's static libraries it also reads what every object
imports, which catches a generic name (SendMessage, CreateFile) compiled to its
"A" form.
The allowlist holds lines "path:name  reason"; an entry that no longer
matches anything fails too, so the list only shrinks."""
import os
import re
import subprocess
import sys

FOLDERS = ["app", "pages", "engine", "host_cad", "ui", "framework", "uninstall", "usersetup",
           "res"]
SUFFIXES = (".cpp", ".h", ".rc")


def windows_names(include_dir):
    """The names the Windows headers declare in both an A and a W form."""
    names = set()
    word = re.compile(rb"\b([A-Za-z_][A-Za-z0-9_]*[a-z0-9_])([AW])\b")
    seen = {b"A": set(), b"W": set()}
    for top, _, files in os.walk(include_dir):
        for f in files:
            if not f.endswith(".h"):
                continue
            with open(os.path.join(top, f), "rb") as h:
                for m in word.finditer(h.read()):
                    seen[m.group(2)].add(m.group(1))
    for stem in seen[b"A"] & seen[b"W"]:
        names.add(stem.decode())
    return names


def strip_code(text):
    """Comments, string and character literals blanked out (lines kept)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(" ")
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def findings(root, stems):
    call = re.compile(r"(?<![\w.>:])(::)?\s*([A-Za-z_]\w*)\s*\(")
    other = re.compile(r"\b(CP_ACP|IShellLinkA|IID_IShellLinkA|WIN32_FIND_DATAA)\b")
    for folder in FOLDERS:
        for top, _, files in os.walk(os.path.join(root, folder)):
            for f in sorted(files):
                if not f.endswith(SUFFIXES):
                    continue
                path = os.path.join(top, f)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as h:
                    code = strip_code(h.read())
                for number, line in enumerate(code.split("\n"), 1):
                    for m in call.finditer(line):
                        name = m.group(2)
                        # A generic name without "::" may be one of the
                        # framework's window methods (CWnd::SendMessage); the
                        # import check below sees what it compiles to.
                        generic = m.group(1) and name in stems
                        if (name.endswith("A") and name[:-1] in stems) or generic:
                            yield rel, name, number
                    for m in other.finditer(line):
                        yield rel, m.group(1), number


def imports(root, stems, nm, archives):
    """(source, name) of every "A" function an object of the archives imports."""
    sources = {}
    for folder in FOLDERS:
        for top, _, files in os.walk(os.path.join(root, folder)):
            for f in files:
                rel = os.path.relpath(os.path.join(top, f), root).replace(os.sep, "/")
                sources.setdefault(f, rel)
    for archive in archives:
        listing = subprocess.run([nm, "-A", "--undefined-only", archive], check=True,
                                 capture_output=True, text=True).stdout
        for line in listing.splitlines():
            m = re.match(r"(.*?)\.obj:\s+U __imp_(\w+)$", line)
            if not m:
                continue
            name = m.group(2)
            if not (name.endswith("A") and name[:-1] in stems):
                continue
            # "lib.a:File.cpp" from an archive, ".../Target.dir/app/main.cpp"
            # for a program's own object.
            obj = m.group(1).replace(os.sep, "/")
            if ".dir/" in obj:
                yield obj.split(".dir/", 1)[1], name, 0
            else:
                base = obj.rsplit(":", 1)[-1]
                yield sources.get(base, base), name, 0


def main():
    root, include_dir, allowlist_path = sys.argv[1:4]
    nm, archives = (sys.argv[4], sys.argv[5:]) if len(sys.argv) > 4 else (None, [])
    allowed = {}
    with open(allowlist_path, encoding="utf-8") as h:
        for line in h:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            entry, _, reason = line.partition(" ")
            if not reason.strip():
                print(f"{allowlist_path}: no reason given for {entry}")
                return 1
            allowed[entry] = False
    failed = False
    stems = windows_names(include_dir)
    found = list(findings(root, stems))
    if nm:
        found += list(imports(root, stems, nm, archives))
    for rel, name, number in found:
        entry = f"{rel}:{name}"
        if entry in allowed:
            allowed[entry] = True
            continue
        where = f"{rel}:{number}" if number else f"{rel} (imports)"
        print(f"{where}: {name} takes text in the system's code page; call the wide "
              "function with text converted through framework/WideText.h")
        failed = True
    for entry, used in allowed.items():
        if not used:
            print(f"{allowlist_path}: {entry} no longer occurs; take it off the list")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
