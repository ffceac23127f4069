#!/usr/bin/env python3
"""Holds the tree to its layer table.

  check_layers.py SOURCE_DIR LAYERS_TXT

The table in docs/architecture.md says, for every source folder, which folders it may include.
The build records the same for its targets (LAYERS_TXT, written by CMake as "folder:dep,dep").
The check fails when the two differ, when a file includes a folder its own may not include (named
by file and line), when a declared folder is never included (the table would claim an edge the
code does not have), or when an include leads nowhere in the tree.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
TABLE_ROW = re.compile(r'^\|\s*`([^`]+?)/?`\s*\|([^|]*)\|')
SOURCE_SUFFIXES = ('.c', '.cpp', '.h')
# Folders that are not layers: they may use any layer, and nothing includes them.
NOT_LAYERS = ('tests', 'bench', 'tools', 'examples', 'docs', 'cmake', 'build')
# Where a layer's public headers live when they are not reached through its folder name.
PUBLIC_INCLUDE_DIRS = {'geometry': 'geometry/include'}
OUTSIDE = '(no layer)'


def read_table(source_dir):
    layers = {}
    path = os.path.join(source_dir, 'docs', 'architecture.md')
    with open(path, encoding='utf-8') as text:
        for line in text:
            row = TABLE_ROW.match(line)
            if row:
                layers[row.group(1)] = set(re.findall(r'`([^`]+?)/?`', row.group(2)))
    return layers


def read_build(layers_txt):
    layers = {}
    with open(layers_txt, encoding='utf-8') as text:
        for line in text:
            line = line.strip()
            if not line:
                continue
            folder, _, deps = line.partition(':')
            layers.setdefault(folder, set()).update(dep for dep in deps.split(',') if dep)
    return layers


def owner(path, layers):
    """The layer a path belongs to: the longest layer folder it lies in."""
    best = None
    for folder in layers:
        if path == folder or path.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def resolve(source_dir, including, name, layers):
    """The layer of the file an include names; OUTSIDE for a file of the tree in no layer, None
    when it names no file of the tree."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(os.path.join(source_dir, beside)):
        return owner(beside, layers) or OUTSIDE
    for layer, directory in PUBLIC_INCLUDE_DIRS.items():
        if os.path.isfile(os.path.join(source_dir, directory, name)):
            return layer
    if os.path.isfile(os.path.join(source_dir, name)):
        return owner(name, layers) or OUTSIDE
    return None


def source_files(source_dir):
    for root, dirs, files in os.walk(source_dir):
        relative_root = os.path.relpath(root, source_dir)
        if relative_root == '.':
            dirs[:] = [d for d in dirs if d not in NOT_LAYERS and not d.startswith('.')]
            continue
        for name in files:
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(relative_root, name)


def main():
    source_dir, layers_txt = sys.argv[1], sys.argv[2]
    table = read_table(source_dir)
    build = read_build(layers_txt)
    faults = []

    for folder in sorted(set(table) | set(build)):
        if folder not in build:
            faults.append(f'docs/architecture.md: {folder}/ is in the table but the build has no such layer')
        elif folder not in table:
            faults.append(f'docs/architecture.md: the build has a layer {folder}/ the table lacks')
        elif table[folder] != build[folder]:
            faults.append(f'docs/architecture.md: {folder}/ may include {sorted(table[folder])} by the '
                          f'table but {sorted(build[folder])} by the build')

    used = {folder: set() for folder in table}
    for path in sorted(source_files(source_dir)):
        layer = owner(path, table)
        if layer is None:
            faults.append(f'{path}: belongs to no layer of the table')
            continue
        with open(os.path.join(source_dir, path), encoding='utf-8', errors='replace') as text:
            for number, line in enumerate(text, start=1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                name = match.group(1)
                target = resolve(source_dir, path, name, table)
                if target is None:
                    faults.append(f'{path}:{number}: includes "{name}", which is no file of the tree')
                elif target == OUTSIDE:
                    faults.append(f'{path}:{number}: includes "{name}", which belongs to no layer')
                elif target != layer:
                    used[layer].add(target)
                    if target not in table[layer]:
                        allowed = ', '.join(f'{d}/' for d in sorted(table[layer])) or 'nothing'
                        faults.append(f'{path}:{number}: includes "{name}" from {target}/, but '
                                      f'{layer}/ may include only: {allowed}')

    for folder, deps in sorted(table.items()):
        for dep in sorted(deps - used[folder]):
            faults.append(f'docs/architecture.md: {folder}/ is said to include {dep}/, but no file '
                          f'of it does')

    for fault in faults:
        print(fault)
    if faults:
        print(f'{len(faults)} layer fault(s)')
        return 1
    print(f'{len(table)} layers, every include one way')
    return 0


if __name__ == '__main__':
    sys.exit(main())
