#!/usr/bin/env python3
"""Draws the program icon of Setup.exe: a 32x32 picture of a card reader with a card half
inserted, written as a Windows .ico file (one 32-bit image with its AND mask).

Usage: make-setup-icon.py OUTPUT.ico
"""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """RGBA of the pixel at (x, y), y counting from the top."""
    # The card: white with a gold contact, sticking out of the top of the reader.
    if 10 <= x <= 21 and 3 <= y <= 17:
        if 13 <= x <= 17 and 6 <= y <= 10:
            return (214, 170, 40, 255)
        if x in (10, 21) or y == 3:
            return (90, 90, 90, 255)
        return (250, 250, 250, 255)
    # The reader: a dark blue box with a lighter slot and a green light.
    if 3 <= x <= 28 and 14 <= y <= 28:
        if x in (3, 28) or y in (14, 28):
            return (20, 30, 70, 255)
        if 8 <= x <= 23 and y == 16:
            return (10, 10, 20, 255)
        if 23 <= x <= 25 and 24 <= y <= 25:
            return (60, 220, 90, 255)
        return (40, 80, 170, 255)
    return (0, 0, 0, 0)


def icon_bytes():
    # Pixel rows go bottom-up, as BGRA; the AND mask is 1 bit per pixel, rows padded to 4 bytes.
    xor_rows = bytearray()
    and_rows = bytearray()
    for y in reversed(range(SIZE)):
        mask_bits = 0
        for x in range(SIZE):
            r, g, b, a = pixel(x, y)
            xor_rows += bytes((b, g, r, a))
            mask_bits = (mask_bits << 1) | (0 if a else 1)
        and_rows += mask_bits.to_bytes(SIZE // 8, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor_rows) + len(and_rows), 0, 0, 0, 0)
    image = header + bytes(xor_rows) + bytes(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes())


if __name__ == "__main__":
    main()
