#!/usr/bin/env python3
"""Draws the step picture of the duplicate finder's wizard, PRTREPRT.BMP (150 x 230): a printer
with a printed report coming out of it, on the soft panel of a wizard's side picture, in the
manner of the drive icons (shapes drawn at four times the size and averaged down). Run it in
this folder; the XPM is kept in the repository."""

import math

SCALE = 4


class Canvas:
    def __init__(self, width, height, ground):
        self.w, self.h = width, height
        self.W, self.H = width * SCALE, height * SCALE
        self.px = [[ground] * self.W for _ in range(self.H)]

    def plot(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.W and 0 <= y < self.H:
            p = self.px[y][x]
            self.px[y][x] = tuple(c * alpha + q * (1 - alpha) for c, q in zip(colour, p))

    def fill(self, inside, colour, shade=None, alpha=1.0, box=None):
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0 * SCALE) - 1), min(self.H, int(y1 * SCALE) + 2)):
            for x in range(max(0, int(x0 * SCALE) - 1), min(self.W, int(x1 * SCALE) + 2)):
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
        self.fill(inside, colour, shade, alpha, (x0, y0, x1, y1))

    def outline(self, x0, y0, x1, y1, colour, width=1.0, radius=0.0):
        def within(a0, b0, a1, b1, r, x, y):
            if not (a0 <= x <= a1 and b0 <= y <= b1):
                return False
            if r <= 0:
                return True
            cx = min(max(x, a0 + r), a1 - r)
            cy = min(max(y, b0 + r), b1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2
        self.fill(lambda x, y: within(x0, y0, x1, y1, radius, x, y) and not within(
            x0 + width, y0 + width, x1 - width, y1 - width, max(0.0, radius - width), x, y),
            colour, box=(x0, y0, x1, y1))

    def polygon(self, points, colour, shade=None, alpha=1.0):
        xs, ys = [p[0] for p in points], [p[1] for p in points]

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
        self.fill(inside, colour, shade, alpha, (min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, colour, width=1.0):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        m = width
        self.fill(inside, colour, box=(min(x0, x1) - m, min(y0, y1) - m, max(x0, x1) + m,
                                       max(y0, y1) + m))

    def circle(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  box=(cx - r, cy - r, cx + r, cy + r))

    def downsample(self):
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                acc = [0.0, 0.0, 0.0]
                for sy in range(SCALE):
                    for sx in range(SCALE):
                        p = self.px[y * SCALE + sy][x * SCALE + sx]
                        for k in range(3):
                            acc[k] += p[k]
                n = SCALE * SCALE
                # a few levels per channel keep the palette small
                row.append(tuple(min(255, int(round(c / n / 6.0) * 6)) for c in acc))
            out.append(row)
        return out


def hexrgb(h):
    return (int(h[1:3], 16), int(h[3:5], 16), int(h[5:7], 16))


def lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vertical(top, bottom, y0, y1):
    return lambda x, y: lerp(hexrgb(top), hexrgb(bottom), (y - y0) / max(1e-6, y1 - y0))


def write(name, canvas):
    pixels = canvas.downsample()
    colours = sorted({p for row in pixels for p in row})
    alphabet = ('abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
                '#$%&*+-/:;<=>?@[]^_`{|}~')
    width = 1 if len(colours) <= len(alphabet) else 2
    def symbol(i):
        return alphabet[i] if width == 1 else alphabet[i // len(alphabet)] + alphabet[i % len(alphabet)]
    table = {c: symbol(i) for i, c in enumerate(colours)}
    lines = ['/* XPM */', 'static const char* image[] = {',
             '"%d %d %d %d",' % (canvas.w, canvas.h, len(colours), width)]
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((table[c],) + c))
    for row in pixels:
        lines.append('"%s",' % ''.join(table[p] for p in row))
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(name, 'w') as f:
        f.write('\n'.join(lines) + '\n')


DARK = hexrgb('#1E2328')


def printed_report():
    c = Canvas(150, 230, hexrgb('#2F5FA8'))
    # the wizard's side panel: a deep blue ground lightening towards the bottom
    c.rect(0, 0, 150, 230, None, vertical('#23457E', '#6F9AD8', 0, 230))
    for i in range(7):  # faint diagonal bands
        x = -60 + i * 40
        c.polygon([(x, 230), (x + 18, 230), (x + 138, 0), (x + 120, 0)], hexrgb('#FFFFFF'),
                  alpha=0.05)

    # the printed report: a long page falling out of the printer, lines of a listing on it
    page = [(36, 96), (114, 96), (120, 206), (30, 206)]
    c.polygon([(p[0] + 3, p[1] + 4) for p in page], hexrgb('#0B1A33'), alpha=0.35)  # shadow
    c.polygon(page, None, vertical('#FFFFFF', '#E9EDF3', 96, 206))
    for a, b in zip(page, page[1:] + page[:1]):
        c.line(a[0], a[1], b[0], b[1], DARK, 0.8)

    def across(y):  # the page's left and right edge at height y
        t = (y - 96) / 110.0
        return 36 - 6 * t, 114 + 6 * t
    c.line(*(lambda l, r: (l + 8, 106, r - 8, 106))(*across(106)), hexrgb('#2F5FA8'), 2.4)
    y = 117
    i = 0
    while y < 198:
        l, r = across(y)
        grey = hexrgb('#8A94A3') if i % 4 != 3 else hexrgb('#C8CED8')
        c.line(l + 7, y, l + 22, y, grey, 1.4)
        c.line(l + 27, y, r - 30 - (i * 7) % 19, y, grey, 1.4)
        c.line(r - 20, y, r - 7, y, grey, 1.4)
        y += 7
        i += 1

    # the printer: body, paper tray behind, output slot, panel and lights
    c.polygon([(40, 30), (110, 30), (104, 54), (46, 54)], None, vertical('#F4F6F9', '#C9D0D9', 30, 54))
    c.outline(40, 30, 110, 30.8, DARK, 0.8)
    c.line(40, 30, 46, 54, DARK, 0.8)
    c.line(110, 30, 104, 54, DARK, 0.8)
    c.rect(50, 18, 100, 36, None, vertical('#FFFFFF', '#E3E7EC', 18, 36))  # paper waiting
    c.outline(50, 18, 100, 36, DARK, 0.8)
    c.rect(18, 50, 132, 100, None, vertical('#E6E9EE', '#9BA3AE', 50, 100), radius=6)
    c.outline(18, 50, 132, 100, DARK, 1.0, radius=6)
    c.rect(20, 52, 130, 58, hexrgb('#FFFFFF'), alpha=0.35, radius=4)  # light on the top edge
    c.rect(30, 84, 120, 92, hexrgb('#2A3038'), radius=2)  # the output slot
    c.rect(92, 62, 122, 76, None, vertical('#3A3F46', '#16191D', 62, 76), radius=2)
    c.circle(101, 69, 2.6, hexrgb('#3CD24A'))
    c.circle(100.3, 68.3, 1.0, hexrgb('#E8FFE8'))
    c.circle(112, 69, 2.6, hexrgb('#E0A81C'))
    c.line(28, 68, 70, 68, hexrgb('#7C838C'), 1.2)
    c.line(28, 74, 60, 74, hexrgb('#7C838C'), 1.2)
    return c


if __name__ == '__main__':
    write('PRTREPRT.BMP.xpm', printed_report())
