#!/usr/bin/env python3
"""Draws the artwork of the setup program's windows into resources/:

  Form1.jpg     the backdrop, 1576 x 1172 colour pixels, stored as JPEG (written with cjpeg from
                Debian's libjpeg-turbo-progs)
  side.bmp      the wizard's side picture, 120 x 258 pixels, 16 colours
  talvex.ico    the window icon: a card reader, 32 x 32 and 16 x 16 pixels, 16 colours each
  warning.ico   the warning window's icon: a yellow triangle, same sizes and colours

Usage: scripts/make-artwork.py [OUTPUT-FOLDER]   (default: resources/ of this repository)

The pictures are drawn here, from gradients, simple shapes and a small block font; the output is the
same on every run. The generated files are kept in the repository, so a build never runs this
script; run it again after changing a drawing.
"""
import os
import struct
import subprocess
import sys
import tempfile

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

# A 5 x 7 block font for the letters the pictures use; "#" is ink.
FONT = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "C": [" ####", "#    ", "#    ", "#    ", "#    ", "#    ", " ####"],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "I": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####"],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", " # # ", " # # ", "  #  "],
    "X": ["#   #", " # # ", "  #  ", "  #  ", "  #  ", " # # ", "#   #"],
    " ": ["     "] * 7,
}


def text_cells(text, scale):
    """The ink cells of a text in the block font: a set of (x, y) and the text's width."""
    cells = set()
    x0 = 0
    for char in text:
        for row, line in enumerate(FONT[char]):
            for col, mark in enumerate(line):
                if mark == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            cells.add((x0 + col * scale + dx, row * scale + dy))
        x0 += 6 * scale
    return cells, x0 - scale


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# --- The backdrop -------------------------------------------------------------------------------

BACKDROP_W, BACKDROP_H = 1576, 1172


def backdrop_pixels():
    """Rows of RGB bytes: a blue gradient, soft light bands, a card reader and the product name."""
    top, bottom = (18, 44, 104), (34, 132, 168)
    title, width = text_cells("KORVANE TALVEX", 14)
    title_x, title_y = (BACKDROP_W - width) // 2, 150
    subtitle, sub_width = text_cells("CARD READER DRIVER SETUP", 6)
    sub_x, sub_y = (BACKDROP_W - sub_width) // 2, 290
    rows = []
    for y in range(BACKDROP_H):
        base = mix(top, bottom, y / (BACKDROP_H - 1))
        row = bytearray()
        for x in range(BACKDROP_W):
            colour = base
            # Two broad diagonal bands of lighter blue.
            band = (x + 2 * y) % 1400
            if 300 <= band < 420 or 900 <= band < 960:
                colour = mix(colour, (120, 190, 230), 0.18)
            # A soft glow behind the reader, lower right.
            dx, dy = x - 1150, y - 830
            d2 = dx * dx + dy * dy
            if d2 < 300 * 300:
                colour = mix(colour, (150, 210, 240), 0.35 * (1 - d2 / (300 * 300)))
            colour = reader_pixel(x, y, colour)
            if (x - title_x, y - title_y) in title:
                colour = (250, 250, 250)
            elif (x - title_x - 6, y - title_y - 6) in title:
                colour = mix(colour, (0, 0, 0), 0.4)  # the title's shadow
            if (x - sub_x, y - sub_y) in subtitle:
                colour = (200, 228, 245)
            row += bytes(colour)
        rows.append(bytes(row))
    return rows


def reader_pixel(x, y, colour):
    """A card reader with a card half inserted, centred at (1150, 830)."""
    # The card: white with a gold contact, standing out of the reader's slot.
    if 1060 <= x < 1240 and 610 <= y < 800:
        if 1100 <= x < 1160 and 650 <= y < 700:
            return (214, 170, 40)
        if x < 1066 or x >= 1234 or y < 616:
            return (90, 90, 90)
        return (246, 246, 246)
    # The reader: a dark body with a lighter top face and a green light.
    if 960 <= x < 1340 and 780 <= y < 960:
        if 1030 <= x < 1270 and 790 <= y < 800:
            return (10, 10, 20)
        if 1280 <= x < 1300 and 920 <= y < 935:
            return (60, 220, 90)
        if y < 800:
            return (70, 110, 190)
        return (30, 55, 120)
    # Its shadow on the ground.
    if 980 <= x < 1360 and 960 <= y < 980:
        return mix(colour, (0, 0, 0), 0.3)
    return colour


def write_jpeg(path, rows, width, height):
    with tempfile.TemporaryDirectory() as folder:
        ppm = os.path.join(folder, "backdrop.ppm")
        with open(ppm, "wb") as out:
            out.write(b"P6\n%d %d\n255\n" % (width, height))
            for row in rows:
                out.write(row)
        jpeg = subprocess.run(["cjpeg", "-quality", "85", "-optimize", ppm],
                              check=True, stdout=subprocess.PIPE).stdout
    with open(path, "wb") as out:
        out.write(jpeg)


# --- 16-colour pictures -------------------------------------------------------------------------

# A 4 x 4 ordered-dither matrix: gradients in 16 colours without bands.
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def dither(x, y, dark, light, t):
    """One of two palette indices, so that an area shows `t` of the way from dark to light."""
    return light if t * 16 > BAYER[y % 4][x % 4] + 0.5 else dark


def side_indices():
    """Rows of palette indices, top row first: the wizard's side picture."""
    width, height = 120, 258
    name, name_w = text_cells("TALVEX", 3)
    name_x, name_y = (width - name_w) // 2, 214
    rows = []
    for y in range(height):
        row = []
        t = y / (height - 1)
        for x in range(width):
            # Navy at the top into blue, then blue into teal.
            if t < 0.5:
                index = dither(x, y, NAVY, BLUE, t * 2)
            else:
                index = dither(x, y, BLUE, TEAL, (t - 0.5) * 2)
            # The card, standing in the reader.
            if 36 <= x < 84 and 50 <= y < 118:
                index = WHITE
                if x in (36, 83) or y == 50:
                    index = GREY
                elif 46 <= x < 62 and 62 <= y < 76:
                    index = YELLOW
            # The reader.
            if 20 <= x < 100 and 110 <= y < 160:
                index = SILVER if y < 116 else NAVY
                if 30 <= x < 90 and y == 113:
                    index = BLACK
                if 86 <= x < 92 and 148 <= y < 153:
                    index = LIME
                if x in (20, 99) or y == 159:
                    index = BLACK
            if (x - name_x, y - name_y) in name:
                index = WHITE
            row.append(index)
        rows.append(row)
    return rows


def packed_4bit(row):
    """One row of palette indices as 4-bit pixels, padded to a multiple of 4 bytes."""
    data = bytearray()
    for i in range(0, len(row), 2):
        high = row[i]
        low = row[i + 1] if i + 1 < len(row) else 0
        data.append(high << 4 | low)
    while len(data) % 4:
        data.append(0)
    return bytes(data)


def palette_bytes():
    return b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def write_bmp(path, rows):
    width, height = len(rows[0]), len(rows)
    pixels = b"".join(packed_4bit(row) for row in reversed(rows))  # bottom-up
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + 64
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + palette_bytes() + pixels)


def icon_image(rows):
    """One icon image: a 16-colour picture with its transparency mask ("." pixels)."""
    size = len(rows)
    indices = [[0 if c == "." else int(c, 16) for c in line] for line in rows]
    xor = b"".join(packed_4bit(row) for row in reversed(indices))
    mask = bytearray()
    for line in reversed(rows):
        bits = 0
        for c in line:
            bits = bits << 1 | (1 if c == "." else 0)
        row = bits.to_bytes(size // 8, "big")
        mask += row + bytes((-len(row)) % 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    return header + palette_bytes() + xor + bytes(mask)


def write_icon(path, pictures):
    """An icon file holding one image per picture (a list of rows of hex digits and ".")."""
    images = [icon_image(rows) for rows in pictures]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for rows, image in zip(pictures, images):
        size = len(rows)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(images))


def scaled(picture, factor):
    return ["".join(c * factor for c in line) for line in picture for _ in range(factor)]


# The window icon at 16 x 16: a card (F white, 8 grey edge, B gold contact) in a reader
# (7 silver face, 4 navy body, 0 slot and outline, A green light).
READER_16 = [
    "................",
    "....88888888....",
    "....8FFFFFF8....",
    "....8FBBFFF8....",
    "....8FBBFFF8....",
    "....8FFFFFF8....",
    "....8FFFFFF8....",
    ".00000000000000.",
    ".07770000007770.",
    ".07777777777770.",
    ".04444444444440.",
    ".04444444444440.",
    ".044444444444A0.",
    ".04444444444440.",
    ".00000000000000.",
    "................",
]

# The warning icon at 16 x 16: a yellow triangle with a black edge and exclamation mark.
WARNING_16 = [
    ".......00.......",
    "......0BB0......",
    "......0BB0......",
    ".....0BBBB0.....",
    ".....0B00B0.....",
    "....0BB00BB0....",
    "....0BB00BB0....",
    "...0BBB00BBB0...",
    "...0BBB00BBB0...",
    "..0BBBB00BBBB0..",
    "..0BBBBBBBBBB0..",
    ".0BBBBB00BBBBB0.",
    ".0BBBBB00BBBBB0.",
    "0BBBBBBBBBBBBBB0",
    "0000000000000000",
    "................",
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    write_jpeg(os.path.join(out, "Form1.jpg"), backdrop_pixels(), BACKDROP_W, BACKDROP_H)
    write_bmp(os.path.join(out, "side.bmp"), side_indices())
    write_icon(os.path.join(out, "talvex.ico"), [scaled(READER_16, 2), READER_16])
    write_icon(os.path.join(out, "warning.ico"), [scaled(WARNING_16, 2), WARNING_16])


if __name__ == "__main__":
    main()
