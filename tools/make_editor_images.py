#!/usr/bin/env python3
"""Draws the editor's two images (standard library only).

  editor.ico  icon 106: a list page with a pencil and the runner's stopwatch mark,
              16x16 and 32x32, each in 16 colours and in 32-bit colour with alpha.
  logo.bmp    bitmap 110, the logo on the version dialog's button: the stopwatch mark and
              the name "Tarvilo" in pixel letters, 105x36, 16 colours (4 bits per pixel).

The stopwatch, the other shapes, the renderer and the .ico writer come from make_icons.py,
so the editor's icon and the logo share the runner's look. The 16-colour icon images take
one sample per pixel, which keeps their edges free of grey fringes. The letters of the logo
are a small pixel font below.

Usage: tools/make_editor_images.py [output-folder]   (default: TLSet/ next to this script)
  e.g. python3 tools/make_editor_images.py   from the top of the tree; both files are
  committed, so run it again only after changing a drawing here or in make_icons.py.
"""
import os
import struct
import sys

import make_icons
from make_icons import (PALETTE, image_32bit, image_4bit, nearest_palette_index, polygon,
                        rect, render, runner_layers, stopwatch, write_ico)


# ---- the icon --------------------------------------------------------------------------------

def colours_for(depth):
    """Named colours of the icon in the 16-colour palette or in full colour."""
    if depth == 4:
        return {
            "outline": (0, 0, 0), "paper": (255, 255, 255), "bullet": (0, 0, 128),
            "line": (128, 128, 128), "body": (255, 255, 0), "body_shade": (128, 128, 0),
            "wood": (192, 192, 192), "lead": (0, 0, 0), "ferrule": (128, 128, 128),
            "eraser": (255, 0, 0),
            "watch": ((0, 0, 128), (255, 255, 255), (0, 255, 0), (0, 128, 0),
                      (128, 128, 128), (0, 0, 0)),
        }
    return {
        "outline": (70, 70, 80), "paper": (255, 255, 255), "bullet": (30, 70, 160),
        "line": (150, 156, 168), "body": (250, 200, 40), "body_shade": (205, 140, 20),
        "wood": (240, 214, 170), "lead": (40, 48, 64), "ferrule": (170, 176, 188),
        "eraser": (226, 92, 104),
        "watch": ((30, 70, 160), (246, 249, 255), (52, 196, 72), (20, 110, 40),
                  (150, 156, 168), (40, 48, 64)),
    }


def along(tail, tip, points):
    """A polygon given in pencil coordinates: each point is (s, n), s the share of the way
    from tail (0) to tip (1), n the distance across the axis."""
    (tx, ty), (px, py) = tail, tip
    dx, dy = px - tx, py - ty
    length = (dx * dx + dy * dy) ** 0.5
    nx, ny = -dy / length, dx / length
    return polygon([(tx + dx * s + nx * n, ty + dy * s + ny * n) for s, n in points])


def pencil(tail, tip, half, c, edge):
    """Layers of a pencil lying from tail (eraser end) to tip, half units half wide with an
    outline edge units wide: eraser, metal ferrule, yellow body with a shaded side, bare
    wood and the lead."""
    cone = 0.27
    wood = 1.0 - cone
    grow = edge / ((tip[0] - tail[0]) ** 2 + (tip[1] - tail[1]) ** 2) ** 0.5
    out = half + edge

    def bar(s0, s1, lo, hi):
        return along(tail, tip, [(s0, lo), (s1, lo), (s1, hi), (s0, hi)])

    return [
        (along(tail, tip, [(-grow, -out), (wood, -out), (1.0 + 2 * grow, 0.0), (wood, out),
                           (-grow, out)]), c["outline"]),
        (bar(0.0, 0.13, -half, half), c["eraser"]),
        (bar(0.13, 0.23, -half, half), c["ferrule"]),
        (bar(0.23, wood, -half, half), c["body"]),
        (bar(0.23, wood, -half, -half * 0.35), c["body_shade"]),
        (along(tail, tip, [(wood, -half), (1.0, 0.0), (wood, half)]), c["wood"]),
        (along(tail, tip, [(1.0 - cone * 0.4, -half * 0.4), (1.0, 0.0),
                           (1.0 - cone * 0.4, half * 0.4)]), c["lead"]),
    ]


def page(x0, y0, x1, y1, edge, c):
    """A plain page: an outline edge units wide around white paper."""
    return [(rect(x0, y0, x1, y1), c["outline"]),
            (rect(x0 + edge, y0 + edge, x1 - edge, y1 - edge), c["paper"])]


def editor_layers(depth, size):
    """A list page at the top right, a pencil writing on it and the stopwatch mark at the
    bottom left. The page and its items lie on whole pixels of the given size."""
    c = colours_for(depth)
    if size >= 32:
        layers = page(7, 0, 29.99, 26.99, 1.0, c)
        # The list: a bullet and a line per item.
        for y in (3, 7, 11):
            layers.append((rect(13, y, 14.99, y + 1.99), c["bullet"]))
            layers.append((rect(16, y + 0.5, 25.99, y + 1.49), c["line"]))
        layers += pencil((31.8, 2.2), (20.5, 13.5), 2.5, c, 1.0)
        layers += stopwatch(10.0, 22.5, 8.6, c["watch"], 2.8)
    else:
        # At 16 pixels the items are bare lines, the pencil and the mark are bolder.
        layers = page(6, 0, 29.99, 25.99, 2.0, c)
        for y in (4, 8):
            layers.append((rect(10, y, 19.99, y + 1.99), c["bullet"]))
        layers += pencil((33.0, 0.0), (18.0, 15.0), 2.6, c, 2.0)
        # The hour marks would only notch the rim: they take the face's colour.
        rim, face, arrow, arrow_edge, metal, _ = c["watch"]
        layers += stopwatch(10.0, 23.0, 8.6, (rim, face, arrow, arrow_edge, metal, face), 3.8)
    return layers


def render_crisp(layers, size):
    """Renders with one sample per pixel: the 16-colour images get clean edges instead of
    grey fringes where averaged colours fall between palette entries."""
    saved = make_icons.SUPERSAMPLE
    make_icons.SUPERSAMPLE = 1
    try:
        return render(layers, size)
    finally:
        make_icons.SUPERSAMPLE = saved


# ---- the logo --------------------------------------------------------------------------------

LOGO_WIDTH, LOGO_HEIGHT = 105, 36
BACKGROUND = (255, 255, 255)
INK = (0, 0, 128)

# One glyph per letter of the name, '#' for ink; rows run from the top of the tallest letter
# (18 rows) down to the baseline. Short letters are padded at the top when drawn.
GLYPHS = {
    "T": ["############",
          "############"] + [".....##....."] * 16,
    "a": [".#######.",
          ".########",
          ".......##",
          ".......##",
          ".......##",
          "..#######",
          ".########",
          "##.....##",
          "##.....##",
          "##.....##",
          "##....###",
          ".########",
          "..####.##"],
    "r": ["##..####",
          "##.#####",
          "####....",
          "###.....",
          "##......"] + ["##......"] * 8,
    "v": ["##......##",
          "##......##",
          "##......##",
          ".##....##.",
          ".##....##.",
          ".##....##.",
          "..##..##..",
          "..##..##..",
          "..##..##..",
          "...####...",
          "...####...",
          "....##....",
          "....##...."],
    "i": ["..", "##", "##", "..", ".."] + ["##"] * 13,
    "l": ["##"] * 18,
    "o": ["..######..",
          ".########.",
          "###....###",
          "##......##",
          "##......##",
          "##......##",
          "##......##",
          "##......##",
          "##......##",
          "##......##",
          "###....###",
          ".########.",
          "..######.."],
}
LETTER_GAP = 2
KERNING = {"Ta": -2}  # the a tucks under the T's bar


def set_text(text):
    """Places the letters: a list of (x, glyph) from x = 0, and the width of the whole."""
    placed, x = [], 0
    for i, letter in enumerate(text):
        if i > 0:
            x += LETTER_GAP + KERNING.get(text[i - 1:i + 1], 0)
        placed.append((x, GLYPHS[letter]))
        x += len(GLYPHS[letter][0])
    return placed, x


def draw_text(canvas, text, left, baseline, colour):
    """Draws text from column left with its baseline on row baseline."""
    for x, glyph in set_text(text)[0]:
        top = baseline - len(glyph) + 1
        for row, line in enumerate(glyph):
            for column, cell in enumerate(line):
                if cell == "#":
                    canvas[top + row][left + x + column] = colour


def logo_pixels():
    """The logo as rows of RGB colours, top row first."""
    canvas = [[BACKGROUND] * LOGO_WIDTH for _ in range(LOGO_HEIGHT)]
    # The mark is the runner's 16-colour icon, laid on the background.
    mark_size = 32
    mark = render(runner_layers(4, mark_size), mark_size)
    mark_left, mark_top = 2, (LOGO_HEIGHT - mark_size) // 2
    for y, row in enumerate(mark):
        for x, (r, g, b, a) in enumerate(row):
            if a >= 0.5:
                canvas[mark_top + y][mark_left + x] = (r, g, b)
    # The name fills the rest, centred, its lowercase letters level with the watch's face.
    space_left = mark_left + mark_size + 2
    left = space_left + (LOGO_WIDTH - space_left - set_text("Tarvilo")[1]) // 2
    draw_text(canvas, "Tarvilo", left, 26, INK)
    return canvas


def write_bmp(path, pixels):
    """A 4-bit BI_RGB .bmp with the standard 16-colour palette, rows bottom up."""
    height, width = len(pixels), len(pixels[0])
    stride = ((width * 4 + 31) // 32) * 4
    rows = b""
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, (r, g, b) in enumerate(row):
            line[x // 2] |= nearest_palette_index(r, g, b) << (4 if x % 2 == 0 else 0)
        rows += bytes(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 3780, 3780,
                       16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + rows)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "TLSet")
    os.makedirs(out, exist_ok=True)
    images = []
    for size in (16, 32):
        images.append((size, 4, image_4bit(render_crisp(editor_layers(4, size), size), size)))
    for size in (16, 32):
        images.append((size, 32, image_32bit(render(editor_layers(32, size), size), size)))
    write_ico(os.path.join(out, "editor.ico"), images)
    write_bmp(os.path.join(out, "logo.bmp"), logo_pixels())


if __name__ == "__main__":
    main()
