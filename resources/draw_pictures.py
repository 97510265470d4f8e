#!/usr/bin/env python3
"""Draws Velmora's pictures as .ico files (32-bit colour with a mask).

  page.ico         list rows: a white page with lines of text
  note_blue.ico    status bar part 1: a light-blue note sheet, corner turned up
  note_yellow.ico  status bar part 2: a yellow note sheet, corner turned up
  blank.ico        an empty (fully transparent) picture
  app.ico          the program: a calendar sheet with a red day, 16 and 32 pixels
"""
import struct
import sys
from pathlib import Path

CLEAR = None


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(px, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px[y][x] = colour


def frame(px, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        px[y0][x] = px[y1][x] = colour
    for y in range(y0, y1 + 1):
        px[y][x0] = px[y][x1] = colour


def page():
    px = canvas(16)
    rect(px, 2, 0, 13, 15, (255, 255, 255))
    frame(px, 2, 0, 13, 15, (110, 110, 120))
    for y in (3, 6, 9, 12):
        rect(px, 4, y, 11 if y != 12 else 8, y, (90, 100, 140))
    return px


def note(fill, edge, fold):
    px = canvas(16)
    rect(px, 1, 1, 14, 14, fill)
    frame(px, 1, 1, 14, 14, edge)
    # the turned-up corner, bottom right
    for i in range(5):
        for j in range(5 - i):
            px[14 - i][14 - j] = CLEAR
    for i in range(5):
        px[10 + i][14 - i] = edge
        for j in range(i):
            px[10 + i][10 + j] = fold
    for y in (4, 7):
        rect(px, 4, y, 11, y, edge)
    rect(px, 4, 10, 8, 10, edge)
    return px


def calendar(size):
    px = canvas(size)
    s = size / 16.0
    def sc(v):
        return int(round(v * s))
    rect(px, sc(1), sc(2), size - 1 - sc(1), size - 1 - sc(1), (255, 255, 255))
    rect(px, sc(1), sc(2), size - 1 - sc(1), sc(5), (200, 30, 40))
    frame(px, sc(1), sc(2), size - 1 - sc(1), size - 1 - sc(1), (90, 20, 25))
    for gy in range(3):
        for gx in range(4):
            x = sc(3 + gx * 3)
            y = sc(7 + gy * 2.6)
            colour = (220, 20, 30) if (gx, gy) == (2, 1) else (80, 80, 90)
            rect(px, x, y, x + max(1, sc(1.5)) - 1, y + max(1, sc(1.2)) - 1, colour)
    return px


def blank():
    return canvas(16)


def icon_image(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            p = px[y][x]
            colour += bytes((0, 0, 0, 0)) if p is CLEAR else bytes((p[2], p[1], p[0], 255))
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(size):
            if px[y][x] is CLEAR:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + colour + mask


def write_ico(path, images):
    blobs = [icon_image(px) for px in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for px, blob in zip(images, blobs):
        size = len(px)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    Path(path).write_bytes(out)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else '.')
    out.mkdir(parents=True, exist_ok=True)
    write_ico(out / 'page.ico', [page()])
    write_ico(out / 'note_blue.ico', [note((190, 225, 250), (60, 110, 170), (140, 185, 225))])
    write_ico(out / 'note_yellow.ico', [note((255, 240, 140), (170, 130, 20), (230, 205, 90))])
    write_ico(out / 'blank.ico', [blank()])
    write_ico(out / 'app.ico', [calendar(16), calendar(32)])


if __name__ == '__main__':
    main()
