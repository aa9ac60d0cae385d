#!/usr/bin/env python3
"""Generates the viewer's bitmap font (assets/font.gif) and splash logo
(assets/logo.gif). Standard library only: the GIF writer and its LZW encoder
are below.

    python3 tools/make_assets.py [OUTPUT_DIR]     # default: assets/

The font sheet is 9 rows high. Row 0 is the marker row: an opaque pixel at a
glyph's first column (and one after the last glyph, to end it). Rows 1..8 hold
the glyphs for '!' .. '~' side by side: white strokes with a dark one-pixel
outline, everything else transparent. Each glyph cell is its stroke width plus
one outline column on either side, so that is also its advance.
"""

import math
import os
import sys

# -- GIF writer ---------------------------------------------------------------


def lzw_encode(pixels, min_code_size):
    """LZW-codes the pixel indices as a GIF decoder expects them.

    The code width follows the decoder's table: every code after the first
    one following a clear defines a slot, and the width grows by one bit when
    the next free slot reaches 1 << width, up to 12 bits. The encoder resets
    with a clear code when its dictionary is full.
    """
    clear = 1 << min_code_size
    end = clear + 1
    first_free = clear + 2
    out = bytearray()
    state = {"bits": 0, "count": 0, "width": min_code_size + 1,
             "slot": first_free, "defines": False}

    def put(code):
        state["bits"] |= code << state["count"]
        state["count"] += state["width"]
        while state["count"] >= 8:
            out.append(state["bits"] & 0xFF)
            state["bits"] >>= 8
            state["count"] -= 8

    def emit_clear():
        put(clear)
        state["width"] = min_code_size + 1
        state["slot"] = first_free
        state["defines"] = False

    def emit(code):
        put(code)
        if not state["defines"]:
            state["defines"] = True
            return
        if state["slot"] < (1 << state["width"]):
            state["slot"] += 1
        if state["slot"] >= (1 << state["width"]) and state["width"] < 12:
            state["width"] += 1

    table = {}
    next_code = first_free
    emit_clear()
    current = None
    for p in pixels:
        if current is None:
            current = p
            continue
        key = (current, p)
        if key in table:
            current = table[key]
            continue
        emit(current)
        table[key] = next_code
        next_code += 1
        if next_code == 4096:
            emit_clear()
            table = {}
            next_code = first_free
        current = p
    if current is not None:
        emit(current)
    put(end)
    if state["count"] > 0:
        out.append(state["bits"] & 0xFF)
    return bytes(out)


def write_gif(path, width, height, palette, pixels, transparent_index):
    """A GIF89a with a global colour table (padded to a power of two), a
    graphic control extension naming the transparent index (none when it is
    None), and one image without a local table, not interlaced."""
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    table = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    min_code_size = max(2, bits)
    data = bytearray(b"GIF89a")
    data += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    data += bytes([0x80 | (bits - 1), 0, 0])
    for r, g, b in table:
        data += bytes([r, g, b])
    if transparent_index is not None:
        data += bytes([0x21, 0xF9, 4, 0x01, 0, 0, transparent_index, 0])
    data += bytes([0x2C]) + (0).to_bytes(2, "little") * 2
    data += width.to_bytes(2, "little") + height.to_bytes(2, "little") + bytes([0])
    data.append(min_code_size)
    packed = lzw_encode(pixels, min_code_size)
    for at in range(0, len(packed), 255):
        block = packed[at:at + 255]
        data.append(len(block))
        data += block
    data += bytes([0, 0x3B])
    with open(path, "wb") as f:
        f.write(data)


# -- The font -----------------------------------------------------------------
#
# Each glyph is 6 rows of strokes: rows 0..4 are the capital height, row 5 the
# descender. Lowercase letters are 3 rows high (rows 2..4) with ascenders up
# to row 0. '#' is a stroke pixel. Every row of a glyph has the same width.

GLYPHS = {
    "!": ["#", "#", "#", ".", "#", "."],
    '"': ["#.#", "#.#", "...", "...", "...", "..."],
    "#": [".#.#.", "#####", ".#.#.", "#####", ".#.#.", "....."],
    "$": [".###", "##..", ".##.", "..##", "###.", ".#.."],
    "%": ["#..#", "..#.", ".#..", "#...", "#..#", "...."],
    "&": [".#..", "#.#.", ".#..", "#.#.", ".#.#", "...."],
    "'": ["#", "#", ".", ".", ".", "."],
    "(": [".#", "#.", "#.", "#.", ".#", ".."],
    ")": ["#.", ".#", ".#", ".#", "#.", ".."],
    "*": ["...", "#.#", ".#.", "#.#", "...", "..."],
    "+": ["...", ".#.", "###", ".#.", "...", "..."],
    ",": ["..", "..", "..", "..", ".#", "#."],
    "-": ["...", "...", "###", "...", "...", "..."],
    ".": [".", ".", ".", ".", "#", "."],
    "/": ["..#", "..#", ".#.", "#..", "#..", "..."],
    "0": [".##.", "#..#", "#.##", "##.#", ".##.", "...."],
    "1": [".#", "##", ".#", ".#", ".#", ".."],
    "2": [".##.", "#..#", "..#.", ".#..", "####", "...."],
    "3": ["###.", "...#", ".##.", "...#", "###.", "...."],
    "4": ["#..#", "#..#", "####", "...#", "...#", "...."],
    "5": ["####", "#...", "###.", "...#", "###.", "...."],
    "6": [".##.", "#...", "###.", "#..#", ".##.", "...."],
    "7": ["####", "...#", "..#.", ".#..", ".#..", "...."],
    "8": [".##.", "#..#", ".##.", "#..#", ".##.", "...."],
    "9": [".##.", "#..#", ".###", "...#", ".##.", "...."],
    ":": [".", "#", ".", "#", ".", "."],
    ";": ["..", ".#", "..", ".#", "#.", ".."],
    "<": ["..#", ".#.", "#..", ".#.", "..#", "..."],
    "=": ["...", "###", "...", "###", "...", "..."],
    ">": ["#..", ".#.", "..#", ".#.", "#..", "..."],
    "?": ["###.", "...#", ".##.", "....", ".#..", "...."],
    "@": [".###.", "#..##", "#.#.#", "#..##", ".##..", "....."],
    "A": [".##.", "#..#", "####", "#..#", "#..#", "...."],
    "B": ["###.", "#..#", "###.", "#..#", "###.", "...."],
    "C": [".###", "#...", "#...", "#...", ".###", "...."],
    "D": ["###.", "#..#", "#..#", "#..#", "###.", "...."],
    "E": ["####", "#...", "###.", "#...", "####", "...."],
    "F": ["####", "#...", "###.", "#...", "#...", "...."],
    "G": [".###", "#...", "#.##", "#..#", ".###", "...."],
    "H": ["#..#", "#..#", "####", "#..#", "#..#", "...."],
    "I": ["###", ".#.", ".#.", ".#.", "###", "..."],
    "J": ["..##", "...#", "...#", "#..#", ".##.", "...."],
    "K": ["#..#", "#.#.", "##..", "#.#.", "#..#", "...."],
    "L": ["#...", "#...", "#...", "#...", "####", "...."],
    "M": ["#...#", "##.##", "#.#.#", "#...#", "#...#", "....."],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#", "...."],
    "O": [".##.", "#..#", "#..#", "#..#", ".##.", "...."],
    "P": ["###.", "#..#", "###.", "#...", "#...", "...."],
    "Q": [".##.", "#..#", "#..#", "#.#.", ".#.#", "...."],
    "R": ["###.", "#..#", "###.", "#.#.", "#..#", "...."],
    "S": [".###", "#...", ".##.", "...#", "###.", "...."],
    "T": ["###", ".#.", ".#.", ".#.", ".#.", "..."],
    "U": ["#..#", "#..#", "#..#", "#..#", ".##.", "...."],
    "V": ["#..#", "#..#", "#..#", ".##.", ".##.", "...."],
    "W": ["#...#", "#...#", "#.#.#", "##.##", "#...#", "....."],
    "X": ["#..#", "#..#", ".##.", "#..#", "#..#", "...."],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#.", "..."],
    "Z": ["####", "..#.", ".#..", "#...", "####", "...."],
    "[": ["##", "#.", "#.", "#.", "##", ".."],
    "\\": ["#..", "#..", ".#.", "..#", "..#", "..."],
    "]": ["##", ".#", ".#", ".#", "##", ".."],
    "^": [".#.", "#.#", "...", "...", "...", "..."],
    "_": ["...", "...", "...", "...", "...", "###"],
    "`": ["#.", ".#", "..", "..", "..", ".."],
    "a": ["...", "...", ".##", "#.#", ".##", "..."],
    "b": ["#..", "#..", "##.", "#.#", "##.", "..."],
    "c": ["...", "...", ".##", "#..", ".##", "..."],
    "d": ["..#", "..#", ".##", "#.#", ".##", "..."],
    "e": ["...", ".#.", "#.#", "##.", ".##", "..."],
    "f": [".#", "#.", "##", "#.", "#.", ".."],
    "g": ["...", "...", ".##", "#.#", ".##", "##."],
    "h": ["#..", "#..", "##.", "#.#", "#.#", "..."],
    "i": ["#", ".", "#", "#", "#", "."],
    "j": [".#", "..", ".#", ".#", ".#", "#."],
    "k": ["#..", "#..", "#.#", "##.", "#.#", "..."],
    "l": ["#", "#", "#", "#", "#", "."],
    "m": [".....", ".....", "####.", "#.#.#", "#.#.#", "....."],
    "n": ["...", "...", "##.", "#.#", "#.#", "..."],
    "o": ["...", "...", ".#.", "#.#", ".#.", "..."],
    "p": ["...", "...", "##.", "#.#", "##.", "#.."],
    "q": ["...", "...", ".##", "#.#", ".##", "..#"],
    "r": ["..", "..", "##", "#.", "#.", ".."],
    "s": ["...", "...", ".##", ".#.", "##.", "..."],
    "t": ["#.", "#.", "##", "#.", ".#", ".."],
    "u": ["...", "...", "#.#", "#.#", ".##", "..."],
    "v": ["...", "...", "#.#", "#.#", ".#.", "..."],
    "w": [".....", ".....", "#...#", "#.#.#", ".#.#.", "....."],
    "x": ["...", "...", "#.#", ".#.", "#.#", "..."],
    "y": ["...", "...", "#.#", "#.#", ".##", "##."],
    "z": ["...", "...", "###", ".#.", "###", "..."],
    "{": [".##", ".#.", "#..", ".#.", ".##", "..."],
    "|": ["#", "#", "#", "#", "#", "#"],
    "}": ["##.", ".#.", "..#", ".#.", "##.", "..."],
    "~": ["....", ".#.#", "#.#.", "....", "....", "...."],
}

CLEAR, WHITE, DARK, MARKER = 0, 1, 2, 3
FONT_PALETTE = [(255, 0, 255), (255, 255, 255), (24, 24, 40), (255, 64, 64)]
GLYPH_ROWS = 8  # sheet height - 1
STROKE_TOP = 1  # stroke row 0 sits on glyph row 1, below the outline row


def outlined(cells, width, height):
    """Adds a dark pixel next to (8-neighbourhood) every stroke pixel."""
    out = [row[:] for row in cells]
    for y in range(height):
        for x in range(width):
            if cells[y][x] != WHITE:
                continue
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < width and 0 <= ny < height and out[ny][nx] == CLEAR:
                        out[ny][nx] = DARK
    return out


def glyph_cells(rows):
    stroke_width = len(rows[0])
    assert all(len(r) == stroke_width for r in rows), rows
    width = stroke_width + 2
    cells = [[CLEAR] * width for _ in range(GLYPH_ROWS)]
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            if c == "#":
                cells[STROKE_TOP + y][1 + x] = WHITE
    return outlined(cells, width, GLYPH_ROWS)


def make_font(path):
    chars = [chr(c) for c in range(33, 127)]
    assert sorted(GLYPHS) == sorted(chars)
    glyphs = [glyph_cells(GLYPHS[c]) for c in chars]
    width = sum(len(g[0]) for g in glyphs) + 1  # + the column of the end marker
    sheet = [[CLEAR] * width for _ in range(GLYPH_ROWS + 1)]
    x = 0
    for g in glyphs:
        sheet[0][x] = MARKER
        for y in range(GLYPH_ROWS):
            sheet[1 + y][x:x + len(g[0])] = g[y]
        x += len(g[0])
    sheet[0][x] = MARKER  # ends the last glyph
    write_gif(path, width, GLYPH_ROWS + 1, FONT_PALETTE,
              [p for row in sheet for p in row], CLEAR)
    return width


# -- The logo -----------------------------------------------------------------
#
# "Orvella" in the font's strokes at twice the size, warm colours from top to
# bottom with a dark outline, crossed by a tilted orbit ring.

LOGO_W, LOGO_H = 80, 32
LOGO_PALETTE = [(0, 0, 0),                      # 0 transparent
                (20, 18, 38),                   # 1 outline
                (255, 236, 120), (255, 206, 84), (255, 170, 60),
                (250, 130, 50), (230, 92, 46),  # 2..6 letter shades, top to bottom
                (70, 200, 220), (30, 130, 170)]  # 7, 8 orbit ring (front, back)


def make_logo(path):
    canvas = [[0] * LOGO_W for _ in range(LOGO_H)]
    text = "Orvella"
    scale = 2
    text_w = sum((len(GLYPHS[c][0]) + 1) * scale for c in text) - scale
    left = (LOGO_W - text_w) // 2
    top = 9
    strokes = set()
    x = left
    for c in text:
        rows = GLYPHS[c]
        for gy, row in enumerate(rows[:5]):
            for gx, ch in enumerate(row):
                if ch == "#":
                    for sy in range(scale):
                        for sx in range(scale):
                            strokes.add((x + gx * scale + sx, top + gy * scale + sy))
        x += (len(rows[0]) + 1) * scale

    # The ring: an ellipse tilted by a shear, drawn behind the letters on its
    # upper half and in front of them on its lower half.
    ring_back, ring_front = set(), set()
    cx, cy, rx, ry = LOGO_W / 2 - 0.5, LOGO_H / 2 + 0.5, 37.0, 8.5
    steps = 720
    for i in range(steps):
        t = 2 * 3.141592653589793 * i / steps
        px = cx + rx * math.cos(t)
        py = cy + ry * math.sin(t) - (px - cx) * 0.12
        point = (int(round(px)), int(round(py)))
        if 0 <= point[0] < LOGO_W and 0 <= point[1] < LOGO_H:
            (ring_front if math.sin(t) > 0 else ring_back).add(point)

    for (px, py) in ring_back:
        canvas[py][px] = 8
    for (px, py) in strokes:
        shade = 2 + min(4, (py - top) * 5 // (5 * scale))
        canvas[py][px] = shade
    for (px, py) in ring_front:
        if (px, py) not in strokes:
            canvas[py][px] = 7
    # Dark outline around letters and ring alike.
    filled = {(x, y) for y in range(LOGO_H) for x in range(LOGO_W) if canvas[y][x]}
    for (px, py) in filled:
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                nx, ny = px + dx, py + dy
                if 0 <= nx < LOGO_W and 0 <= ny < LOGO_H and canvas[ny][nx] == 0:
                    canvas[ny][nx] = 1
    write_gif(path, LOGO_W, LOGO_H, LOGO_PALETTE,
              [p for row in canvas for p in row], 0)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(out_dir, exist_ok=True)
    make_font(os.path.join(out_dir, "font.gif"))
    make_logo(os.path.join(out_dir, "logo.gif"))


if __name__ == "__main__":
    main()
