#!/usr/bin/env python3
"""Draws the about box's two pictures and writes them as C++ arrays.

Both show the same scene, 92 x 124 pixels: a compact disc rising like a moon
over a night sky, above a small keyboard instrument whose green display
shows a ball and a paddle. Picture 401 has 16 colours, picture 402 has 256
palette entries of which the first 64 are used (the important ones).

The scene is painted in full colour first, then reduced to each palette with
ordered dithering. Plain Python, no packages; run it from anywhere:

    python3 resources/about_pictures/make_about_pictures.py

and commit the regenerated about_pictures.cpp.
"""

import colorsys
import math
import os

W, H = 92, 124
DISC_X, DISC_Y, DISC_R, HOLE_R, HUB_R = 46.0, 42.0, 34.0, 5.0, 12.0
KEYS_TOP, KEYS_BOTTOM, KEYS_LEFT, KEY_W = 100, 119, 4, 6
WHITE_KEYS = 14  # 84 pixels from x = 4

BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sky(x, y):
    t = y / (H - 1)
    top, mid, low = (8, 10, 48), (40, 30, 110), (120, 60, 130)
    c = mix(top, mid, t / 0.55) if t < 0.55 else mix(mid, low, (t - 0.55) / 0.45)
    # A few fixed stars.
    for sx, sy in ((8, 6), (83, 12), (15, 70), (80, 64), (72, 4), (4, 38), (88, 40), (24, 82)):
        if x == sx and y == sy:
            return (250, 250, 220)
    return c


def disc(x, y):
    dx, dy = x + 0.5 - DISC_X, y + 0.5 - DISC_Y
    r = math.hypot(dx, dy)
    if r > DISC_R or r < HOLE_R:
        return None
    if r < HUB_R:
        # The clear hub: a pale grey ring with a darker stacking ring.
        return (150, 155, 170) if abs(r - 9.5) < 0.9 else (205, 210, 220)
    if r > DISC_R - 1.2:
        return (110, 110, 125)  # rim
    # Silver with a rainbow sheen that turns twice around the disc and a
    # bright streak from the upper left.
    angle = math.atan2(dy, dx)
    hue = ((angle / math.pi) + r / 60.0) % 1.0
    rainbow = colorsys.hsv_to_rgb(hue, 0.75, 1.0)
    rainbow = tuple(v * 255 for v in rainbow)
    silver = (190, 195, 210)
    sheen = 0.5 + 0.5 * math.cos(2 * (angle + 0.8))
    c = mix(silver, rainbow, 0.55 * sheen)
    streak = max(0.0, 1.0 - abs(angle + 2.3) * 3.0) * (0.6 if r > 20 else 0.3)
    return mix(c, (255, 255, 255), streak)


def instrument(x, y):
    # Body with a green display, then the keys.
    if 84 <= y < KEYS_TOP and 2 <= x < 90:
        if 87 <= y < 97 and 28 <= x < 64:
            lcd = (120, 170, 90)
            # Ball and paddle on the display, in dark dots on a 2-pixel grid.
            if x % 2 == 0 and y % 2 == 1:
                if (x, y) in ((38, 91), (40, 91), (38, 93), (40, 93)):
                    return (20, 40, 20)
                if x == 60 and 89 <= y <= 95:
                    return (20, 40, 20)
            return lcd
        if y == 84 or x == 2 or x == 89:
            return (90, 70, 60)
        if 88 <= y < 95 and (x in (8, 12, 16) or x in (74, 78, 82)):
            return (200, 60, 40) if x < 40 else (230, 190, 60)  # knobs
        return mix((60, 45, 40), (35, 25, 25), (y - 84) / 16)
    if KEYS_TOP <= y < KEYS_BOTTOM and KEYS_LEFT <= x < KEYS_LEFT + WHITE_KEYS * KEY_W:
        k, kx = divmod(x - KEYS_LEFT, KEY_W)
        # Black keys sit between white keys 0-1, 1-2, 3-4, 4-5, 5-6 of each octave.
        if y < KEYS_TOP + 11:
            for edge_key in (k, k + 1):
                if edge_key % 7 in (1, 2, 4, 5, 6) and 0 < edge_key < WHITE_KEYS:
                    ex = KEYS_LEFT + edge_key * KEY_W
                    if ex - 2 <= x < ex + 2:
                        return (25, 25, 30) if x != ex - 2 else (70, 70, 80)
        if kx == KEY_W - 1 or y == KEYS_BOTTOM - 1:
            return (120, 120, 130)
        return mix((250, 250, 245), (215, 215, 210), (y - KEYS_TOP) / 19)
    if y >= KEYS_TOP and 2 <= x < 90 and y < KEYS_BOTTOM + 2:
        return (60, 45, 40)
    return None


def scene(x, y):
    for layer in (instrument, disc):
        c = layer(x, y)
        if c is not None:
            return c
    return sky(x, y)


def nearest(palette, c):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - c[0]) ** 2 * 3 + (p[1] - c[1]) ** 2 * 4 + (p[2] - c[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def reduce(palette, spread):
    """Ordered dithering: spread is the +/- amplitude of the threshold."""
    out = []
    for y in range(H):
        for x in range(W):
            c = scene(x, y)
            t = (BAYER4[y % 4][x % 4] + 0.5) / 16 - 0.5
            out.append(nearest(palette, tuple(v + t * spread for v in c)))
    return out


# Sixteen colours of our own choosing for the scene.
PALETTE_16 = [
    (0, 0, 0), (8, 10, 48), (40, 30, 110), (120, 60, 130),
    (250, 250, 240), (200, 205, 215), (130, 130, 145), (60, 45, 40),
    (220, 60, 60), (240, 200, 60), (80, 200, 90), (60, 180, 230),
    (200, 90, 220), (120, 170, 90), (20, 40, 20), (255, 150, 60),
]


def palette_64():
    """64 colours: ramps for sky, disc, keys and body."""
    pal = []
    for i in range(16):  # sky
        pal.append(tuple(round(v) for v in sky(0, round(i * (H - 1) / 15))))
    for i in range(24):  # rainbow sheen over silver, 12 hues in two strengths
        r, g, b = colorsys.hsv_to_rgb((i // 2) / 12, 0.75, 1.0)
        strength = 0.3 if i % 2 == 0 else 0.55
        pal.append(tuple(round(v) for v in mix((190, 195, 210), (r * 255, g * 255, b * 255), strength)))
    for i in range(10):  # greys from rim to white
        v = 40 + i * 215 / 9
        pal.append((round(v), round(v), round(v + 8 if v < 240 else v)))
    pal += [(25, 25, 30), (70, 70, 80), (60, 45, 40), (35, 25, 25), (90, 70, 60),
            (120, 170, 90), (20, 40, 20), (200, 60, 40), (230, 190, 60), (250, 250, 220),
            (150, 155, 170), (205, 210, 220), (110, 110, 125), (0, 0, 0)]
    assert len(pal) == 64, len(pal)
    return pal


def write_array(f, name, values, per_line=24):
    f.write("const unsigned char %s[] = {\n" % name)
    for i in range(0, len(values), per_line):
        f.write("    " + ",".join(str(v) for v in values[i:i + per_line]) + ",\n")
    f.write("};\n\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    p16 = PALETTE_16
    p64 = palette_64()
    p256 = p64 + [(0, 0, 0)] * (256 - 64)
    pix401 = reduce(p16, 48)
    pix402 = reduce(p64, 12)
    with open(os.path.join(here, "about_pictures.cpp"), "w") as f:
        f.write("// Generated by make_about_pictures.py: edit the script, not this file.\n")
        f.write('#include "resources/about_pictures/about_pictures.h"\n\nnamespace {\n\n')
        write_array(f, "Colours401", [v for c in p16 for v in c])
        write_array(f, "Pixels401", pix401)
        write_array(f, "Colours402", [v for c in p256 for v in c])
        write_array(f, "Pixels402", pix402)
        f.write("}  // namespace\n\n")
        f.write("const TAboutPicture AboutPicture401 = {%d, %d, 4, 16, 16, Colours401, Pixels401};\n"
                % (W, H))
        f.write("const TAboutPicture AboutPicture402 = {%d, %d, 8, 256, 64, Colours402, Pixels402};\n"
                % (W, H))


if __name__ == "__main__":
    main()
