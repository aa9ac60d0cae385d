#!/usr/bin/env python3
"""Generates the textures of the sample world: assets/brick.gif (64 x 64,
our own GIF writer from make_assets.py), assets/tiles.png (128 x 128,
24-bit, written with zlib) and assets/sign.gif (256 x 128, the welcome sign,
lettered with the overlay font's strokes). Standard library only.

    python3 tools/make_textures.py [OUTPUT_DIR]     # default: assets/

Both are square powers of two, so the viewer uses them as loaded. The
pictures are deterministic: the speckle comes from a fixed hash, not from a
random generator, so running the tool again gives the same bytes.
"""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_assets import GLYPHS, write_gif  # noqa: E402


def speckle(x, y, salt):
    """A fixed pseudo-random number 0..255 for a pixel."""
    h = (x * 374761393 + y * 668265263 + salt * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


# -- brick.gif ----------------------------------------------------------------
#
# Four courses of bricks 32 x 16 pixels, every other course shifted by half a
# brick, so the picture repeats seamlessly. Mortar joints are 2 pixels, with a
# darker lower edge under each course; each brick has a shade of its own and a
# few darker speckles.

BRICK_SIZE = 64
BRICK_W, BRICK_H, JOINT = 32, 16, 2
MORTAR, MORTAR_SHADOW, SPECK = 0, 1, 2
BRICK_SHADES = [3, 4, 5, 6]
BRICK_PALETTE = [(196, 190, 178), (142, 136, 128), (96, 34, 28),
                 (152, 54, 40), (172, 66, 46), (132, 46, 36), (184, 86, 58)]


def make_brick(path):
    pixels = []
    for y in range(BRICK_SIZE):
        course = y // BRICK_H
        row_in = y % BRICK_H
        shift = (BRICK_W // 2) * (course % 2)
        for x in range(BRICK_SIZE):
            bx = (x + shift) % BRICK_SIZE
            column = bx // BRICK_W
            col_in = bx % BRICK_W
            if row_in >= BRICK_H - JOINT:
                pixels.append(MORTAR_SHADOW if row_in == BRICK_H - 1 else MORTAR)
            elif col_in >= BRICK_W - JOINT:
                pixels.append(MORTAR)
            elif speckle(x, y, 1) < 18:
                pixels.append(SPECK)
            else:
                shade = speckle(column, course, 7) % len(BRICK_SHADES)
                pixels.append(BRICK_SHADES[shade])
    write_gif(path, BRICK_SIZE, BRICK_SIZE, BRICK_PALETTE, pixels, None)


# -- tiles.png ----------------------------------------------------------------
#
# Four by four glazed tiles of 32 pixels: cream with a blue rim, a diamond in
# the middle (blue and teal in a checker), dark one-pixel grout at the left and
# top of each tile, and a faint glaze gradient.

TILE_SIZE = 128
TILE = 32


def tile_colour(x, y):
    tx, ty = x // TILE, y // TILE
    ix, iy = x % TILE, y % TILE
    if ix == 0 or iy == 0:
        return (58, 52, 48)
    if ix <= 3 or iy <= 3 or ix >= TILE - 3 or iy >= TILE - 3:
        return (36, 70, 150)
    centre = TILE // 2
    if abs(ix - centre) + abs(iy - centre) <= 9:
        return (30, 120, 130) if (tx + ty) % 2 else (40, 76, 170)
    glaze = (ix + iy) // 4
    return (238 - glaze, 228 - glaze, 200 - glaze // 2)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, colour):
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type None
        for x in range(width):
            raw += bytes(colour(x, y))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


# -- sign.gif -----------------------------------------------------------------
#
# The welcome sign above the entrance: what the keys and the mouse do, in the
# font's strokes at twice their size, light letters on a dark board with a
# frame.

SIGN_W, SIGN_H = 256, 128
SIGN_PALETTE = [(40, 44, 70), (250, 236, 190), (230, 170, 60), (120, 90, 60)]
BOARD, LETTER, TITLE, FRAME = 0, 1, 2, 3
SIGN_LINES = [
    ("Welcome to Orvella", TITLE),
    ("arrows: walk and turn", LETTER),
    ("tap the gold pyramid", LETTER),
    ("tap the pillar: fly up", LETTER),
    ("A: light  C: view size", LETTER),
]


def text_width(text, scale):
    return sum((len(GLYPHS[c][0]) + 1) * scale if c != " " else 3 * scale for c in text) - scale


def draw_text(canvas, text, left, top, scale, colour):
    x = left
    for c in text:
        if c == " ":
            x += 3 * scale
            continue
        rows = GLYPHS[c]
        for gy, row in enumerate(rows):
            for gx, cell in enumerate(row):
                if cell != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        canvas[top + gy * scale + dy][x + gx * scale + dx] = colour
        x += (len(rows[0]) + 1) * scale


def make_sign(path):
    canvas = [[BOARD] * SIGN_W for _ in range(SIGN_H)]
    for y in range(SIGN_H):
        for x in range(SIGN_W):
            if x < 4 or y < 4 or x >= SIGN_W - 4 or y >= SIGN_H - 4:
                canvas[y][x] = FRAME
    scale = 2
    line_height = 24
    top = (SIGN_H - line_height * len(SIGN_LINES)) // 2 + 4
    for i, (text, colour) in enumerate(SIGN_LINES):
        width = text_width(text, scale)
        assert width <= SIGN_W - 16, text
        draw_text(canvas, text, (SIGN_W - width) // 2, top + i * line_height, scale, colour)
    write_gif(path, SIGN_W, SIGN_H, SIGN_PALETTE, [p for row in canvas for p in row], None)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(out_dir, exist_ok=True)
    make_brick(os.path.join(out_dir, "brick.gif"))
    write_png(os.path.join(out_dir, "tiles.png"), TILE_SIZE, TILE_SIZE, tile_colour)
    make_sign(os.path.join(out_dir, "sign.gif"))


if __name__ == "__main__":
    main()
