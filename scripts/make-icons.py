#!/usr/bin/env python3
"""Draws the station's icons and About picture and writes them into res/.

The motif is the letter V in Morse ("...-"): three dots and a dash in amber
on a navy rounded square; the About picture adds a keyed trace under it, the
way the station's strip charts show a signal. Everything is drawn here with
supersampled shapes, so the images are this project's own. Standard library
only; run it again after changing the drawing:

    python3 scripts/make-icons.py
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")

NAVY = (31, 58, 95)
NAVY_EDGE = (16, 32, 56)
AMBER = (255, 190, 60)
TRACE = (150, 200, 255)
SUPER = 6  # samples per pixel along each axis


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def capsule(x0, x1, cy, r):
    def inside(x, y):
        px = min(max(x, x0), x1)
        return (x - px) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def morse_v(y, r, x_start, x_end):
    """Shapes of "...-" between x_start and x_end on the line y."""
    # Units: dot 2r wide, gaps 1.3r, dash 6r.
    gap = 1.3 * r
    total = 3 * 2 * r + 3 * gap + 6 * r
    scale = (x_end - x_start) / total
    r *= scale
    gap *= scale
    shapes = []
    x = x_start
    for _ in range(3):
        shapes.append(circle(x + r, y, r))
        x += 2 * r + gap
    shapes.append(capsule(x + r, x + 5 * r, y, r))
    return shapes


def pixel_box(size, x0, y0, x1, y1):
    """A box covering pixels x0..x1, y0..y1 of a size x size image."""
    return box(x0 / size, y0 / size, (x1 + 1) / size, (y1 + 1) / size)


def small_layers():
    """The 16-pixel icon, drawn on the pixel grid so that it stays crisp:
    2 x 2 dots one pixel apart and a 5-pixel dash."""
    n = 16
    layers = [
        (rounded_rect(0.0, 0.0, 1.0, 1.0, 0.16), NAVY_EDGE),
        (rounded_rect(1 / n, 1 / n, 15 / n, 15 / n, 0.12), NAVY),
    ]
    for x in (2, 5, 8):
        layers.append((pixel_box(n, x, 7, x + 1, 8), AMBER))
    layers.append((pixel_box(n, 11, 7, 14, 8), AMBER))
    return layers


def icon_layers(trace):
    """(shape, colour) layers in unit coordinates, painted in order."""
    layers = [
        (rounded_rect(0.02, 0.02, 0.98, 0.98, 0.2), NAVY_EDGE),
        (rounded_rect(0.07, 0.07, 0.93, 0.93, 0.16), NAVY),
    ]
    if trace:
        for s in morse_v(0.4, 0.07, 0.17, 0.83):
            layers.append((s, AMBER))
        # The keyed trace of the same letter: marks up, spaces down.
        base, high, w = 0.74, 0.62, 0.012
        marks = [(0.17, 0.24), (0.31, 0.38), (0.45, 0.52), (0.59, 0.83)]
        layers.append((box(0.13, base - w, 0.87, base + w), TRACE))
        for a, b in marks:
            layers.append((box(a, high - w, b, high + w), TRACE))
            layers.append((box(a - w, high - w, a + w, base + w), TRACE))
            layers.append((box(b - w, high - w, b + w, base + w), TRACE))
    else:
        for s in morse_v(0.5, 0.08, 0.14, 0.86):
            layers.append((s, AMBER))
    return layers


def render(size, layers, background=None):
    """Rows top to bottom of (r, g, b, a) pixels; background None = clear."""
    rows = []
    n = SUPER * SUPER
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    x = (px + (sx + 0.5) / SUPER) / size
                    y = (py + (sy + 0.5) / SUPER) / size
                    colour = None
                    for inside, c in layers:
                        if inside(x, y):
                            colour = c
                    if colour is None:
                        if background is None:
                            continue
                        colour = background
                    cover += 1
                    for k in range(3):
                        acc[k] += colour[k]
            if cover == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[k] / cover)) for k in range(3))
                           + (int(round(255 * cover / n)),))
        rows.append(row)
    return rows


def ico_image(rows):
    """One icon directory image: a 32-bit DIB with its AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def write_ico(path, sizes):
    images = []
    for s in sizes:
        layers = small_layers() if s <= 16 else icon_layers(trace=False)
        images.append((s, ico_image(render(s, layers))))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, size):
    """A 24-bit bottom-up BMP of the About picture on the dialog's grey."""
    rows = render(size, icon_layers(trace=True), background=(240, 240, 240))
    stride = (size * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + bytes(pixels))


def main():
    os.makedirs(RES, exist_ok=True)
    write_ico(os.path.join(RES, "vardo.ico"), [16, 32, 48])
    write_ico(os.path.join(RES, "small.ico"), [16])
    write_bmp(os.path.join(RES, "about.bmp"), 64)


if __name__ == "__main__":
    main()
