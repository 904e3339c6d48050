#!/usr/bin/env python3
"""Checks that a stripped Windows program and its debug file belong together.

    tests/scripts/debug-link-check.py OBJDUMP PROGRAM DEBUGFILE

PROGRAM must carry no debug sections and a debug link (.gnu_debuglink) that names DEBUGFILE's file
name with the CRC-32 of DEBUGFILE's bytes, which is how a debugger finds and accepts it; DEBUGFILE
must hold the line tables. Says what is wrong and ends with 1 otherwise.
"""

import os
import struct
import subprocess
import sys
import zlib


def objdump(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True, check=False).stdout


def sections(tool, path):
    names = []
    for line in objdump(tool, "-h", path).splitlines():
        parts = line.split()
        if len(parts) >= 7 and parts[0].isdigit():
            names.append(parts[1])
    return names


def section_bytes(tool, path, name):
    """The bytes of a section from objdump -s: " ADDRESS 8HEX 8HEX 8HEX 8HEX  TEXT" lines."""
    data = b""
    for line in objdump(tool, "-s", "-j", name, path).splitlines():
        parts = line.split()
        if line.startswith(" ") and parts and all(c in "0123456789abcdef" for c in parts[0]):
            start = line.index(parts[0]) + len(parts[0]) + 1
            data += bytes.fromhex("".join(line[start:start + 35].split()))
    return data


def main(argv):
    if len(argv) != 4:
        print("usage: debug-link-check.py OBJDUMP PROGRAM DEBUGFILE", file=sys.stderr)
        return 2
    tool, program, debug = argv[1:]
    problems = []
    link = section_bytes(tool, program, ".gnu_debuglink")
    # The file name, NUL, padding to four bytes, the CRC-32 in little-endian order.
    name = link.split(b"\0", 1)[0].decode("utf-8", "replace")
    crc = struct.unpack("<I", link[-4:])[0] if len(link) >= 8 else None
    with open(debug, "rb") as f:
        actual = zlib.crc32(f.read())
    wanted = os.path.basename(debug)
    if name != wanted or crc != actual:
        problems.append(f"its debug link names {name!r} with CRC {crc}, not {wanted!r} with {actual}")
    if any(s.startswith(".debug_") for s in sections(tool, program)):
        problems.append("it carries debug sections")
    if ".debug_line" not in sections(tool, debug):
        problems.append(f"{wanted} has no line tables")
    if problems:
        print(f"{os.path.basename(program)}: " + "; ".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
