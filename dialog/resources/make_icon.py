#!/usr/bin/env python3
"""Draws the program icon: the opening cone of a pressure cell over a reciprocal
lattice; the lattice points inside the cone are the reachable ones.
Plain Python, 4x4 supersampling for smooth edges. Run: python3 make_icon.py
It writes zirel.png (64 px, compiled into the program) beside this script, and
the desktop theme icons (PNG sizes and an SVG) under packaging/icons/hicolor."""
import struct, zlib, math, os

SIZE, SS = 64, 4  # the drawing is designed on a 64-unit square
APEX = (32.0, 58.0)          # the crystal, at the tip of the cone
HALF_ANGLE = math.radians(27)


def inside_cone(x, y):
    dx, dy = x - APEX[0], APEX[1] - y
    return dy > 0 and abs(math.atan2(dx, dy)) < HALF_ANGLE and y > 4


def over(dst, src):
    a = src[3] + dst[3] * (1 - src[3])
    if a == 0:
        return (0, 0, 0, 0)
    return tuple((src[i] * src[3] + dst[i] * dst[3] * (1 - src[3])) / a for i in range(3)) + (a,)


def sample(x, y):
    px = (0, 0, 0, 0)
    # rounded pale panel
    r, m = 10, 1
    cx, cy = min(max(x, m + r), SIZE - m - r), min(max(y, m + r), SIZE - m - r)
    if math.hypot(x - cx, y - cy) <= r:
        px = (0.93, 0.95, 0.98, 1.0)
        if math.hypot(x - cx, y - cy) > r - 1.5:
            px = (0.35, 0.42, 0.55, 1.0)
    if px[3] == 0:
        return px
    if inside_cone(x, y):
        px = over(px, (1.0, 0.62, 0.15, 0.55))
    # cone edges
    for sign in (-1, 1):
        ex = APEX[0] + sign * math.tan(HALF_ANGLE) * (APEX[1] - y)
        if 4 < y < APEX[1] and abs(x - ex) < 1.1:
            px = over(px, (0.75, 0.30, 0.0, 1.0))
    # lattice points, 6 x 6 on a 10-pixel mesh; reachable ones dark, others grey
    for i in range(6):
        for j in range(6):
            lx, ly = 7 + 10 * i, 7 + 10 * j
            if math.hypot(x - lx, y - ly) < 2.6:
                col = (0.05, 0.15, 0.55, 1.0) if inside_cone(lx, ly) else (0.55, 0.58, 0.65, 1.0)
                px = over(px, col)
    return px


def render(pixels):
    scale = SIZE / pixels
    rows = []
    for y in range(pixels):
        row = bytearray([0])
        for x in range(pixels):
            acc = [0.0] * 4
            for sy in range(SS):
                for sx in range(SS):
                    p = sample((x + (sx + 0.5) / SS) * scale, (y + (sy + 0.5) / SS) * scale)
                    for k in range(3):
                        acc[k] += p[k] * p[3]
                    acc[3] += p[3]
            a = acc[3] / (SS * SS)
            rgb = [acc[k] / acc[3] if acc[3] else 0 for k in range(3)]
            row += bytes(int(round(255 * v)) for v in rgb) + bytes([int(round(255 * a))])
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)


def png(pixels):
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", pixels, pixels, 8, 6, 0, 0, 0)) \
        + chunk(b"IDAT", zlib.compress(render(pixels), 9)) + chunk(b"IEND", b"")


def rgb(c):
    return "#%02x%02x%02x" % tuple(int(round(255 * v)) for v in c[:3])


def svg():
    """The same drawing as vector shapes, for the scalable theme icon."""
    top = 4.0
    half = math.tan(HALF_ANGLE) * (APEX[1] - top)
    cone = "%g,%g %g,%g %g,%g" % (APEX[0], APEX[1], APEX[0] - half, top, APEX[0] + half, top)
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">',
             '<rect x="1.75" y="1.75" width="60.5" height="60.5" rx="9.25" fill="%s" stroke="%s" stroke-width="1.5"/>'
             % (rgb((0.93, 0.95, 0.98)), rgb((0.35, 0.42, 0.55))),
             '<polygon points="%s" fill="%s" fill-opacity="0.55" stroke="%s" stroke-width="2.2"/>'
             % (cone, rgb((1.0, 0.62, 0.15)), rgb((0.75, 0.30, 0.0)))]
    for i in range(6):
        for j in range(6):
            lx, ly = 7 + 10 * i, 7 + 10 * j
            col = (0.05, 0.15, 0.55) if inside_cone(lx, ly) else (0.55, 0.58, 0.65)
            parts.append('<circle cx="%d" cy="%d" r="2.6" fill="%s"/>' % (lx, ly, rgb(col)))
    parts.append("</svg>\n")
    return "\n".join(parts)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


here = os.path.dirname(os.path.abspath(__file__))
theme = os.path.join(here, "..", "..", "packaging", "icons", "hicolor")
write(os.path.join(here, "zirel.png"), png(SIZE))
for n in (16, 32, 48, 64, 128, 256):
    write(os.path.join(theme, "%dx%d" % (n, n), "apps", "zirel.png"), png(n))
write(os.path.join(theme, "scalable", "apps", "zirel.svg"), svg().encode())
