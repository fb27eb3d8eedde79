#!/usr/bin/env python3
"""Draws the program's toolbar bitmap, sort marks, signal icons and icon from the pixel art below.

The outputs are committed; run this script again only after changing the art:
    python3 resources/images/make_images.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours of a classic 4-bit toolbar bitmap. Light grey is the button face and is
# mapped to the system face colour when the bitmap is loaded.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
KEY = {'.': 7, 'k': 0, 'r': 1, 'g': 2, 'o': 3, 'b': 4, 'm': 5, 't': 6, 'd': 8,
       'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'w': 15}

# Toolbar 128, in button order: copy, sensor properties, graph properties, print preview,
# print, help. Each image is 16 x 15.
BUTTONS = [
    [  # copy: two sheets
        "................",
        "kkkkkk..........",
        "kwwwwkk.........",
        "kwkkwkwk........",
        "kwwwwkkkkkkk....",
        "kwkkkkwwwwkkk...",
        "kwwwwkwkkwkwk...",
        "kwkkkkwwwwkkkk..",
        "kwwwwkwkkkkwwk..",
        "kkkkkkwwwwwwwk..",
        "......wkkkkkwk..",
        "......wwwwwwwk..",
        "......kkkkkkkk..",
        "................",
        "................",
    ],
    [  # sensor properties: a thermometer beside a sheet
        "................",
        "....kkk.........",
        "...kwwwk........",
        "...kwRwk.kkkkkk.",
        "...kwRwk.kwwwwk.",
        "...kwRwk.kwkkwk.",
        "...kwRwk.kwwwwk.",
        "...kwRwk.kwkkwk.",
        "...kwRwk.kwwwwk.",
        "..kwRRRwkkwkkwk.",
        "..kwRRRwkkwwwwk.",
        "..kwRRRwkkkkkkk.",
        "...kwwwk........",
        "....kkk.........",
        "................",
    ],
    [  # graph properties: axes and a trace
        "................",
        ".k..............",
        ".k..........R...",
        ".k.........R.R..",
        ".k....R...R...R.",
        ".k...R.R..R.....",
        ".k..R...RR......",
        ".k.R............",
        ".kR.............",
        ".k..............",
        ".k..............",
        ".kkkkkkkkkkkkkk.",
        ".k..k..k..k..k..",
        "................",
        "................",
    ],
    [  # print preview: a sheet under a magnifier
        "................",
        ".kkkkkkkkk......",
        ".kwwwwwwwk......",
        ".kwkkkkwwk......",
        ".kwwwwkkkkk.....",
        ".kwkkkkCCCkk....",
        ".kwwwkCwCCCCk...",
        ".kwkkkCCCCCCk...",
        ".kwwwkCCCCCCk...",
        ".kwkkkkCCCCk....",
        ".kwwwwwkkkkkk...",
        ".kkkkkkkkk.kkk..",
        "............kkk.",
        ".............kk.",
        "................",
    ],
    [  # print: a printer with a sheet
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwkkkkwk....",
        "....kwwwwwwk....",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwwk.",
        ".kwwwwwwwwwGGwk.",
        ".kddddddddddddk.",
        ".kddddddddddddk.",
        ".kkkkkkkkkkkkkk.",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
    ],
    [  # help: a question mark
        "................",
        ".....kkkkkk.....",
        "....kBBBBBBk....",
        "...kBBkkkkBBk...",
        "...kBBk..kBBk...",
        "....kk..kBBk....",
        ".......kBBk.....",
        "......kBBk......",
        "......kBBk......",
        ".......kk.......",
        "......kBBk......",
        "......kBBk......",
        ".......kk.......",
        "................",
        "................",
    ],
]


# Toolbar 205 of the print preview: print (as on the main toolbar) and close the preview.
PREVIEW_BUTTONS = [
    BUTTONS[4],
    [  # close preview: a sheet crossed out
        "................",
        ".kkkkkkkkk......",
        ".kwwwwwwwk......",
        ".kwwwwwwwk......",
        ".kwkkkkRwk..R...",
        ".kwwwwwwRk.R....",
        ".kwkkkkwkRR.....",
        ".kwwwwwwwRR.....",
        ".kwkkkkkR.kR....",
        ".kwwwwwRwk..R...",
        ".kwkkkkwwk......",
        ".kwwwwwwwk......",
        ".kkkkkkkkk......",
        "................",
        "................",
    ],
]


def write_bmp4(path, rows):
    """rows: top-down list of lists of palette indices."""
    height = len(rows)
    width = len(rows[0])
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            line.append((hi << 4) | lo)
        line.extend(b'\0' * (stride - len(line)))
        pixels.extend(line)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


def toolbar(name, buttons):
    rows = []
    for y in range(15):
        row = []
        for art in buttons:
            row.extend(KEY[c] for c in art[y])
        rows.append(row)
    write_bmp4(os.path.join(HERE, name), rows)


# Sort marks of old header controls, 7 x 6: dark triangles on the button face. The two greys
# become the system's shadow and face colours when the bitmaps are loaded.
SORT_UP = [
    ".......",
    "...d...",
    "..ddd..",
    ".ddddd.",
    "ddddddd",
    ".......",
]
SORT_DOWN = [
    ".......",
    "ddddddd",
    ".ddddd.",
    "..ddd..",
    "...d...",
    ".......",
]


def sort_marks():
    for name, art in (('sortup.bmp', SORT_UP), ('sortdown.bmp', SORT_DOWN)):
        write_bmp4(os.path.join(HERE, name), [[KEY[c] for c in line] for line in art])


def signal_icon(bars):
    """12 x 12 on white (the mask colour): five rising bars, the first `bars` of them lit in red,
    yellow or green by strength, the rest grey. No bars at all for 0: no signal information."""
    rows = [['w'] * 12 for _ in range(12)]
    if bars:
        dark, light = ('r', 'R') if bars == 1 else ('o', 'Y') if bars == 2 else ('g', 'G')
        for k in range(5):
            lit = k < bars
            for y in range(12 - (3 + 2 * k), 12):
                rows[y][1 + 2 * k] = dark if lit else 'd'
                rows[y][2 + 2 * k] = light if lit else '.'
    return rows


def signal_icons():
    images = [signal_icon(n) for n in range(6)]
    rows = [[KEY[c] for image in images for c in image[y]] for y in range(12)]
    write_bmp4(os.path.join(HERE, 'signal.bmp'), rows)


def icon_pixels(size):
    """A rounded dark-teal tile with a light grid and a red measurement trace."""
    import math
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    r = size // 6
    for y in range(size):
        for x in range(size):
            cx = min(max(x, r), size - 1 - r)
            cy = min(max(y, r), size - 1 - r)
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                edge = d > r - 1 or x in (0, size - 1) or y in (0, size - 1)
                px[y][x] = (20, 70, 90, 255) if edge else (30, 105, 130, 255)
    m = size // 8
    for y in range(m, size - m):
        for x in range(m, size - m):
            px[y][x] = (245, 248, 250, 255)
    step = max(2, (size - 2 * m) // 4)
    for k in range(m + step, size - m, step):
        for t in range(m, size - m):
            px[k][t] = (200, 210, 215, 255)
            px[t][k] = (200, 210, 215, 255)
    prev = None
    for x in range(m, size - m):
        f = (x - m) / (size - 2 * m - 1)
        y = int(round(size / 2 - (size / 4.2) * math.sin(f * 2.2 * math.pi) * (0.6 + 0.4 * f)))
        ys = [y] if prev is None else range(min(prev, y), max(prev, y) + 1)
        for yy in ys:
            for w in range(max(1, size // 16)):
                if m <= yy + w < size - m:
                    px[yy + w][x] = (210, 30, 30, 255)
        prev = y
    return px


def icon_image(size):
    px = icon_pixels(size)
    xor = bytearray()
    for row in reversed(px):
        for (r, g, b, a) in row:
            xor.extend((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.extend(bits)
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def icon():
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(os.path.join(HERE, 'Kestrova.ico'), 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    for art in BUTTONS + PREVIEW_BUTTONS:
        assert len(art) == 15 and all(len(line) == 16 for line in art), art
    toolbar('toolbar.bmp', BUTTONS)
    toolbar('preview.bmp', PREVIEW_BUTTONS)
    sort_marks()
    signal_icons()
    icon()
