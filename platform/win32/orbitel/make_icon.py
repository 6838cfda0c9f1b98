#!/usr/bin/env python3
"""Draws Orbitel's notification-area icon (an envelope on a teal disc with a
clock hand) and writes it as orbitel.ico with 16, 24, 32 and 48 pixel
images, 32-bit with alpha. Run it again after changing the drawing:
    python3 make_icon.py orbitel.ico"""

import math
import struct
import sys

TEAL = (0x1F, 0x7A, 0x8C)
WHITE = (0xFF, 0xFF, 0xFF)
AMBER = (0xF2, 0xA5, 0x1A)


def coverage(inside, x, y, n=4):
    """Fraction of the pixel (x, y) that the shape covers, by supersampling."""
    hits = 0
    for i in range(n):
        for j in range(n):
            if inside(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hits += 1
    return hits / (n * n)


def draw(size):
    s = float(size)
    c = s / 2
    r = s / 2 - 0.5

    def disc(x, y):
        return (x - c) ** 2 + (y - c) ** 2 <= r * r

    # The envelope: a rectangle with its flap drawn as a V of white lines.
    left, right = s * 0.22, s * 0.78
    top, bottom = s * 0.32, s * 0.70
    line = max(1.0, s / 16)

    def envelope(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        border = (x - left < line or right - x < line or y - top < line or bottom - y < line)
        # The flap: distance to the two lines from the top corners to the middle.
        mx, my = c, top + (bottom - top) * 0.55
        def near(ax, ay, bx, by):
            dx, dy = bx - ax, by - ay
            t = max(0, min(1, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            px, py = ax + t * dx, ay + t * dy
            return math.hypot(x - px, y - py) < line * 0.6
        return border or near(left, top, mx, my) or near(right, top, mx, my)

    # A small amber dot at the upper right: the pending time.
    dr = s * 0.14

    def dot(x, y):
        return (x - s * 0.80) ** 2 + (y - s * 0.22) ** 2 <= dr * dr

    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            a_disc = coverage(disc, x, y)
            a_env = coverage(envelope, x, y)
            a_dot = coverage(dot, x, y)
            color = [v * a_disc for v in TEAL]
            color = [color[k] * (1 - a_env) + WHITE[k] * a_env * max(a_disc, a_env)
                     for k in range(3)]
            alpha = max(a_disc, a_env)
            color = [color[k] * (1 - a_dot) + AMBER[k] * a_dot for k in range(3)]
            alpha = max(alpha, a_dot)
            # Straight (not premultiplied) colour, as icons expect.
            color = [min(255, round(v / alpha)) if alpha > 0 else 0 for v in color]
            row.append((*color, round(alpha * 255)))
        pixels.append(row)
    return pixels


def image_bytes(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(xor) + bytes(mask_row * size)


def main(out):
    sizes = (16, 24, 32, 48)
    images = [image_bytes(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "orbitel.ico")
