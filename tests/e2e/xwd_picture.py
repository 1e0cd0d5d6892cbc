#!/usr/bin/env python3
"""Reads the pictures xwd writes (ZPixmap, 24 or 32 bits a pixel) for the end-to-end tests.

  xwd_picture.py changed BEFORE AFTER TOP    the box "x0 y0 x1 y1" (x1, y1 inside) of the pixels that differ
                                             at or below row TOP; nothing when none differs
  xwd_picture.py pixel PICTURE X Y           the pixel as "r g b"
  xwd_picture.py png PICTURE OUT.png         the picture as a PNG, to look at
"""
import struct
import sys
import zlib


class Picture:
    def __init__(self, path):
        data = open(path, "rb").read()
        header = struct.unpack(">25I", data[:100])
        header_size, self.width, self.height = header[0], header[4], header[5]
        self.little = header[7] == 0
        self.bytes_per_pixel = header[11] // 8
        self.stride = header[12]
        colours = header[19]
        if header[2] != 2 or self.bytes_per_pixel not in (3, 4):
            raise SystemExit(f"{path}: not a 24/32-bit ZPixmap picture")
        self.pixels = data[header_size + 12 * colours:]

    def pixel(self, x, y):
        start = y * self.stride + x * self.bytes_per_pixel
        value = int.from_bytes(self.pixels[start:start + self.bytes_per_pixel], "little" if self.little else "big")
        return (value >> 16) & 255, (value >> 8) & 255, value & 255

    def row(self, y):
        return self.pixels[y * self.stride:y * self.stride + self.width * self.bytes_per_pixel]


def changed(before, after, top):
    box = None
    for y in range(top, min(before.height, after.height)):
        if before.row(y) == after.row(y):
            continue
        for x in range(min(before.width, after.width)):
            if before.pixel(x, y) != after.pixel(x, y):
                box = [x, y, x, y] if box is None else [min(box[0], x), box[1], max(box[2], x), y]
    if box:
        print(*box)


def png(picture, out):
    rows = b"".join(b"\0" + b"".join(bytes(picture.pixel(x, y)) for x in range(picture.width))
                    for y in range(picture.height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)
    with open(out, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
                   + chunk(b"IEND", b""))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "changed":
        changed(Picture(args[0]), Picture(args[1]), int(args[2]))
    elif command == "pixel":
        print(*Picture(args[0]).pixel(int(args[1]), int(args[2])))
    elif command == "png":
        png(Picture(args[0]), args[1])
    else:
        raise SystemExit(__doc__)
