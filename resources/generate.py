#!/usr/bin/env python3
"""Draws every picture that vorn2.exe carries as a resource.

Standard library only and fully deterministic: running it twice writes the
same bytes. The outputs are committed, so a Windows build never runs this.

    python3 resources/generate.py
"""

import math
import os
import struct
import zlib

OUT_DIR = os.path.dirname(os.path.abspath(__file__))

MAGENTA = (255, 0, 255)


# ---------------------------------------------------------------- helpers

def clamp(v, lo, hi):
    return lo if v < lo else hi if v > hi else v


def rnd(v):
    return int(math.floor(v + 0.5))


def mix(a, b, t):
    """Linear blend of two RGB triples, t = 0 gives a."""
    return tuple(clamp(rnd(a[i] + (b[i] - a[i]) * t), 0, 255) for i in range(3))


def scale_rgb(c, f):
    return tuple(clamp(rnd(v * f), 0, 255) for v in c)


class Lcg:
    """Tiny fixed PRNG so the star field never depends on the Python version."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state >> 8

    def below(self, n):
        return self.next() % n


class Canvas:
    """RGBA picture with straight (not premultiplied) alpha."""

    def __init__(self, w, h, fill=(0, 0, 0), alpha=255):
        self.w = w
        self.h = h
        self.px = bytearray(bytes((fill[0], fill[1], fill[2], alpha)) * (w * h))

    def get(self, x, y):
        i = (y * self.w + x) * 4
        return tuple(self.px[i:i + 3])

    def alpha(self, x, y):
        return self.px[(y * self.w + x) * 4 + 3]

    def put(self, x, y, c, a=None):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = (y * self.w + x) * 4
            self.px[i] = c[0]
            self.px[i + 1] = c[1]
            self.px[i + 2] = c[2]
            if a is not None:
                self.px[i + 3] = a

    def blend(self, x, y, c, t):
        """Paint c over the pixel with coverage t (colour only, alpha kept)."""
        if t <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        if t >= 1:
            self.put(x, y, c)
        else:
            self.put(x, y, mix(self.get(x, y), c, t))

    def rect(self, x0, y0, x1, y1, c):
        """Fill the half-open rectangle [x0, x1) x [y0, y1)."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, c)

    def rows_rgb(self):
        return [bytes(self.px[(y * self.w + x) * 4 + k]
                      for x in range(self.w) for k in (0, 1, 2))
                for y in range(self.h)]


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx = (x0 + x1) * 0.5
    cy = (y0 + y1) * 0.5
    qx = abs(px - cx) - ((x1 - x0) * 0.5 - r)
    qy = abs(py - cy) - ((y1 - y0) * 0.5 - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def sd_segment(px, py, ax, ay, bx, by):
    """Distance to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0)
    return math.hypot(px - ax - dx * t, py - ay - dy * t)


def sd_convex(px, py, pts):
    """Signed distance (exact inside, close enough outside) to a convex polygon
    listed clockwise on screen (y pointing down)."""
    best = -1e9
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        dx, dy = bx - ax, by - ay
        ln = math.hypot(dx, dy)
        d = ((px - ax) * dy - (py - ay) * dx) / ln
        if d > best:
            best = d
    return best


# ---------------------------------------------------------- block letters

FONT = {
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "N": ["X...X", "XX..X", "X.X.X", "X..XX", "X...X", "X...X", "X...X"],
    "H": ["X...X", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "L": ["X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"],
    "D": ["XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."],
    "2": [".XXX.", "X...X", "....X", "...X.", "..X..", ".X...", "XXXXX"],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def text_mask(text, scale):
    """Pixel mask of the text in 5x7 block letters, one column of gap."""
    cols = len(text) * 6 - 1
    w, h = cols * scale, 7 * scale
    mask = bytearray(w * h)
    for ci, ch in enumerate(text):
        glyph = FONT[ch]
        for gy in range(7):
            for gx in range(5):
                if glyph[gy][gx] != "X":
                    continue
                x0 = (ci * 6 + gx) * scale
                for y in range(gy * scale, (gy + 1) * scale):
                    for x in range(x0, x0 + scale):
                        mask[y * w + x] = 1
    return w, h, mask


def draw_title(cv, text, scale, ox, oy, top, bottom, outline, shadow_off):
    """Gold block letters with a dark outline, a drop shadow and a bevel."""
    w, h, mask = text_mask(text, scale)

    def on(x, y):
        return 0 <= x < w and 0 <= y < h and mask[y * w + x]

    ring = max(1, scale // 4)
    # drop shadow first, then the outline ring, then the letters
    for y in range(-ring, h + ring + shadow_off):
        for x in range(-ring, w + ring + shadow_off):
            if on(x - shadow_off, y - shadow_off) and not on(x, y):
                cx, cy = ox + x, oy + y
                if 0 <= cx < cv.w and 0 <= cy < cv.h:
                    cv.put(cx, cy, scale_rgb(cv.get(cx, cy), 0.45))
    for y in range(-ring, h + ring):
        for x in range(-ring, w + ring):
            if on(x, y):
                continue
            near = False
            for dy in range(-ring, ring + 1):
                for dx in range(-ring, ring + 1):
                    if on(x + dx, y + dy):
                        near = True
                        break
                if near:
                    break
            if near:
                cv.put(ox + x, oy + y, outline)
    bevel = max(1, scale // 3)
    for y in range(h):
        base = mix(top, bottom, y / max(1, h - 1))
        for x in range(w):
            if not on(x, y):
                continue
            c = base
            if not on(x, y - bevel) or not on(x - bevel, y):
                c = mix(c, (255, 250, 225), 0.45)
            elif not on(x, y + bevel) or not on(x + bevel, y):
                c = scale_rgb(c, 0.72)
            cv.put(ox + x, oy + y, c)


# ------------------------------------------------------------ file writers

def write(name, data):
    with open(os.path.join(OUT_DIR, name), "wb") as f:
        f.write(data)


def png_chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_bytes(w, h, rgba):
    """8-bit RGBA PNG; per row the filter with the smallest absolute sum."""
    stride = w * 4
    raw = bytearray()
    prev = bytes(stride)
    for y in range(h):
        row = bytes(rgba[y * stride:(y + 1) * stride])
        left = bytes(4) + row[:-4]
        upleft = bytes(4) + prev[:-4]
        cands = [
            (0, row),
            (1, bytes((row[i] - left[i]) & 0xFF for i in range(stride))),
            (2, bytes((row[i] - prev[i]) & 0xFF for i in range(stride))),
            (3, bytes((row[i] - ((left[i] + prev[i]) >> 1)) & 0xFF for i in range(stride))),
            (4, bytes((row[i] - _paeth(left[i], prev[i], upleft[i])) & 0xFF
                      for i in range(stride))),
        ]
        best = None
        for kind, data in cands:
            cost = sum(v if v < 128 else 256 - v for v in data)
            if best is None or cost < best[0]:
                best = (cost, kind, data)
        raw.append(best[1])
        raw += best[2]
        prev = row
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def bmp_bytes(cv, bpp):
    """Bottom-up BI_RGB bitmap, 24 or 32 bits per pixel."""
    w, h = cv.w, cv.h
    stride = (w * bpp // 8 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            i = (y * w + x) * 4
            r, g, b, a = cv.px[i:i + 4]
            row += bytes((b, g, r)) if bpp == 24 else bytes((b, g, r, a))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(pixels), 3780, 3780, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def ico_bmp_entry(cv):
    """Icon image as a 32-bpp DIB with its AND mask (double height header)."""
    w, h = cv.w, cv.h
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            i = (y * w + x) * 4
            r, g, b, a = cv.px[i:i + 4]
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if cv.px[(y * w + x) * 4 + 3] == 0:
                row[x >> 3] |= 0x80 >> (x & 7)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, payload bytes). 256 is written as 0 in the directory."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, data in images:
        d = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", d, d, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    return head + entries + blobs


def lzw_encode(indices, min_code_size):
    """GIF flavour of LZW: clear code first, variable width LSB-first codes,
    table reset when it is full."""
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size = min_code_size + 1
    table = {}
    next_code = eoi + 1
    emit(clear, size)
    cur = indices[0]
    for k in indices[1:]:
        key = (cur, k)
        if key in table:
            cur = table[key]
            continue
        emit(cur, size)
        table[key] = next_code
        next_code += 1
        if next_code > (1 << size) and size < 12:
            size += 1
        if next_code >= 4096:
            emit(clear, size)
            table = {}
            next_code = eoi + 1
            size = min_code_size + 1
        cur = k
    emit(cur, size)
    emit(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(cv, background):
    """GIF89a with a global palette; the background colour is palette entry 0."""
    colours = {background}
    for y in range(cv.h):
        for x in range(cv.w):
            colours.add(cv.get(x, y))
    palette = [background] + sorted(colours - {background})
    if len(palette) > 256:
        raise ValueError("too many colours for a GIF")
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette += [(0, 0, 0)] * ((1 << bits) - len(palette))
    index = {c: i for i, c in enumerate(palette[:len(colours)])}
    pixels = [index[cv.get(x, y)] for y in range(cv.h) for x in range(cv.w)]
    min_code = max(2, bits)
    data = lzw_encode(pixels, min_code)
    blocks = bytearray()
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        blocks.append(len(part))
        blocks += part
    blocks.append(0)
    return (b"GIF89a" + struct.pack("<HHBBB", cv.w, cv.h, 0xF0 | (bits - 1), 0, 0)
            + b"".join(bytes(c) for c in palette)
            + b"\x2c" + struct.pack("<HHHHB", 0, 0, cv.w, cv.h, 0)
            + bytes((min_code,)) + bytes(blocks) + b"\x3b")


# ------------------------------------------------------------ shared look

# Window frame, outermost ring first (4 px, as the title bar control paints it).
FRAME = [(12, 24, 56), (212, 172, 84), (142, 104, 38), (24, 46, 100)]

GOLD_HI = (252, 226, 140)
GOLD_LO = (196, 138, 42)
NAVY = (14, 22, 48)


def skin0_background(row):
    if row <= 23:
        return mix((61, 162, 232), (30, 126, 197), row / 23)
    return (15, 106, 172)


def skin1_background(row):
    if row <= 25:
        return mix((100, 143, 230), (71, 114, 201), row / 25)
    return [(57, 100, 187), (36, 79, 166)][row - 26]


def bar_row(y):
    """Title bar colour of row y inside the frame. The tab strip (style 1,
    3 px below the top) stretches the skin column over 32 rows, so the bar
    follows the same gradient and the strip melts into it."""
    return skin1_background(clamp((y - 3) * 28 // 32, 0, 27))


def title_skin_pixel(x, y, w=94, h=85, bar_h=37):
    if y < bar_h:
        d = min(x, w - 1 - x, y)
        return FRAME[d] if d < 4 else bar_row(y)
    d = min(x, w - 1 - x, h - 1 - y)
    if d < 4:
        return FRAME[d]
    return mix((30, 46, 88), (18, 28, 58), (y - bar_h) / (h - bar_h))


# ---------------------------------------------------------------- emblem

SHIELD = [(0.16, 0.08), (0.84, 0.08), (0.86, 0.50), (0.78, 0.70), (0.64, 0.84),
          (0.50, 0.94), (0.36, 0.84), (0.22, 0.70), (0.14, 0.50)]


def emblem(size):
    """Gold-rimmed navy shield with a gold V, anti-aliased, straight alpha."""
    cv = Canvas(size, size, (0, 0, 0), 0)
    pts = [(x * size, y * size) for x, y in SHIELD]
    outline = max(1.0, size * 0.03)
    rim = max(1.0, size * 0.06)
    half = max(0.9, size * 0.055)
    v_l, v_r, v_b = (0.31 * size, 0.27 * size), (0.69 * size, 0.27 * size), (0.50 * size, (0.74 if size >= 32 else 0.70) * size)
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            sd = sd_convex(px, py, pts)
            a = clamp(0.5 - sd, 0.0, 1.0)
            if a <= 0:
                continue
            t = py / size
            c = mix((48, 84, 158), (12, 24, 60), t)
            dv = min(sd_segment(px, py, v_l[0], v_l[1], v_b[0], v_b[1]),
                     sd_segment(px, py, v_r[0], v_r[1], v_b[0], v_b[1])) - half
            if size >= 32:
                c = mix(c, NAVY, clamp(0.5 - (dv - 1.0), 0.0, 1.0))
            c = mix(c, mix(GOLD_HI, GOLD_LO, t), clamp(0.5 - dv, 0.0, 1.0))
            c = mix(c, mix((240, 204, 112), (150, 104, 32), t), clamp(0.5 + sd + outline + rim, 0.0, 1.0))
            c = mix(c, NAVY, clamp(0.5 + sd + outline, 0.0, 1.0))
            cv.put(x, y, c, rnd(a * 255))
    return cv


# ------------------------------------------------------- login background

def login_background():
    W, H = 1237, 696
    cv = Canvas(W, H)
    moon = (215.0, 140.0, 46.0)
    far = [430 + 34 * math.sin(x * 0.011 + 1.3) + 17 * math.sin(x * 0.027 + 0.4)
           + 7 * math.sin(x * 0.07) for x in range(W)]
    near = [566 + 26 * math.sin(x * 0.008 + 2.0) + 11 * math.sin(x * 0.021 + 1.1)
            + 4 * math.sin(x * 0.055) for x in range(W)]
    castle = castle_mask(W, H)
    for y in range(H):
        sky = mix((6, 10, 30), (44, 64, 122), clamp(y / 520.0, 0.0, 1.0) ** 1.3)
        for x in range(W):
            m = castle[y * W + x]
            if y >= near[x]:
                c = (40, 56, 104) if y - near[x] < 1.0 else mix((14, 21, 44), (6, 10, 24), clamp((y - near[x]) / 90.0, 0.0, 1.0))
            elif m == 2:
                c = (246, 200, 98)
            elif m == 1:
                c = (9, 13, 30)
            elif y >= far[x]:
                c = mix((38, 56, 106), (18, 28, 62), clamp((y - far[x]) / 110.0, 0.0, 1.0))
            else:
                d = math.hypot(x - moon[0], y - moon[1])
                glow = math.exp(-(d - moon[2]) / 85.0) if d > moon[2] else 1.0
                c = mix(sky, (120, 118, 120), 0.55 * glow)
            cv.put(x, y, c)
    draw_stars(cv, far, moon)
    draw_moon(cv, moon)
    draw_panel(cv)
    draw_title(cv, "VORNHOLD 2", 7, 575, 86, GOLD_HI, GOLD_LO, (30, 18, 4), 4)
    finish_edges(cv, 20, 20, W - 20, H - 20, 40, 12, border=True)
    return cv


def castle_mask(W, H):
    """1 = stone, 2 = lit window."""
    mask = bytearray(W * H)

    def fill(x0, y0, x1, y1, v=1):
        for y in range(max(0, y0), min(H, y1)):
            for x in range(max(0, x0), min(W, x1)):
                mask[y * W + x] = v

    def battlemented(x0, y0, x1, y1):
        fill(x0, y0, x1, y1)
        for x in range(x0, x1):
            if (x - x0) % 10 < 5:
                fill(x, y0 - 6, x + 1, y0)

    def roof(cx, apex, base, half):
        for y in range(apex, base):
            hw = half * (y - apex) / (base - apex)
            fill(int(math.ceil(cx - hw)), y, int(math.floor(cx + hw)) + 1, y + 1)

    battlemented(60, 440, 100, 640)
    battlemented(306, 452, 346, 640)
    battlemented(150, 300, 250, 640)
    fill(100, 350, 140, 640)
    roof(120, 296, 350, 26)
    fill(262, 330, 306, 640)
    roof(284, 268, 330, 28)
    fill(188, 250, 212, 300)
    roof(200, 200, 250, 18)
    fill(199, 182, 201, 200)
    for y in range(183, 192):
        fill(201, y, 201 + (192 - y) * 14 // 9, y + 1)
    for x, y, w, h in ((196, 330, 8, 12), (166, 382, 6, 10), (228, 382, 6, 10),
                       (196, 420, 8, 12), (117, 398, 6, 9), (281, 372, 6, 9),
                       (197, 262, 6, 10), (281, 430, 6, 9)):
        fill(x, y, x + w, y + h, 2)
    return mask


def draw_stars(cv, far, moon):
    rng = Lcg(0x5EED2)
    placed = 0
    while placed < 320:
        x = 24 + rng.below(cv.w - 48)
        y = 24 + rng.below(440)
        b = 110 + rng.below(146)
        big = rng.below(7) == 0
        if y >= far[x] - 4 or math.hypot(x - moon[0], y - moon[1]) < 100:
            continue
        if 560 <= x <= 1000 and 78 <= y <= 146:  # keep the title clean
            continue
        if 1100 <= x <= 1200 and 110 <= y <= 175:  # under the login buttons
            continue
        placed += 1
        star = (b, b, min(255, b + 20))
        cv.blend(x, y, star, 1.0)
        if big:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                cv.blend(x + dx, y + dy, star, 0.45)


def draw_moon(cv, moon):
    mx, my, r = moon
    craters = ((-14, -10, 9), (12, 8, 7), (-4, 18, 5), (18, -16, 4))
    for y in range(int(my - r - 2), int(my + r + 3)):
        for x in range(int(mx - r - 2), int(mx + r + 3)):
            d = math.hypot(x + 0.5 - mx, y + 0.5 - my)
            cover = clamp(r + 0.5 - d, 0.0, 1.0)
            if cover <= 0:
                continue
            c = mix((252, 240, 198), (226, 206, 150), clamp((d / r) ** 2, 0.0, 1.0))
            for cx, cy, cr in craters:
                if math.hypot(x + 0.5 - mx - cx, y + 0.5 - my - cy) < cr:
                    c = scale_rgb(c, 0.9)
            cv.blend(x, y, c, cover)


def draw_panel(cv):
    """Frame around the box where the login page is shown."""
    x0, y0, x1, y1 = 408, 172, 1154, 611
    for y in range(y0, y1):
        for x in range(x0, x1):
            d = min(x - x0, x1 - 1 - x, y - y0, y1 - 1 - y)
            if d == 0 or d == 3:
                cv.put(x, y, (20, 14, 6))
            elif d < 3:
                cv.put(x, y, GOLD_HI if d == 1 else GOLD_LO)
            else:
                cv.put(x, y, mix(cv.get(x, y), (6, 10, 26), 0.62))


def finish_edges(cv, x0, y0, x1, y1, radius, ramp, border):
    """Alpha from a rounded rectangle: transparent outside, a soft ramp of
    `ramp` pixels, opaque inside; optional gold line along the inside."""
    for y in range(cv.h):
        for x in range(cv.w):
            sd = sd_round_rect(x + 0.5, y + 0.5, x0, y0, x1, y1, radius)
            if sd >= 0:
                cv.put(x, y, (0, 0, 0), 0)
                continue
            if border:
                if -ramp - 9 <= sd < -ramp - 7:
                    cv.put(x, y, GOLD_LO if sd < -ramp - 8 else GOLD_HI)
                elif -ramp - 10 <= sd < -ramp - 9 or -ramp - 7 <= sd < -ramp - 6:
                    cv.put(x, y, (20, 14, 6))
            a = clamp(-sd / ramp, 0.0, 1.0)
            cv.put(x, y, cv.get(x, y), rnd(a * 255))


# ----------------------------------------------------------------- splash

def splash():
    W, H = 356, 122
    cv = Canvas(W, H)
    for y in range(H):
        c = mix((36, 58, 116), (8, 14, 38), y / (H - 1))
        for x in range(W):
            cv.put(x, y, c)
    rng = Lcg(0x5A1A5)
    for _ in range(60):
        x, y, b = 10 + rng.below(W - 20), 10 + rng.below(H - 20), 90 + rng.below(110)
        cv.put(x, y, (b, b, min(255, b + 25)))
    # ornament under the title: a line with a diamond in the middle
    for x in range(70, 287):
        fade = 1.0 - abs(x - 178) / 108.0
        cv.blend(x, 84, GOLD_HI, fade)
    for y in range(78, 91):
        hw = 6 - abs(y - 84)
        for x in range(178 - hw, 179 + hw):
            cv.put(x, y, GOLD_HI if y < 84 else GOLD_LO)
    draw_title(cv, "VORNHOLD 2", 5, 30, 26, GOLD_HI, GOLD_LO, (24, 14, 2), 3)
    # double gold line along the edge, then the soft transparent rim
    for y in range(H):
        for x in range(W):
            sd = sd_round_rect(x + 0.5, y + 0.5, 3, 3, W - 3, H - 3, 16)
            if -9 <= sd < -8 or -6 <= sd < -5:
                cv.put(x, y, GOLD_LO if sd < -8 else GOLD_HI)
    finish_edges(cv, 3, 3, W - 3, H - 3, 16, 4, border=False)
    return cv


# ------------------------------------------------------------- tab skins

def tab_fill(style, state, y, top, bottom):
    t = clamp((y - top) / max(1, bottom - top), 0.0, 1.0)
    if state == "selected":
        if style == 0:
            return (250, 249, 250)
        return mix((255, 255, 255), (226, 228, 232), t)
    if style == 0:
        return mix((206, 228, 248), (164, 200, 236), t) if state == "normal" \
            else mix((232, 244, 254), (196, 224, 248), t)
    return mix((216, 230, 250), (184, 206, 240), t) if state == "normal" \
        else mix((236, 244, 254), (208, 226, 250), t)


TAB_OUTLINE = (22, 64, 124)


def draw_tab(cv, ox, w, h, style, state):
    """One tab image in its own columns [ox, ox + w), rows 0..h-1."""
    top = 2

    def inside(x, y):
        if x < 0 or x >= w or y < top or y >= h:
            return False
        if style == 0:  # trapezoid, 14-pixel slopes
            left = rnd(14 * (h - 1 - y) / (h - 1 - top))
            return left <= x <= w - 1 - left
        r = 5  # rounded top corners
        if y < top + r and (x < r or x > w - 1 - r):
            cx = r if x < r else w - 1 - r
            if (x - cx) ** 2 + (y - (top + r)) ** 2 > r * r + 1:
                return False
        return True

    for y in range(h):
        for x in range(w):
            if not inside(x, y):
                cv.put(ox + x, y, MAGENTA)
                continue
            # the bottom row counts as open so the outline stops there
            edge = not (inside(x - 1, y) and inside(x + 1, y) and inside(x, y - 1)
                        and (y == h - 1 or inside(x, y + 1)))
            if edge:
                c = TAB_OUTLINE
            elif y == h - 1 and state != "selected":
                c = TAB_OUTLINE
            elif y == top + 1 and state != "selected":
                c = mix(tab_fill(style, state, y, top, h - 1), (255, 255, 255), 0.6)
            else:
                c = tab_fill(style, state, y, top, h - 1)
            cv.put(ox + x, y, c)


def on_cross(x, y):
    return 3 <= x <= 8 and 3 <= y <= 8 and (x == y or x + y == 11)


def draw_close_glyph(cv, ox, rows, kind):
    for y in range(rows):
        for x in range(12):
            c = MAGENTA
            if y < 12:
                disc = (x + 0.5 - 6) ** 2 + (y + 0.5 - 6) ** 2 <= 5.7 ** 2
                if kind == "selected":
                    if on_cross(x, y):
                        c = (61, 78, 110)
                    elif any(on_cross(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                        c = (228, 234, 244)
                elif kind == "other":
                    if on_cross(x, y):
                        c = (37, 42, 51)
                elif disc:
                    c = (255, 255, 255) if on_cross(x, y) else \
                        (212, 116, 116) if kind == "hot" else (67, 30, 32)
            cv.put(ox + x, y, c)


def tab_skin(style):
    if style == 0:
        W, H, tab_w, tab_h, bg = 415, 25, 122, 25, skin0_background
    else:
        W, H, tab_w, tab_h, bg = 421, 28, 124, 26, skin1_background
    cv = Canvas(W, H, MAGENTA)
    for y in range(H):
        cv.put(0, y, bg(y))
    for i, state in enumerate(("normal", "hover", "selected")):
        draw_tab(cv, 1 + i * tab_w, tab_w, tab_h, style, state)
    glyph_x = 1 + 3 * tab_w
    for i, kind in enumerate(("selected", "other", "hot", "pressed")):
        draw_close_glyph(cv, glyph_x + 12 * i, H, kind)
    return cv


# ----------------------------------------------------- window button strips

def rounded_box(fw, y0, y1, x, y):
    """Inside of a box over the whole frame width minus one pixel, corners cut."""
    if not (1 <= x <= fw - 2 and y0 <= y <= y1):
        return False
    corner = (x in (1, fw - 2)) and (y in (y0, y1))
    return not corner


GLYPH_LIGHT = (236, 240, 250)
GLYPH_DARK = (16, 30, 68)


def glyph_pixels(kind, fw):
    cx, cy = fw // 2, 9
    pts = set()
    if kind == "min":
        for x in range(cx - 4, cx + 4):
            for y in (12, 13):
                pts.add((x, y))
    elif kind == "max":
        for x in range(cx - 4, cx + 5):
            for y in range(5, 14):
                if y in (5, 6, 13) or x in (cx - 4, cx + 4):
                    pts.add((x, y))
    elif kind == "restore":
        for x in range(cx - 2, cx + 5):   # back window
            for y in range(4, 11):
                if y in (4, 5) or x == cx + 4 or (y == 10 and x >= cx + 2):
                    pts.add((x, y))
        for x in range(cx - 4, cx + 3):   # front window
            for y in range(7, 14):
                if y in (7, 8, 13) or x in (cx - 4, cx + 2):
                    pts.add((x, y))
    elif kind == "close":
        for i in range(8):
            for t in (0, 1):
                pts.add((cx - 4 + i + t, cy - 4 + i))
                pts.add((cx + 3 - i + t, cy - 4 + i))
    elif kind == "tool":
        for y in (4, 5, 8, 9, 12, 13):
            for x in range(cx - 5, cx + 5):
                pts.add((x, y))
    return pts


def button_frame(cv, ox, fw, kind, state, bar_offset=1):
    """normal: the bar itself with a light glyph; hover: gold box; pressed:
    darker box, glyph one pixel down-right. The close button turns red."""
    red = kind == "close"
    fills = {
        "hover": ((200, 58, 44), (126, 28, 20)) if red else ((224, 182, 90), (150, 108, 36)),
        "pressed": ((130, 26, 18), (80, 12, 8)) if red else ((156, 114, 40), (96, 66, 20)),
    }
    glyph = glyph_pixels(kind, fw)
    shift = 1 if state == "pressed" else 0
    for y in range(18):
        for x in range(fw):
            c = title_skin_pixel(47, y + bar_offset)
            if state != "normal" and rounded_box(fw, 3, 16, x, y):
                fill, border = fills[state]
                edge = x in (1, fw - 2) or y in (3, 16)
                c = border if edge else mix(fill, scale_rgb(fill, 0.8), (y - 3) / 13)
            if (x - shift, y - shift) in glyph:
                if state == "normal":
                    c = GLYPH_LIGHT
                elif state == "hover" and not red:
                    c = GLYPH_DARK
                else:
                    c = (255, 255, 255)
            elif state == "normal" and (x - 1, y - 1) in glyph:
                c = scale_rgb(c, 0.55)  # soft shadow keeps the glyph readable
            cv.put(ox + x, y, c)


def button_strip(fw, kinds):
    cv = Canvas(fw * len(kinds) * 3, 18)
    i = 0
    for kind in kinds:
        for state in ("normal", "hover", "pressed"):
            button_frame(cv, i * fw, fw, kind, state)
            i += 1
    return cv


def link_button(fw, fh):
    """Background for a text button on the title bar: the caption is drawn by
    the button, the strip only supplies the state look."""
    cv = Canvas(fw * 3, fh)
    for i, state in enumerate(("normal", "hover", "pressed")):
        for y in range(fh):
            for x in range(fw):
                c = title_skin_pixel(47, y)
                if state != "normal" and rounded_box(fw, 4, fh - 2, x, y):
                    edge = x in (1, fw - 2) or y in (4, fh - 2)
                    if state == "hover":
                        c = (214, 172, 84) if edge else mix(c, (255, 255, 255), 0.18)
                    else:
                        c = (142, 104, 38) if edge else scale_rgb(c, 0.7)
                cv.put(i * fw + x, y, c)
    return cv


def dialog_button(fw, fh):
    """Background for the captioned buttons of the exit dialog (white dialog)."""
    cv = Canvas(fw * 3, fh, (255, 255, 255))
    looks = {
        "normal": ((240, 245, 253), (204, 220, 244), (60, 100, 172)),
        "hover": ((255, 242, 204), (238, 204, 128), (168, 124, 40)),
        "pressed": ((212, 174, 92), (238, 212, 150), (118, 86, 28)),
    }
    for i, state in enumerate(("normal", "hover", "pressed")):
        top, bottom, border = looks[state]
        for y in range(fh):
            for x in range(fw):
                if x in (0, fw - 1) and y in (0, fh - 1):
                    continue  # corners stay the dialog's white
                edge = x in (0, fw - 1) or y in (0, fh - 1)
                c = border if edge else mix(top, bottom, (y - 1) / (fh - 3))
                cv.put(i * fw + x, y, c)
    return cv


def logo():
    """29 x 29, sits 7 px from the left and 2 px from the top of the title bar,
    so the emblem is painted over exactly that part of the bar."""
    em = emblem(29)
    cv = Canvas(29, 29)
    for y in range(29):
        for x in range(29):
            base = title_skin_pixel(x + 7, y + 2)
            a = em.alpha(x, y) / 255.0
            cv.put(x, y, mix(base, em.get(x, y), a), 255)
    return cv


def title_skin():
    cv = Canvas(94, 85)
    for y in range(85):
        for x in range(94):
            cv.put(x, y, title_skin_pixel(x, y))
    return cv


# ------------------------------------------------------------ login GIFs

GIF_BG = (254, 254, 254)


def login_button(size, kind):
    """Round gold-rimmed button. Edge pixels are blended towards the night sky
    of the login picture, never towards the colour-keyed background."""
    cv = Canvas(size, size, GIF_BG)
    c0 = (size - 1) / 2.0 + 0.5
    r = size / 2.0 - 1.5
    sky = (14, 22, 48)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - c0, y + 0.5 - c0)
            cover = clamp(r + 0.5 - d, 0.0, 1.0)
            if cover <= 0:
                continue
            t = (y + 0.5) / size
            if d > r - 2.5:
                c = mix(GOLD_HI, GOLD_LO, t)
            elif d > r - 3.5:
                c = (20, 14, 6)
            else:
                c = mix((46, 80, 150), (14, 26, 64), t)
            px, py = x + 0.5 - c0, y + 0.5 - c0
            if kind == "mini":
                g = max(abs(px) - size * 0.22, abs(py) - 1.3)
            else:
                arm = size * 0.19
                g = min(sd_segment(px, py, -arm, -arm, arm, arm),
                        sd_segment(px, py, -arm, arm, arm, -arm)) - 1.6
            c = mix(c, (250, 250, 250), clamp(0.5 - g, 0.0, 1.0))
            cv.put(x, y, c if cover >= 1 else mix(sky, c, cover))
    return cv


# ------------------------------------------------------------------- main

def main():
    write("login_bg.png", png_bytes(1237, 696, login_background().px))
    write("splash.png", png_bytes(356, 122, splash().px))

    icons = []
    for size in (16, 24, 32, 48, 64, 256):
        em = emblem(size)
        icons.append((size, png_bytes(size, size, em.px) if size == 256 else ico_bmp_entry(em)))
    write("vorn2.ico", ico_bytes(icons))

    write("btn_min.bmp", bmp_bytes(button_strip(24, ["min"]), 24))
    write("btn_minmax.bmp", bmp_bytes(button_strip(25, ["max", "restore"]), 24))
    write("btn_close.bmp", bmp_bytes(button_strip(43, ["close"]), 24))
    write("btn_tool.bmp", bmp_bytes(button_strip(24, ["tool"]), 24))
    write("logo.bmp", bmp_bytes(logo(), 32))
    write("tab_skin0.bmp", bmp_bytes(tab_skin(0), 24))
    write("tab_skin1.bmp", bmp_bytes(tab_skin(1), 24))
    write("title_skin.bmp", bmp_bytes(title_skin(), 24))
    write("btn_gamespace.bmp", bmp_bytes(link_button(81, 22), 24))
    write("btn_otheruser.bmp", bmp_bytes(link_button(99, 22), 24))
    write("btn_dialog.bmp", bmp_bytes(dialog_button(65, 25), 24))

    write("mini.gif", gif_bytes(login_button(28, "mini"), GIF_BG))
    write("close.gif", gif_bytes(login_button(34, "close"), GIF_BG))


if __name__ == "__main__":
    main()
