#!/usr/bin/env python3
"""Fails when a source file includes, or a CMake target links, a library it may not use.

The libraries, their folders and what each may use are read from the
dependency table of README.md (between the "dependency table" markers), so the
README and the tree cannot drift apart. A file belongs to the library whose
folder (or file prefix) matches its path longest; an include written from the
source root ("framework/window.h") belongs to the library that holds that path.
Includes that name no library folder (a file beside the includer, a system
header) are not checked.

The same rule holds for what each folder's CMakeLists.txt links: a target
defined with add_library or add_executable belongs to the library that holds
its first source (or, without one, its CMakeLists.txt), and every
target_link_libraries entry naming another such target is checked like an
include. Targets named through a variable and system libraries are skipped.
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


COMMAND = re.compile(r'\b(add_library|add_executable|target_link_libraries)\s*\(([^)]*)\)', re.S)
KEYWORDS = {'STATIC', 'SHARED', 'MODULE', 'OBJECT', 'INTERFACE', 'WIN32', 'PUBLIC', 'PRIVATE',
            'EXCLUDE_FROM_ALL', 'IMPORTED', 'GLOBAL', 'ALIAS'}


def cmake_files():
    for file in sorted(ROOT.rglob('CMakeLists.txt')):
        rel = file.relative_to(ROOT).as_posix()
        if not rel.split('/')[0].startswith(('build', '.')):
            yield file, rel


def cmake_commands(text):
    text = re.sub(r'#[^\n]*', '', text)
    for m in COMMAND.finditer(text):
        yield m.group(1), m.group(2).split(), text.count('\n', 0, m.start()) + 1


def check_links(libraries, prefixes):
    """Returns (links checked, problems) over every folder's CMakeLists.txt."""
    owners = {}
    for file, rel in cmake_files():
        folder = rel.rsplit('/', 1)[0] + '/' if '/' in rel else ''
        for command, args, _ in cmake_commands(file.read_text(encoding='utf-8')):
            if command == 'target_link_libraries' or not args or '$' in args[0]:
                continue
            sources = [a for a in args[1:] if a not in KEYWORDS and '$' not in a]
            place = folder + sources[0] if sources else folder
            owners[args[0]] = owner_of(place, prefixes)
    problems = []
    checked = 0
    for file, rel in cmake_files():
        for command, args, line in cmake_commands(file.read_text(encoding='utf-8')):
            if command != 'target_link_libraries' or not args or args[0] not in owners:
                continue
            own = owners[args[0]]
            if own is None:
                continue
            uses = libraries[own][1]
            for linked in args[1:]:
                if linked not in owners or owners[linked] is None:
                    continue
                checked += 1
                target = owners[linked]
                if target == own or EVERYTHING in uses or target in uses:
                    continue
                problems.append(f'{rel}:{line}: {own} ({args[0]}) may not link {linked} ({target})')
    return checked, problems


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
    links, link_problems = check_links(libraries, prefixes)
    problems += link_problems
    for p in problems:
        print(p)
    print(f'check_includes: {checked} includes and {links} links checked, {len(problems)} going where they may not')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
