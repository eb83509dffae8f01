#!/usr/bin/env python3
"""Xvfb's screen (-fbdir DIR: DIR/Xvfb_screen0, an XWD image of 24-bit
depth, 32 bits a pixel) as a PNG, with the standard library only.
Usage: xwd2png.py XVFB_SCREEN OUT.png [X Y WIDTH HEIGHT]"""
import struct
import sys
import zlib


def main():
    data = open(sys.argv[1], "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    ncolors = header[19]
    if bits_per_pixel != 32:
        sys.exit("xwd2png: %d bits a pixel; start Xvfb with a 24-bit screen" % bits_per_pixel)
    pixels = data[header_size + ncolors * 12:]
    x, y, w, h = 0, 0, width, height
    if len(sys.argv) == 7:
        x, y, w, h = (int(v) for v in sys.argv[3:7])
        w, h = min(w, width - x), min(h, height - y)
    rows = []
    for row in range(y, y + h):
        line = pixels[row * bytes_per_line + 4 * x: row * bytes_per_line + 4 * (x + w)]
        # Each pixel 0x00RRGGBB, stored least significant byte first (B, G, R, 0).
        rgb = bytearray(3 * w)
        if byte_order == 0:
            rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        else:
            rgb[0::3], rgb[1::3], rgb[2::3] = line[1::4], line[2::4], line[3::4]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)


main()
