#!/usr/bin/env python3
"""Draws the remover's icon (resource 101): a schedule document with a red "remove" disc
and a white X, as a 32x32 and a 16x16 image in the 16-colour Windows palette, written as
TLUninstaller/TLUninstaller.ico. Standard library only, so it runs anywhere Python does.

    python3 tools/make_uninstaller_icon.py [output.ico]
"""
import os
import struct
import sys

# The classic 16-colour palette, in palette order (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, NAVY, SILVER, GREY, RED, WHITE = 0, 1, 4, 7, 8, 9, 15
CLEAR = None  # transparent pixel


def blank(size):
    return [[CLEAR] * size for _ in range(size)]


def document(image, left, top, right, bottom, fold, line_rows, line_left, line_right):
    """A page with its top-right corner folded down: black outline, white paper, grey fold,
    navy text lines."""
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            # Beyond the fold's diagonal the corner is cut away.
            if y - top < fold and x > right - fold + (y - top):
                continue
            edge = x in (left, right) or y in (top, bottom)
            diagonal = y - top < fold and x == right - fold + (y - top)
            image[y][x] = BLACK if edge or diagonal else WHITE
    # The folded-over flap: a grey triangle under the diagonal, outlined in black.
    for y in range(top, top + fold + 1):
        for x in range(right - fold, right + 1):
            if x - (right - fold) <= y - top:
                inside = x < right and y < top + fold and x > right - fold
                image[y][x] = SILVER if inside and x - (right - fold) < y - top else BLACK
    for row in line_rows:
        for x in range(line_left, line_right + 1):
            image[row][x] = NAVY


def remove_disc(image, cx, cy, radius, cross_half, thick):
    """A red disc with a maroon rim and a white X across it."""
    size = len(image)
    for y in range(size):
        for x in range(size):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= radius:
                image[y][x] = MAROON if d > radius - 1.0 else RED
    for y in range(size):
        for x in range(size):
            dx, dy = x - cx, y - cy
            if abs(dx) <= cross_half and abs(dy) <= cross_half:
                if abs(dx - dy) <= thick or abs(dx + dy) <= thick:
                    image[y][x] = WHITE


def draw_32():
    image = blank(32)
    document(image, 3, 1, 22, 29, 6, [9, 12, 15, 18, 21], 6, 18)
    remove_disc(image, 22.5, 22.5, 9.0, 4.5, 1.0)
    return image


def draw_16():
    image = blank(16)
    document(image, 1, 0, 11, 14, 3, [5, 7, 9], 3, 8)
    remove_disc(image, 11.0, 11.0, 4.7, 2.0, 0.5)
    return image


def icon_image(image):
    """One ICO image: BITMAPINFOHEADER, palette, 4-bit colour rows and the 1-bit mask,
    both bottom-up with rows padded to 4 bytes."""
    size = len(image)
    colour_row = ((size * 4 + 31) // 32) * 4
    mask_row = ((size + 31) // 32) * 4
    colours = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x in range(size):
            pixel = image[y][x]
            index = 0 if pixel is CLEAR else pixel
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if pixel is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += row
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def write_icon(path, images):
    blobs = [icon_image(image) for image in images]
    offset = 6 + 16 * len(blobs)
    data = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    for image, blob in zip(images, blobs):
        size = len(image)
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        data += blob
    with open(path, "wb") as out:
        out.write(data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "TLUninstaller", "TLUninstaller.ico")
    write_icon(target, [draw_32(), draw_16()])


if __name__ == "__main__":
    main()
