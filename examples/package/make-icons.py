"""Writes the two drive icons of the sample package's Windows 98 folder.

    python3 make-icons.py

auto/win98/kvmsicon.ico (a Memory Stick) and auto/win98/kvsdicon.ico (an SD card) are real icon
files: one 16 x 16 image with 16 colours and a transparency mask, the format Windows 98 uses for
drive icons. The output is the same on every run; the generated files are kept in the repository.
"""

import os
import struct

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Pixel art, top row first: a hexadecimal digit is a palette index, "." is transparent.
MEMORY_STICK = [
    "................",
    "................",
    "................",
    "................",
    "000000000000000.",
    "04444444444444B0",
    "04FFFFFF444444B0",
    "04F0000F44444480",
    "04FFFFFF444444B0",
    "04444444444444B0",
    "000000000000000.",
    "................",
    "................",
    "................",
    "................",
    "................",
]

SD_CARD = [
    "..00000000......",
    "..0B8B8B8B0.....",
    "..0B8B8B8B80....",
    "..08888888880...",
    "..088888888880..",
    "..088888888880..",
    "..08FFFFFFFF80..",
    "..08F000000F80..",
    "..08FFFFFFFF80..",
    "..08F000000F80..",
    "..08FFFFFFFF80..",
    "..088888888880..",
    "..088888888880..",
    "..088888888880..",
    "..000000000000..",
    "................",
]

SIZE = 16


def icon_file(rows):
    """The bytes of a .ico file holding one 16 x 16, 4-bit image."""
    assert len(rows) == SIZE and all(len(row) == SIZE for row in rows)
    # Bitmaps are stored bottom row first.
    bottom_up = list(reversed(rows))
    colours = bytearray()
    mask = bytearray()
    for row in bottom_up:
        indices = [0 if c == "." else int(c, 16) for c in row]
        for i in range(0, SIZE, 2):
            colours.append(indices[i] << 4 | indices[i + 1])
        bits = 0
        for c in row:
            bits = bits << 1 | (1 if c == "." else 0)
        mask += struct.pack(">H", bits) + b"\0\0"  # rows are padded to 4 bytes
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    # BITMAPINFOHEADER: the height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(colours) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)  # reserved, type 1 (icon), one image
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "auto", "win98")
    for name, rows in (("kvmsicon.ico", MEMORY_STICK), ("kvsdicon.ico", SD_CARD)):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(icon_file(rows))


if __name__ == "__main__":
    main()
