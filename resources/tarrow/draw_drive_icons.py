#!/usr/bin/env python3
"""Draws the logging window's images as 32x32 XPM files: the drive-type icons and the Save
command picture in its resting (green) and lit (red) looks. (Its Close picture is the frame's
Exit picture, ~Cancelg.ico / ~Cancelr.ico, drawn by draw_icons.py.)

Shapes are drawn at four times the size and averaged down, so edges are smooth; the colours
are then written out as an XPM palette. Run it in this folder; the XPMs are kept in the
repository."""

import math

SIZE = 32
SCALE = 4
N = SIZE * SCALE


class Canvas:
    def __init__(self):
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * N for _ in range(N)]

    def plot(self, x, y, colour, alpha=1.0):
        if 0 <= x < N and 0 <= y < N:
            r, g, b = colour
            pr, pg, pb, pa = self.px[y][x]
            a = alpha + pa * (1 - alpha)
            if a == 0:
                return
            mix = lambda c, p: (c * alpha + p * pa * (1 - alpha)) / a
            self.px[y][x] = (mix(r, pr), mix(g, pg), mix(b, pb), a)

    # Shapes take coordinates on the 32-pixel grid.
    def fill(self, inside, colour, shade=None, alpha=1.0):
        for y in range(N):
            for x in range(N):
                fx, fy = (x + 0.5) / SCALE, (y + 0.5) / SCALE
                if inside(fx, fy):
                    c = shade(fx, fy) if shade else colour
                    self.plot(x, y, c, alpha)

    def rect(self, x0, y0, x1, y1, colour, shade=None, radius=0.0, alpha=1.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            if radius <= 0:
                return True
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
        self.fill(inside, colour, shade, alpha)

    def outline(self, x0, y0, x1, y1, colour, width=1.0, radius=0.0):
        def inside(x, y):
            def within(a0, b0, a1, b1, r):
                if not (a0 <= x <= a1 and b0 <= y <= b1):
                    return False
                if r <= 0:
                    return True
                cx = min(max(x, a0 + r), a1 - r)
                cy = min(max(y, b0 + r), b1 - r)
                return (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2
            return within(x0, y0, x1, y1, radius) and not within(
                x0 + width, y0 + width, x1 - width, y1 - width, max(0.0, radius - width))
        self.fill(inside, colour)

    def circle(self, cx, cy, r, colour, shade=None, alpha=1.0):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour, shade, alpha)

    def ring(self, cx, cy, r0, r1, colour, shade=None):
        self.fill(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, colour, shade)

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
        self.fill(inside, colour, shade, alpha)

    def line(self, x0, y0, x1, y1, colour, width=1.0):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        self.fill(inside, colour)

    def downsample(self):
        out = []
        for y in range(SIZE):
            row = []
            for x in range(SIZE):
                r = g = b = a = 0.0
                for sy in range(SCALE):
                    for sx in range(SCALE):
                        pr, pg, pb, pa = self.px[y * SCALE + sy][x * SCALE + sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                n = SCALE * SCALE
                if a / n < 0.35:
                    row.append(None)  # mostly empty: transparent
                else:
                    row.append((round(r / a), round(g / a), round(b / a)))
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
    colours = sorted({p for row in pixels for p in row if p is not None})
    symbols = []
    alphabet = ('abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
                '#$%&*+-/:;<=>?@[]^_`{|}~')
    for i in range(len(colours) + 1):
        symbols.append(alphabet[i // len(alphabet)] + alphabet[i % len(alphabet)])
    none = symbols[0]
    table = {c: symbols[i + 1] for i, c in enumerate(colours)}
    lines = ['/* XPM */', 'static const char* image[] = {',
             '"%d %d %d 2",' % (SIZE, SIZE, len(colours) + 1),
             '"%s c None",' % none]
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((table[c],) + c))
    for row in pixels:
        lines.append('"%s",' % ''.join(none if p is None else table[p] for p in row))
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(name, 'w') as f:
        f.write('\n'.join(lines) + '\n')


DARK = hexrgb('#1E2328')


def drive_body(c, top='#E4E7EB', bottom='#9AA1AA'):
    """A drive seen from the front and a little from above: lid, front panel, slot, light."""
    c.polygon([(4, 13), (9, 8), (29, 8), (24, 13)], None, vertical('#F7F8FA', '#C9CED5', 8, 13))
    c.polygon([(24, 13), (29, 8), (29, 19), (24, 24)], None, vertical('#AEB4BC', '#7C838C', 8, 24))
    c.rect(4, 13, 24, 24, None, vertical(top, bottom, 13, 24))
    c.outline(4, 13, 24, 24, DARK, 0.8)
    c.line(4, 13, 9, 8, DARK, 0.8)
    c.line(9, 8, 29, 8, DARK, 0.8)
    c.line(29, 8, 29, 19, DARK, 0.8)
    c.line(29, 19, 24, 24, DARK, 0.8)
    c.line(24, 13, 29, 8, DARK, 0.8)


def led(c, colour='#3CD24A'):
    c.circle(20.5, 20.5, 1.6, hexrgb(colour))
    c.circle(20.0, 20.0, 0.6, hexrgb('#F0FFF0'))


def fixed():
    c = Canvas()
    drive_body(c)
    for y in (16.0, 18.2):
        c.line(6.5, y, 15.5, y, hexrgb('#5C636C'), 0.9)
    led(c)
    return c


def removable():
    c = Canvas()
    c.rect(5, 4, 27, 28, None, vertical('#3D74C9', '#1F4A8F', 4, 28), radius=1.5)
    c.outline(5, 4, 27, 28, DARK, 0.8, radius=1.5)
    c.rect(10, 4.5, 22, 12, None, vertical('#D9DDE2', '#A6ADB5', 4, 12))
    c.outline(10, 4.5, 22, 12, DARK, 0.6)
    c.rect(17.5, 6, 20, 10.5, hexrgb('#2A3038'))
    c.rect(8.5, 16, 23.5, 28, None, vertical('#FFFFFF', '#E6E8EB', 16, 28))
    c.outline(8.5, 16, 23.5, 28, DARK, 0.6)
    for y in (19.5, 22, 24.5):
        c.line(10.5, y, 21.5, y, hexrgb('#9FB4D6'), 0.7)
    return c


def cdrom():
    c = Canvas()
    rainbow = ['#E8EEF5', '#C8D6F0', '#D9C8F0', '#F0C8DA', '#F2E2C0', '#CBEFD2', '#E8EEF5']

    def sheen(x, y):
        a = (math.atan2(y - 16, x - 16) + math.pi) / (2 * math.pi) * (len(rainbow) - 1)
        i = int(a)
        return lerp(hexrgb(rainbow[i]), hexrgb(rainbow[min(i + 1, len(rainbow) - 1)]), a - i)
    c.circle(16, 16, 13.5, DARK)
    c.circle(16, 16, 12.8, None, sheen)
    c.ring(16, 16, 4.2, 6.0, hexrgb('#B9C2CC'))
    c.ring(16, 16, 3.6, 4.2, hexrgb('#7F8893'))
    c.polygon([(16, 16), (26, 5), (29, 10)], hexrgb('#FFFFFF'), alpha=0.45)
    return c


def remote():
    c = Canvas()
    # the drive, raised, with a cable down to a small network
    c.polygon([(4, 7), (8, 3), (28, 3), (24, 7)], None, vertical('#F7F8FA', '#C9CED5', 3, 7))
    c.polygon([(24, 7), (28, 3), (28, 12), (24, 16)], None, vertical('#AEB4BC', '#7C838C', 3, 16))
    c.rect(4, 7, 24, 16, None, vertical('#E4E7EB', '#9AA1AA', 7, 16))
    c.outline(4, 7, 24, 16, DARK, 0.8)
    c.line(4, 7, 8, 3, DARK, 0.8)
    c.line(8, 3, 28, 3, DARK, 0.8)
    c.line(28, 3, 28, 12, DARK, 0.8)
    c.line(28, 12, 24, 16, DARK, 0.8)
    c.line(24, 7, 28, 3, DARK, 0.8)
    c.circle(20.5, 12.5, 1.4, hexrgb('#3CD24A'))
    c.line(14, 16, 14, 24, DARK, 1.6)
    c.line(4, 25, 28, 25, DARK, 1.6)
    for x in (6, 14, 22):
        c.rect(x - 2.5, 24, x + 2.5, 29, None, vertical('#F2C94C', '#C9962A', 24, 29), radius=0.8)
        c.outline(x - 2.5, 24, x + 2.5, 29, DARK, 0.6, radius=0.8)
    return c


def ram():
    c = Canvas()
    c.rect(2, 9, 30, 23, None, vertical('#3FA55A', '#23743A', 9, 23), radius=1.0)
    c.outline(2, 9, 30, 23, DARK, 0.7, radius=1.0)
    for i in range(4):
        x = 4.5 + i * 6.5
        c.rect(x, 11, x + 4.5, 18.5, None, vertical('#3A3F46', '#16191D', 11, 18.5), radius=0.5)
        c.line(x + 0.8, 12, x + 3.7, 12, hexrgb('#6A717A'), 0.5)
    for i in range(13):
        x = 4 + i * 2
        c.rect(x, 20.5, x + 1.1, 23, hexrgb('#E8C35A'))
    return c


def unknown():
    c = Canvas()
    drive_body(c, '#D6D9DD', '#8D939B')
    # a question mark in a blue disc on the front
    c.circle(21.5, 20.5, 7.5, hexrgb('#FFFFFF'))
    c.circle(21.5, 20.5, 6.8, None, vertical('#4F86D9', '#23539E', 13.7, 27.3))
    white = hexrgb('#FFFFFF')

    def hook(x, y):
        d = math.hypot(x - 21.5, y - 18.6)
        a = math.degrees(math.atan2(y - 18.6, x - 21.5))
        return 1.3 <= d <= 2.9 and (a <= 45 or a >= 180)
    c.fill(hook, white)
    c.line(23.2, 20.5, 21.6, 22.0, white, 1.6)
    c.line(21.6, 22.0, 21.6, 22.6, white, 1.6)
    c.circle(21.6, 24.8, 0.95, white)
    return c


def badpath():
    c = Canvas()
    drive_body(c, '#D6D9DD', '#8D939B')
    c.circle(22, 21, 7.5, hexrgb('#FFFFFF'))
    c.circle(22, 21, 6.8, None, vertical('#E5483C', '#A8231B', 14, 28))
    c.line(19, 18, 25, 24, hexrgb('#FFFFFF'), 1.8)
    c.line(25, 18, 19, 24, hexrgb('#FFFFFF'), 1.8)
    return c


LOOKS = {'g': ('#4FBF5A', '#237A30'), 'r': ('#EE5A4C', '#A8231B')}


def save(look):
    """A catalog drawer taking in a disk: the disk above, an arrow down into the drawer."""
    top, bottom = LOOKS[look]
    c = Canvas()
    c.rect(5, 18, 27, 29, None, vertical('#B07A45', '#7A4E24', 18, 29), radius=1.2)
    c.outline(5, 18, 27, 29, DARK, 0.7, radius=1.2)
    c.rect(12, 22, 20, 24.5, hexrgb('#E8D4B0'), radius=0.8)
    c.outline(12, 22, 20, 24.5, DARK, 0.5, radius=0.8)
    c.polygon([(16, 19.5), (8.5, 11), (12.5, 11), (12.5, 2.5), (19.5, 2.5), (19.5, 11),
               (23.5, 11)], None, vertical(top, bottom, 2.5, 19.5))
    c.line(16, 19.5, 8.5, 11, DARK, 0.7)
    c.line(16, 19.5, 23.5, 11, DARK, 0.7)
    c.line(8.5, 11, 12.5, 11, DARK, 0.7)
    c.line(19.5, 11, 23.5, 11, DARK, 0.7)
    c.line(12.5, 11, 12.5, 2.5, DARK, 0.7)
    c.line(19.5, 11, 19.5, 2.5, DARK, 0.7)
    c.line(12.5, 2.5, 19.5, 2.5, DARK, 0.7)
    c.polygon([(13.2, 3.2), (15, 3.2), (15, 11), (13.2, 11)], hexrgb('#FFFFFF'), alpha=0.35)
    return c


if __name__ == '__main__':
    write('unknown.ico.xpm', unknown())
    write('badpath.ico.xpm', badpath())
    write('removab.ico.xpm', removable())
    write('fixed.ico.xpm', fixed())
    write('remote.ico.xpm', remote())
    write('cdrom.ico.xpm', cdrom())
    write('ram.ico.xpm', ram())
    for look in ('g', 'r'):
        write('Save%s.ico.xpm' % look, save(look))
