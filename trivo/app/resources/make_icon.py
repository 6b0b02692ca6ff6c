#!/usr/bin/env python3
"""Draws trivo.png, the 64 x 64 raster twin of trivo.svg (same shapes), with
the standard library only: ./make_icon.py > trivo.png"""
import struct
import sys
import zlib

W = H = 64
px = [[(0, 0, 0, 0)] * W for _ in range(H)]


def colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5)) + (255,)


def rect(x, y, w, h, fill, r=0):
    c = colour(fill)
    for j in range(y, y + h):
        for i in range(x, x + w):
            # Rounded corners: leave out what lies outside the corner circles.
            cx = min(max(i + 0.5, x + r), x + w - r)
            cy = min(max(j + 0.5, y + r), y + h - r)
            if r and (i + 0.5 - cx) ** 2 + (j + 0.5 - cy) ** 2 > r * r:
                continue
            px[j][i] = c


def circle(cx, cy, r, fill):
    c = colour(fill)
    for j in range(H):
        for i in range(W):
            if (i + 0.5 - cx) ** 2 + (j + 0.5 - cy) ** 2 <= r * r:
                px[j][i] = c


rect(4, 6, 56, 40, "#303038", 6)
rect(9, 10, 46, 32, "#28e028", 2)
rect(9, 10, 46, 6, "#106010")
rect(12, 20, 20, 3, "#106010")
rect(12, 26, 28, 3, "#106010")
rect(12, 32, 14, 3, "#106010")
rect(14, 50, 36, 10, "#303038", 3)
circle(21, 55, 2.5, "#f08828")
circle(29, 55, 2.5, "#f0f070")
circle(37, 55, 2.5, "#2020d8")
circle(44, 55, 2.5, "#a82020")


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in px)
sys.stdout.buffer.write(b"\x89PNG\r\n\x1a\n" +
                        chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)) +
                        chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
