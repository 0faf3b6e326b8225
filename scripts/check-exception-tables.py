#!/usr/bin/env python3
"""Checks the exception table (.pdata) of every 64-bit program and library of a build tree.

    check-exception-tables.py BUILD_DIR

Windows and Wine find a function's unwind data by a binary search over .pdata: its entries must
be sorted by start address and must not overlap. A table with duplicated entries (as GNU ld 2.40
can write it) leaves other functions without one, and a C++ exception thrown through them ends
the process with "terminate called". Exits 1 naming every file whose table is unsound.
"""
import pathlib
import struct
import sys


def runtime_functions(data):
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        return None
    sections = struct.unpack_from('<H', data, pe + 6)[0]
    optional_size = struct.unpack_from('<H', data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from('<H', data, optional)[0] != 0x20B:  # PE32+ only
        return None
    rva, size = struct.unpack_from('<II', data, optional + 112 + 3 * 8)
    if size == 0:
        return []
    for index in range(sections):
        header = optional + optional_size + index * 40
        virtual_size, virtual_address, _, raw_pointer = struct.unpack_from('<IIII', data, header + 8)
        if virtual_address <= rva < virtual_address + max(virtual_size, 1):
            offset = raw_pointer + rva - virtual_address
            return [struct.unpack_from('<III', data, offset + i * 12) for i in range(size // 12)]
    raise ValueError('exception directory outside every section')


def faults(entries):
    found = []
    for previous, entry in zip(entries, entries[1:]):
        if entry[0] < previous[1]:
            found.append('entry %#x-%#x overlaps or repeats %#x-%#x' % (entry[0], entry[1], previous[0], previous[1]))
    return found


def main():
    build = pathlib.Path(sys.argv[1])
    checked = 0
    bad = 0
    # Another tree inside this one (the 64-bit test build) is checked by its own suite; the
    # signature fixtures are damaged on purpose.
    nested = [cache.parent for cache in build.rglob('CMakeCache.txt') if cache.parent != build]
    for path in sorted(list(build.rglob('*.exe')) + list(build.rglob('*.dll'))):
        parts = path.relative_to(build).parts
        # Scratch folders are the running tests' own copies, made and removed meanwhile.
        if 'wine' in parts or 'CMakeFiles' in parts or 'fixtures' in parts or 'scratch' in parts:
            continue
        if any(tree in path.parents for tree in nested):
            continue
        try:
            data = path.read_bytes()
        except FileNotFoundError:
            continue  # removed by a test while the tree was listed
        entries = runtime_functions(data)
        if entries is None:
            continue
        checked += 1
        problems = faults(entries)
        if problems:
            bad += 1
            print('%s: %d of %d entries unsound, e.g. %s' % (path, len(problems), len(entries), problems[0]))
    print('%d 64-bit files checked, %d with an unsound exception table' % (checked, bad))
    if checked == 0:
        print('no 64-bit program found under', build)
        return 1
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
