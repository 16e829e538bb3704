#!/usr/bin/env python3
"""Draws the runner's two icons and writes them as .ico files (standard library only).

  runner.ico         icon 107: a stopwatch with a green play arrow on its face,
                     16x16 and 32x32, each in 16 colours and in 32-bit colour with alpha.
  schedule_file.ico  icon 108, the schedule file: a page with a folded corner carrying the
                     same stopwatch mark, 16x16 and 32x32 in 16 colours.

Shapes are described once in a 32-unit square and rendered at each size with 4x4
supersampling; the 16-colour images take the nearest colour of the standard palette.

Usage: tools/make_icons.py [output-folder]   (default: TLRun/ next to this script)
"""
import math
import os
import struct
import sys

SUPERSAMPLE = 4

# The standard 16-colour palette, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


# ---- shapes in the 32-unit square: each answers "is (x, y) inside?" -------------------------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
            if (ya > y) != (yb > y):
                if x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    hit = not hit
        return hit
    return inside


def segment(xa, ya, xb, yb, width):
    def inside(x, y):
        dx, dy = xb - xa, yb - ya
        t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)))
        px, py = xa + t * dx, ya + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def stopwatch(cx, cy, r, colours, rim_width):
    """Layers of a stopwatch of radius r centred at (cx, cy): crown, side button, rim, face,
    four hour marks and the play arrow. rim_width is in units of r / 12."""
    rim, face, arrow, arrow_edge, metal, mark = colours
    s = r / 12.0
    layers = [
        (rect(cx - 2.2 * s, cy - r - 4.2 * s, cx + 2.2 * s, cy - r + 0.5), metal),
        (rect(cx - 3.4 * s, cy - r - 5.6 * s, cx + 3.4 * s, cy - r - 3.4 * s), metal),
        (segment(cx + 0.62 * r, cy - 0.62 * r, cx + 0.62 * r + 3.2 * s, cy - 0.62 * r - 3.2 * s,
                 3.0 * s), metal),
        (circle(cx, cy, r), rim),
        (circle(cx, cy, r - rim_width * s), face),
    ]
    for angle in range(0, 360, 90):
        a = math.radians(angle)
        x0, y0 = cx + math.sin(a) * (r - 2.4 * s), cy - math.cos(a) * (r - 2.4 * s)
        x1, y1 = cx + math.sin(a) * (r - 4.6 * s), cy - math.cos(a) * (r - 4.6 * s)
        layers.append((segment(x0, y0, x1, y1, 1.4 * s), mark))
    tri = [(cx - 3.6 * s, cy - 5.6 * s), (cx - 3.6 * s, cy + 5.6 * s), (cx + 5.8 * s, cy)]
    grow = 1.1 * s
    edge = [(cx - 3.6 * s - grow, cy - 5.6 * s - 1.6 * grow),
            (cx - 3.6 * s - grow, cy + 5.6 * s + 1.6 * grow),
            (cx + 5.8 * s + 1.9 * grow, cy)]
    layers.append((polygon(edge), arrow_edge))
    layers.append((polygon(tri), arrow))
    return layers


def runner_layers(depth, size):
    if depth == 4:
        colours = ((0, 0, 128), (255, 255, 255), (0, 255, 0), (0, 128, 0),
                   (128, 128, 128), (0, 0, 0))
    else:
        colours = ((30, 70, 160), (246, 249, 255), (52, 196, 72), (20, 110, 40),
                   (150, 156, 168), (40, 48, 64))
    # At 16 pixels a thin rim would blur away: it gets thicker there.
    return stopwatch(16, 18.5, 12.5, colours, 2.2 if size >= 32 else 3.4)


def schedule_file_layers(depth, size):
    outline = (0, 0, 0) if depth == 4 else (70, 70, 80)
    paper = (255, 255, 255)
    fold = (192, 192, 192)
    page = [(5, 1), (21, 1), (27, 7), (27, 31), (5, 31)]
    inner = [(6.2, 2.2), (20.5, 2.2), (25.8, 7.5), (25.8, 29.8), (6.2, 29.8)]
    layers = [
        (polygon(page), outline),
        (polygon(inner), paper),
        (polygon([(20.5, 1.5), (20.5, 7.5), (26.5, 7.5)]), fold),
        (segment(20.5, 1.5, 20.5, 7.5, 1.0), outline),
        (segment(20.5, 7.5, 26.5, 7.5, 1.0), outline),
    ]
    colours = ((0, 0, 128), (255, 255, 255), (0, 255, 0), (0, 128, 0),
               (128, 128, 128), (0, 0, 0))
    if size >= 32:
        # Two text lines above the mark, for a document look.
        layers.append((rect(8.5, 6.0, 17.5, 7.2), (128, 128, 128)))
        layers.append((rect(8.5, 9.5, 21.5, 10.7), (128, 128, 128)))
        layers += stopwatch(16, 21.2, 7.6, colours, 2.6)
    else:
        # At 16 pixels the mark fills the page so it stays readable.
        layers += stopwatch(16, 19.5, 8.6, colours, 3.6)
    return layers


# ---- rendering -----------------------------------------------------------------------------

def render(layers, size):
    """RGBA rows, top row first, floats 0..255 with alpha 0..1."""
    unit = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) * unit
                    y = (py + (sy + 0.5) / SUPERSAMPLE) * unit
                    colour = None
                    for inside, c in layers:
                        if inside(x, y):
                            colour = c
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1.0
            n = SUPERSAMPLE * SUPERSAMPLE
            if a > 0:
                row.append((r / a, g / a, b / a, a / n))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


def nearest_palette_index(r, g, b):
    best, best_distance = 0, None
    for i, (pr, pg, pb) in enumerate(PALETTE):
        distance = (pr - r) ** 2 + (pg - g) ** 2 + (pb - b) ** 2
        if best_distance is None or distance < best_distance:
            best, best_distance = i, distance
    return best


def mask_rows(pixels, size, opaque):
    """The AND mask: 1 where the pixel is transparent, rows padded to 4 bytes, bottom up."""
    stride = ((size + 31) // 32) * 4
    data = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if not opaque(p):
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def bitmap_header(size, depth, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, image_bytes, 0, 0,
                       16 if depth == 4 else 0, 0)


def image_4bit(pixels, size):
    opaque = lambda p: p[3] >= 0.5
    stride = ((size * 4 + 31) // 32) * 4
    xor = b""
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            index = nearest_palette_index(p[0], p[1], p[2]) if opaque(p) else 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += bytes(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    body = palette + xor + mask_rows(pixels, size, opaque)
    return bitmap_header(size, 4, len(xor) + len(mask_rows(pixels, size, opaque))) + body


def image_32bit(pixels, size):
    xor = b""
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += struct.pack("<BBBB", int(round(b)), int(round(g)), int(round(r)),
                               int(round(a * 255)))
    mask = mask_rows(pixels, size, lambda p: p[3] > 0)
    return bitmap_header(size, 32, len(xor) + len(mask)) + xor + mask


def write_ico(path, images):
    """images: list of (size, depth, bytes of BITMAPINFOHEADER + data)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, depth, blob in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if depth == 4 else 0,
                               0, 1, depth, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(path, "wb") as f:
        f.write(header + entries + blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "TLRun")
    runner = []
    for size in (16, 32):
        runner.append((size, 4, image_4bit(render(runner_layers(4, size), size), size)))
    for size in (16, 32):
        runner.append((size, 32, image_32bit(render(runner_layers(32, size), size), size)))
    write_ico(os.path.join(out, "runner.ico"), runner)

    schedule = []
    for size in (16, 32):
        schedule.append((size, 4, image_4bit(render(schedule_file_layers(4, size), size), size)))
    write_ico(os.path.join(out, "schedule_file.ico"), schedule)


if __name__ == "__main__":
    main()
