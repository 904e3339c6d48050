#!/usr/bin/env python3
"""Screenshots of the Wine test bed's X display, and a check of what a window shows on them.

    screenshot.py OUT.png [LEFT TOP WIDTH HEIGHT LABEL]...

Takes the whole screen of $DISPLAY with xwd (x11-apps), writes it as OUT.png and, given a window's
rectangle (or several), checks the picture inside each for what a broken window shows: all one colour (a window
that was never painted, or painted blank), nearly black, or a rectangle that does not lie on the
screen. Prints one line "LABEL: mean M, spread S" per window and exits with 1 when a check fails. The
check looks at the spread of brightness, never at single pixels, so fonts and frame metrics may
differ between Wine versions.
"""
import struct
import subprocess
import sys
import zlib

# The widest window frame that may lie outside the screen (a maximised sizeable window's).
FRAME = 8


def read_xwd(data):
    """(width, height, rows of RGB bytes) of an xwd ZPixmap of 24 or 32 bits per pixel."""
    fields = struct.unpack(">25I", data[:100])
    (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask,
     blue_mask, _bits_per_rgb, _entries, ncolors) = fields[:20]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise SystemExit(f"screenshot.py: unsupported xwd picture ({bits_per_pixel} bits)")
    start = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    # The usual X server layout, 32-bit little-endian pixels with blue in the low byte, by slices.
    fast = (step == 4 and order == "little" and
            (red_mask, green_mask, blue_mask) == (0xFF0000, 0xFF00, 0xFF))
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = bytearray(width * 3)
        if fast:
            row[0::3], row[1::3], row[2::3] = line[2::4], line[1::4], line[0::4]
            rows.append(bytes(row))
            continue
        for x in range(width):
            pixel = int.from_bytes(line[x * step:x * step + step], order)
            row[x * 3] = (pixel & red_mask) >> shifts[0]
            row[x * 3 + 1] = (pixel & green_mask) >> shifts[1]
            row[x * 3 + 2] = (pixel & blue_mask) >> shifts[2]
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)

    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        out.write(chunk(b"IEND", b""))


def brightness_stats(rows, left, top, width, height):
    """Mean and standard deviation of the brightness of every second pixel in the rectangle."""
    total = 0.0
    squares = 0.0
    count = 0
    for y in range(top, top + height, 2):
        row = rows[y]
        for x in range(left, left + width, 2):
            r, g, b = row[x * 3], row[x * 3 + 1], row[x * 3 + 2]
            value = (299 * r + 587 * g + 114 * b) / 1000
            total += value
            squares += value * value
            count += 1
    mean = total / count
    return mean, max(0.0, squares / count - mean * mean) ** 0.5


def check(rows, width, height, left, top, w, h, label):
    """True when the rectangle shows a painted window."""
    # A maximised window's frame lies just beyond the screen's edges, as Windows places it; more
    # than a frame's width outside means the window is (partly) off the screen.
    if (w < 40 or h < 20 or left < -FRAME or top < -FRAME or left + w > width + FRAME or
            top + h > height + FRAME):
        print(f"{label}: window {w}x{h} at {left},{top} does not lie on the {width}x{height} screen")
        return False
    right, bottom = min(left + w, width), min(top + h, height)
    left, top = max(left, 0), max(top, 0)
    mean, spread = brightness_stats(rows, left, top, right - left, bottom - top)
    print(f"{label}: mean {mean:.0f}, spread {spread:.1f}")
    if spread < 6:
        print(f"{label}: the window shows one flat colour (blank or unpainted)")
        return False
    if mean < 20:
        print(f"{label}: the window is black")
        return False
    return True


def main():
    if len(sys.argv) < 2 or (len(sys.argv) - 2) % 5:
        raise SystemExit(__doc__)
    xwd = subprocess.run(["xwd", "-root", "-silent"], check=True, stdout=subprocess.PIPE).stdout
    width, height, rows = read_xwd(xwd)
    write_png(sys.argv[1], width, height, rows)
    good = True
    for i in range(2, len(sys.argv), 5):
        left, top, w, h = (int(v) for v in sys.argv[i:i + 4])
        good = check(rows, width, height, left, top, w, h, sys.argv[i + 4]) and good
    sys.exit(0 if good else 1)


if __name__ == "__main__":
    main()
