#!/usr/bin/env python3
"""Cuts each code section out of the objects named in an `objdump -h` listing.

Writes one chunk per section: uint32 little-endian size, then that many bytes.
Sections are cut at their file offset, never relocated or laid over each other.
"""
import re
import struct
import sys

FILE_RE = re.compile(r'^(\S.*):\s+file format ')
SECTION_RE = re.compile(r'^\s*\d+\s+(\S+)\s+([0-9a-fA-F]+)\s+[0-9a-fA-F]+\s+[0-9a-fA-F]+\s+([0-9a-fA-F]+)\s+2\*\*\d+\s*$')


def code_sections(listing):
    """Yields (object path, file offset, size) for every .text* section with contents."""
    path = None
    pending = None
    for line in listing:
        m = FILE_RE.match(line)
        if m:
            path, pending = m.group(1), None
            continue
        m = SECTION_RE.match(line)
        if m:
            name, size, offset = m.group(1), int(m.group(2), 16), int(m.group(3), 16)
            pending = (name, size, offset) if name.startswith('.text') else None
            continue
        if pending and path:
            name, size, offset = pending
            pending = None
            flags = [f.strip() for f in line.split('(')[0].split(',')]
            if size > 0 and 'CONTENTS' in flags and 'CODE' in flags:
                yield path, offset, size


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: cut_sections.py SECTIONS_LISTING OUT_FILE')
    chunks = 0
    total = 0
    data = {}
    with open(sys.argv[1], encoding='utf-8', errors='replace') as listing, open(sys.argv[2], 'wb') as out:
        for path, offset, size in code_sections(listing):
            if path not in data:
                data = {path: open(path, 'rb').read()}
            image = data[path]
            if offset + size > len(image):
                sys.exit(f'{path}: section at {offset:#x}+{size:#x} lies past the end of the file')
            out.write(struct.pack('<I', size))
            out.write(image[offset:offset + size])
            chunks += 1
            total += size
    print(f'corpus: {chunks} chunks, {total} bytes of code')


if __name__ == '__main__':
    main()
