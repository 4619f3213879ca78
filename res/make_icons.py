#!/usr/bin/env python3
"""Draw the tray icons and write res/active.ico and res/stopped.ico.

Standard library only, so the icons can be rebuilt on any build machine.
Each .ico holds six images, 48, 40, 32, 24, 20 and 16 pixels square, 16
colours (4 bits per pixel): the shell asks for 16, 20, 24 or 32 as the small
icon at 100 to 200 % display scale, the about box for 32, 40 or 48. To look
at them: convert res/active.ico -scale 800% build/active-%d.png
"""

import math
import os
import struct

# Standard 16-colour VGA palette, in index order.
PALETTE = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1 dark red
    (0, 128, 0),      # 2 dark green
    (128, 128, 0),    # 3 olive
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5 purple
    (0, 128, 128),    # 6 teal
    (192, 192, 192),  # 7 silver
    (128, 128, 128),  # 8 grey
    (255, 0, 0),      # 9 red
    (0, 255, 0),      # 10 green
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 magenta
    (0, 255, 255),    # 14 cyan
    (255, 255, 255),  # 15 white
]
BLACK, RED, YELLOW, WHITE = 0, 9, 11, 15

# Shape sizes per icon size, in pixels, largest first as the .ico lists them.
# Each set is drawn for its size, not shrunk from a larger one: features sit
# on whole pixels so both halves of the face match, and the eyes keep a row
# of face colour between them and the mouth and the outline. The sets up to
# 24 are tuned by hand and take one sample per pixel, because voting there
# leaves bumps on the outline. The mouth radii of 40 and 48 stay off values
# where the vote ties, since ties fall to the left and right differently.
GEOMETRY = {
    48: dict(face_r=23.0, outline=1.0,
             eye_dx=8.0, eye_y=16.0, eye_r=4.0, eye_rim=1.8,
             mouth_y=25.0, mouth_r=12.95, mouth_rim=1.8,
             x_end=4.5, x_half=2.2, samples=4),
    40: dict(face_r=19.2, outline=1.0,
             eye_dx=6.5, eye_y=13.5, eye_r=3.3, eye_rim=1.4,
             mouth_y=21.0, mouth_r=10.85, mouth_rim=1.4,
             x_end=3.75, x_half=1.9, samples=4),
    32: dict(face_r=15.3, outline=1.0,
             eye_dx=5.2, eye_y=11.0, eye_r=2.7, eye_rim=1.3,
             mouth_y=16.6, mouth_r=8.6, mouth_rim=1.3,
             x_end=3.0, x_half=1.5, samples=4),
    24: dict(face_r=11.5, outline=1.0,
             eye_dx=4.0, eye_y=8.0, eye_r=1.8, eye_rim=1.3,
             mouth_y=13.0, mouth_r=6.4, mouth_rim=1.0,
             x_end=2.2, x_half=1.2, samples=1),
    20: dict(face_r=9.5, outline=1.0,
             eye_dx=3.5, eye_y=6.5, eye_r=1.5, eye_rim=0.9,
             mouth_y=11.0, mouth_r=5.4, mouth_rim=0.9,
             x_end=1.8, x_half=1.1, samples=1),
    16: dict(face_r=7.5, outline=1.0,
             eye_dx=3.0, eye_y=5.0, eye_r=1.2, eye_rim=0.9,
             mouth_y=9.0, mouth_r=4.4, mouth_rim=0.9,
             x_end=1.5, x_half=1.0, samples=1),
}


def half_disc_distance(px, py, cx, cy, r):
    """Distance from a point to a half disc whose flat edge is on top."""
    if py >= cy:
        return max(0.0, math.hypot(px - cx, py - cy) - r)
    # Above the flat edge: nearest point lies on the top segment.
    nx = min(max(px, cx - r), cx + r)
    return math.hypot(px - nx, py - cy)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def sample(x, y, n, g, crossed):
    """Palette index at point (x, y), or None when outside the picture."""
    c = n / 2.0
    if crossed:
        a, b = g["x_end"], n - g["x_end"]
        hw = g["x_half"]
        if (segment_distance(x, y, a, a, b, b) <= hw
                or segment_distance(x, y, b, a, a, b) <= hw):
            return RED

    d = math.hypot(x - c, y - c)
    if d > g["face_r"]:
        return None
    if d > g["face_r"] - g["outline"]:
        return BLACK

    for ex in (c - g["eye_dx"], c + g["eye_dx"]):
        de = math.hypot(x - ex, y - g["eye_y"])
        if de <= g["eye_r"]:
            return BLACK
        if de <= g["eye_r"] + g["eye_rim"]:
            return WHITE

    dm = half_disc_distance(x, y, c, g["mouth_y"], g["mouth_r"])
    if dm <= 0.0:
        return BLACK
    if dm <= g["mouth_rim"]:
        return WHITE
    return YELLOW


def render(n, crossed):
    """Return rows (top-down) of palette indices, None for transparent."""
    g = GEOMETRY[n]
    s = g["samples"]
    rows = []
    for py in range(n):
        row = []
        for px in range(n):
            hits = []
            for sy in range(s):
                for sx in range(s):
                    idx = sample(px + (sx + 0.5) / s, py + (sy + 0.5) / s,
                                 n, g, crossed)
                    if idx is not None:
                        hits.append(idx)
            # Majority vote keeps flat cartoon colours; blending 16 fixed
            # colours gives muddy grey and dark red fringes.
            votes = {}
            for idx in hits:
                votes[idx] = votes.get(idx, 0) + 1
            votes[None] = s * s - len(hits)
            # Ties go to the opaque and then to the feature colour.
            row.append(max(votes, key=lambda k: (votes[k], k is not None,
                                                 k != YELLOW)))
        rows.append(row)
    return rows


def image_bytes(rows):
    n = len(rows)
    xor_stride = ((n * 4 + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIBs are stored bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, idx in enumerate(row):
            if idx is None:
                idx = BLACK  # transparent pixels must be black in XOR
                bits[x // 8] |= 0x80 >> (x % 8)
            line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0)
                       for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, rows)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = image_bytes(rows)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4,
                           len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, crossed in (("active.ico", False), ("stopped.ico", True)):
        data = ico_bytes([(n, render(n, crossed)) for n in GEOMETRY])
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
