#!/usr/bin/env python3
"""Draws the search wizard's step pictures as 150x270 XPM images: a rotary card file (choose
disks or files), a paper form (choose the field, the comparison and the value) and a window
with a list (the results). They share the drive icons' look: shapes drawn at four times the
size and averaged down, soft vertical shading, dark outlines, on a blue panel.

Run it in this folder; the XPMs are kept in the repository."""

import math

W, H = 150, 270
SCALE = 4


def hexrgb(h):
    return (int(h[1:3], 16), int(h[3:5], 16), int(h[5:7], 16))


def lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vertical(top, bottom, y0, y1):
    return lambda x, y: lerp(hexrgb(top), hexrgb(bottom), (y - y0) / max(1e-6, y1 - y0))


DARK = hexrgb('#1E2328')
PAPER = hexrgb('#FBFBF8')
INK = hexrgb('#5C636C')


class Canvas:
    def __init__(self):
        self.w, self.h = W * SCALE, H * SCALE
        self.px = [[(0.0, 0.0, 0.0)] * self.w for _ in range(self.h)]

    def plot(self, x, y, colour, alpha):
        r, g, b = colour
        pr, pg, pb = self.px[y][x]
        self.px[y][x] = (pr + (r - pr) * alpha, pg + (g - pg) * alpha, pb + (b - pb) * alpha)

    # Shapes take coordinates on the 150x270 grid and the box they lie in.
    def fill(self, inside, box, colour, shade=None, alpha=1.0):
        x0, y0, x1, y1 = box
        for y in range(max(0, int(y0 * SCALE) - 1), min(self.h, int(y1 * SCALE) + 2)):
            for x in range(max(0, int(x0 * SCALE) - 1), min(self.w, int(x1 * SCALE) + 2)):
                fx, fy = (x + 0.5) / SCALE, (y + 0.5) / SCALE
                if inside(fx, fy):
                    self.plot(x, y, shade(fx, fy) if shade else colour, alpha)

    def rect(self, x0, y0, x1, y1, colour, shade=None, radius=0.0, alpha=1.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            if radius <= 0:
                return True
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
        self.fill(inside, (x0, y0, x1, y1), colour, shade, alpha)

    def outline(self, x0, y0, x1, y1, colour, width=1.0, radius=0.0):
        def within(x, y, a0, b0, a1, b1, r):
            if not (a0 <= x <= a1 and b0 <= y <= b1):
                return False
            if r <= 0:
                return True
            cx = min(max(x, a0 + r), a1 - r)
            cy = min(max(y, b0 + r), b1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2

        def inside(x, y):
            return within(x, y, x0, y0, x1, y1, radius) and not within(
                x, y, x0 + width, y0 + width, x1 - width, y1 - width, max(0.0, radius - width))
        self.fill(inside, (x0, y0, x1, y1), colour)

    def circle(self, cx, cy, r, colour, shade=None, alpha=1.0):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                  (cx - r, cy - r, cx + r, cy + r), colour, shade, alpha)

    def ring(self, cx, cy, r0, r1, colour):
        self.fill(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1,
                  (cx - r1, cy - r1, cx + r1, cy + r1), colour)

    def polygon(self, points, colour, shade=None, alpha=1.0):
        def inside(x, y):
            c = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, (min(xs), min(ys), max(xs), max(ys)), colour, shade, alpha)

    def line(self, x0, y0, x1, y1, colour, width=1.0):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        half = width / 2 + 1
        self.fill(inside, (min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half,
                           max(y0, y1) + half), colour)

    def downsample(self):
        out = []
        n = SCALE * SCALE
        for y in range(H):
            row = []
            for x in range(W):
                r = g = b = 0.0
                for sy in range(SCALE):
                    for sx in range(SCALE):
                        pr, pg, pb = self.px[y * SCALE + sy][x * SCALE + sx]
                        r, g, b = r + pr, g + pg, b + pb
                row.append((round(r / n), round(g / n), round(b / n)))
            out.append(row)
        return out


def quantize(pixels, levels=16):
    """Keeps the palette small: every channel to the nearest of a few steps per 256."""
    step = 256 // (levels * 8)
    return [[tuple(min(255, (v + step // 2) // step * step) for v in p) for p in row]
            for row in pixels]


def write(name, canvas):
    pixels = quantize(canvas.downsample())
    colours = sorted({p for row in pixels for p in row})
    alphabet = ('abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
                '#$%&*+-/:;<=>?@[]^_`{|}~')
    width = 2 if len(colours) <= len(alphabet) ** 2 else 3
    symbols = []
    for i in range(len(colours)):
        s = ''
        v = i
        for _ in range(width):
            s = alphabet[v % len(alphabet)] + s
            v //= len(alphabet)
        symbols.append(s)
    table = {c: symbols[i] for i, c in enumerate(colours)}
    lines = ['/* XPM */', 'static const char* image[] = {',
             '"%d %d %d %d",' % (W, H, len(colours), width)]
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((table[c],) + c))
    for row in pixels:
        lines.append('"%s",' % ''.join(table[p] for p in row))
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(name, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def panel(c):
    """The wizard's side panel: deep blue at the top fading to a light one, a soft glow."""
    c.rect(0, 0, W, H, None, vertical('#1F4A8F', '#9DB8E0', 0, H))
    c.circle(75, 150, 70, hexrgb('#FFFFFF'), alpha=0.10)
    c.circle(75, 150, 46, hexrgb('#FFFFFF'), alpha=0.10)
    # A step marker at the top: three dots, the current one lit.


def steps(c, current):
    for i in range(3):
        x = 57 + i * 18
        if i == current:
            c.circle(x, 20, 5.5, hexrgb('#F2C230'))
            c.ring(x, 20, 5.0, 6.0, DARK)
        else:
            c.circle(x, 20, 4.0, hexrgb('#E6ECF5'), alpha=0.7)


def shadow(c, x0, y0, x1, y1, radius=2.0):
    c.rect(x0 + 4, y0 + 5, x1 + 4, y1 + 5, hexrgb('#0A1830'), radius=radius, alpha=0.25)


def card_file():
    """A rotary card file: cards fanned on a wheel between two stands, one card showing a
    floppy disk and the one in front a page of a file."""
    c = Canvas()
    panel(c)
    steps(c, 0)
    # The stands and the axle.
    c.polygon([(22, 226), (34, 150), (42, 150), (36, 226)], None,
              vertical('#8A929C', '#4D545D', 150, 226))
    c.polygon([(128, 226), (116, 150), (108, 150), (114, 226)], None,
              vertical('#8A929C', '#4D545D', 150, 226))
    c.rect(14, 222, 136, 232, None, vertical('#6B737D', '#3C4249', 222, 232), radius=3)
    c.outline(14, 222, 136, 232, DARK, 0.8, radius=3)
    # Cards behind, fanned around the axle.
    for angle in (-60, -42, -24, 24, 42, 60):
        a = math.radians(angle)
        cx, cy = 75 + 38 * math.sin(a), 150 - 38 * math.cos(a)
        dx, dy = math.cos(a), math.sin(a)
        ux, uy = -math.sin(a), math.cos(a)
        pts = []
        for sx, sy in ((-34, -20), (34, -20), (34, 22), (-34, 22)):
            pts.append((cx + dx * sx + ux * sy, cy + dy * sx + uy * sy))
        c.polygon(pts, None, vertical('#F4F1E6', '#C9C3B0', cy - 25, cy + 25))
        for i in range(4):
            j = (i + 1) % 4
            c.line(pts[i][0], pts[i][1], pts[j][0], pts[j][1], DARK, 0.6)
    c.circle(75, 150, 7, None, vertical('#D0D5DB', '#6B737D', 143, 157))
    c.ring(75, 150, 6.4, 7.2, DARK)
    # The card in front, a little tilted toward the viewer.
    shadow(c, 24, 112, 126, 206)
    c.rect(24, 112, 126, 206, None, vertical('#FFFFFF', '#ECE8DC', 112, 206), radius=3)
    c.outline(24, 112, 126, 206, DARK, 1.0, radius=3)
    c.rect(24, 112, 126, 126, None, vertical('#F2C230', '#D9A514', 112, 126), radius=3)
    c.rect(24, 122, 126, 126, hexrgb('#D9A514'))
    c.line(24, 126, 126, 126, DARK, 0.8)
    # A floppy disk on the left of the card, a page of a file on the right.
    c.rect(34, 136, 70, 172, None, vertical('#3D74C9', '#1F4A8F', 136, 172), radius=1.5)
    c.outline(34, 136, 70, 172, DARK, 0.8, radius=1.5)
    c.rect(42, 136.5, 62, 148, None, vertical('#D9DDE2', '#A6ADB5', 136, 148))
    c.rect(55, 138.5, 59, 146, hexrgb('#2A3038'))
    c.rect(39, 154, 65, 172, PAPER)
    c.outline(39, 154, 65, 172, DARK, 0.6)
    for y in (159, 163, 167):
        c.line(42, y, 62, y, hexrgb('#9FB4D6'), 0.8)
    c.polygon([(82, 136), (106, 136), (114, 144), (114, 176), (82, 176)], PAPER)
    c.polygon([(106, 136), (114, 144), (106, 144)], hexrgb('#C9CED5'))
    for a, b in (((82, 136), (106, 136)), ((106, 136), (114, 144)), ((114, 144), (114, 176)),
                 ((114, 176), (82, 176)), ((82, 176), (82, 136)), ((106, 136), (106, 144)),
                 ((106, 144), (114, 144))):
        c.line(a[0], a[1], b[0], b[1], DARK, 0.8)
    for y in (150, 155, 160, 165, 170):
        c.line(86, y, 108 if y != 170 else 98, y, INK, 1.0)
    c.line(34, 188, 116, 188, hexrgb('#B8B2A0'), 0.8)
    c.line(34, 196, 96, 196, hexrgb('#B8B2A0'), 0.8)
    return c


def paper_form():
    """A paper form on a clipboard: a field box, a comparison and a value filled in, and a
    pencil writing on it."""
    c = Canvas()
    panel(c)
    steps(c, 1)
    shadow(c, 22, 52, 128, 240, radius=4)
    c.rect(22, 52, 128, 240, None, vertical('#B07A45', '#7A4E26', 52, 240), radius=4)
    c.outline(22, 52, 128, 240, DARK, 1.0, radius=4)
    c.rect(30, 66, 120, 232, None, vertical('#FFFFFF', '#EEEBE2', 66, 232))
    c.outline(30, 66, 120, 232, DARK, 0.8)
    # The clip.
    c.rect(55, 44, 95, 72, None, vertical('#E4E7EB', '#8A929C', 44, 72), radius=3)
    c.outline(55, 44, 95, 72, DARK, 0.9, radius=3)
    c.rect(66, 48, 84, 56, hexrgb('#5C636C'), radius=2)
    # Three labelled fields of the form.
    for i, (y, fill) in enumerate(((86, '#DCE7F7'), (126, '#F7EBCB'), (166, '#DCF2E0'))):
        c.line(38, y, 38 + (40, 52, 30)[i], y, INK, 1.6)
        c.rect(38, y + 8, 112, y + 26, hexrgb(fill))
        c.outline(38, y + 8, 112, y + 26, DARK, 0.8)
    c.polygon([(100, 102), (108, 102), (104, 107)], DARK)  # a drop-down arrow
    c.line(96, 95, 96, 113, DARK, 0.6)
    c.line(42, 140, 80, 140, hexrgb('#2F5FA8'), 2.0)
    c.line(42, 180, 70, 180, hexrgb('#2E8B3E'), 2.0)
    # A check box and its label.
    c.rect(38, 202, 48, 212, PAPER)
    c.outline(38, 202, 48, 212, DARK, 0.8)
    c.line(40, 207, 43, 210, hexrgb('#2E8B3E'), 1.6)
    c.line(43, 210, 47, 203, hexrgb('#2E8B3E'), 1.6)
    c.line(54, 207, 92, 207, INK, 1.4)
    # The pencil, lying across the form's corner.
    def along(t, s):
        x0, y0, x1, y1 = 132, 150, 86, 196
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy)
        return (x0 + dx * t + (-dy / n) * s, y0 + dy * t + (dx / n) * s)
    body = [along(0.0, -4.5), along(0.72, -4.5), along(0.72, 4.5), along(0.0, 4.5)]
    c.polygon(body, hexrgb('#F2C230'))
    c.polygon([along(0.0, -4.5), along(0.72, -4.5), along(0.72, -1.5), along(0.0, -1.5)],
              hexrgb('#D9A514'))
    c.polygon([along(0.72, -4.5), along(0.93, 0), along(0.72, 4.5)], hexrgb('#E8D2AE'))
    c.polygon([along(0.86, -1.4), along(0.93, 0), along(0.86, 1.4)], DARK)
    c.polygon([along(-0.10, -4.5), along(0.0, -4.5), along(0.0, 4.5), along(-0.10, 4.5)],
              hexrgb('#C8322E'))
    for i in range(len(body)):
        a, b = body[i], body[(i + 1) % len(body)]
        c.line(a[0], a[1], b[0], b[1], DARK, 0.7)
    return c


def window_list():
    """A window of results: title bar, column headings and rows, one of them highlighted, and
    a magnifying glass over it."""
    c = Canvas()
    panel(c)
    steps(c, 2)
    shadow(c, 14, 64, 134, 214, radius=3)
    c.rect(14, 64, 134, 214, None, vertical('#F2F4F7', '#DCE0E6', 64, 214), radius=3)
    c.rect(14, 64, 134, 80, None, vertical('#3D74C9', '#1F4A8F', 64, 80), radius=3)
    c.rect(14, 76, 134, 80, hexrgb('#1F4A8F'))
    c.outline(14, 64, 134, 214, DARK, 1.0, radius=3)
    for x in (110, 120):
        c.rect(x, 68, x + 7, 75, hexrgb('#E4E7EB'), radius=1)
    c.line(20, 72, 60, 72, hexrgb('#FFFFFF'), 1.6)
    # The list: headings, rows, the selected one.
    c.rect(20, 86, 128, 206, PAPER)
    c.outline(20, 86, 128, 206, DARK, 0.7)
    c.rect(20.5, 86.5, 127.5, 96, None, vertical('#E9ECF0', '#C9CED5', 86, 96))
    c.line(20, 96, 128, 96, DARK, 0.6)
    for x in (46, 88):
        c.line(x, 86, x, 96, hexrgb('#8A929C'), 0.6)
    for i in range(9):
        y = 100 + i * 11.5
        if i == 3:
            c.rect(21, y - 2.5, 127, y + 7.5, hexrgb('#3D74C9'))
            colour = hexrgb('#FFFFFF')
        else:
            colour = INK
        c.line(25, y + 2.5, 40, y + 2.5, colour, 1.3)
        c.line(51, y + 2.5, 80, y + 2.5, colour, 1.3)
        c.line(94, y + 2.5, 120 - (i % 3) * 5, y + 2.5, colour, 1.3)
    # The magnifying glass.
    c.line(104, 190, 126, 222, hexrgb('#4D545D'), 7.0)
    c.line(104, 190, 126, 222, hexrgb('#8A929C'), 4.0)
    c.circle(92, 172, 19, hexrgb('#DCEBFF'), alpha=0.55)
    c.ring(92, 172, 18, 22, DARK)
    c.ring(92, 172, 18.8, 21.2, hexrgb('#B8BEC6'))
    c.circle(85, 165, 5, hexrgb('#FFFFFF'), alpha=0.5)
    return c


write('ROLBRWS.BMP.xpm', card_file())
write('PPRFORM.BMP.xpm', paper_form())
write('WINBRWS.BMP.xpm', window_list())
