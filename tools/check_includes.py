#!/usr/bin/env python3
"""Fails when a source file includes a library it may not use.

The libraries, their folders and what each may use are read from the
dependency table of README.md (between the "dependency table" markers), so the
README and the tree cannot drift apart. A file belongs to the library whose
folder (or file prefix) matches its path longest; an include written from the
source root ("framework/window.h") belongs to the library that holds that path.
Includes that name no library folder (a file beside the includer, a system
header) are not checked.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = ('.h', '.hpp', '.cpp', '.c', '.rc', '.in')
EVERYTHING = 'everything'


def read_table(readme):
    text = readme.read_text(encoding='utf-8')
    try:
        body = text.split('<!-- dependency table -->')[1].split('<!-- end of dependency table -->')[0]
    except IndexError:
        sys.exit('check_includes: README.md has no dependency table markers')
    libraries = {}
    for line in body.splitlines():
        cells = [c.strip() for c in line.strip().strip('|').split('|')]
        if len(cells) != 4 or cells[0] in ('library', '') or set(cells[0]) <= set('-: '):
            continue
        name, folders, _, may_use = cells
        paths = re.findall(r'`([^`]+)`', folders)
        uses = {u.strip() for u in may_use.split(',') if u.strip() and u.strip() != '(nothing)'}
        libraries[name] = (paths, uses)
    return libraries


def owner_of(path, prefixes):
    best = None
    for prefix, name in prefixes:
        if path.startswith(prefix):
            if best is None or len(prefix) > len(best[0]):
                best = (prefix, name)
    return best[1] if best else None


def main():
    libraries = read_table(ROOT / 'README.md')
    prefixes = [(p, name) for name, (paths, _) in libraries.items() for p in paths]
    for name, (_, uses) in libraries.items():
        unknown = uses - set(libraries) - {EVERYTHING}
        if unknown:
            sys.exit(f'check_includes: {name} may use unknown libraries: {", ".join(sorted(unknown))}')
    problems = []
    checked = 0
    for file in sorted(ROOT.rglob('*')):
        rel = file.relative_to(ROOT).as_posix()
        if file.suffix not in SOURCES or not file.is_file() or rel.split('/')[0].startswith(('build', '.')):
            continue
        own = owner_of(rel, prefixes)
        if own is None:
            continue
        uses = libraries[own][1]
        for number, line in enumerate(file.read_text(encoding='utf-8', errors='replace').splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = owner_of(m.group(1), prefixes)
            checked += 1
            if target is None or target == own or EVERYTHING in uses or target in uses:
                continue
            problems.append(f'{rel}:{number}: {own} may not include {m.group(1)} ({target})')
    for p in problems:
        print(p)
    print(f'check_includes: {checked} includes checked, {len(problems)} going where they may not')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
