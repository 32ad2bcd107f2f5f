#!/usr/bin/env python3
"""Names the "module+0xrva" addresses that the game bench prints for the main
thread's long stalls, with the function each lies in.

Usage: bench/game/name_addresses.py [bench output file] (default: standard input)

The suite's binaries are looked up in build/out and build/tests-bin (built with
-DBIMBLY_KEEP_SYMBOLS=ON, else they carry no names), Wine's own in its
x86_64-windows folder. An address that cannot be named stays as it was.
"""
import bisect
import functools
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("BIMBLY_BUILD", os.path.join(ROOT, "build"))
FOLDERS = [os.path.join(BUILD, "out"), os.path.join(BUILD, "tests-bin"),
           "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/wine/x86_64-windows"]
ADDRESS = re.compile(r"(@?)([A-Za-z0-9_.\-]+\.(?:dll|exe|drv|sys))\+0x([0-9a-f]+)", re.IGNORECASE)


@functools.lru_cache(maxsize=None)
def binary(name):
    for folder in FOLDERS:
        if not os.path.isdir(folder):
            continue
        for entry in os.listdir(folder):
            if entry.lower() == name.lower():
                return os.path.join(folder, entry)
    return None


@functools.lru_cache(maxsize=None)
def image_base(path):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path], capture_output=True, text=True).stdout
    found = re.search(r"^ImageBase\s+([0-9a-fA-F]+)", out, re.MULTILINE)
    return int(found.group(1), 16) if found else None


@functools.lru_cache(maxsize=None)
def symbols(path):
    """The code symbols of a binary, sorted by address."""
    out = subprocess.run(["x86_64-w64-mingw32-nm", "-C", "--defined-only", path],
                         capture_output=True, text=True).stdout
    found = []
    for line in out.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in "Tt" and not parts[2].startswith("."):
            found.append((int(parts[0], 16), parts[2]))
    found.sort()
    return found


@functools.lru_cache(maxsize=None)
def function_at(name, rva):
    path = binary(name)
    base = image_base(path) if path else None
    if base is None:
        return None
    # A return address points after its call: look one byte back.
    table = symbols(path)
    at = bisect.bisect_right(table, (base + rva - 1, chr(0x10FFFF))) - 1
    return table[at][1] if at >= 0 else None


def name(match):
    at, module, rva = match.group(1), match.group(2), int(match.group(3), 16)
    function = function_at(module, rva if at else rva)
    short = module.rsplit(".", 1)[0]
    if not function:
        return match.group(0)
    function = re.sub(r"\(.*\)$", "", function)  # the arguments make a stack unreadable
    return f"{at}{short}!{function}"


def main():
    text = open(sys.argv[1], encoding="utf-8", errors="replace") if len(sys.argv) > 1 else sys.stdin
    for line in text:
        sys.stdout.write(ADDRESS.sub(name, line))


if __name__ == "__main__":
    main()
