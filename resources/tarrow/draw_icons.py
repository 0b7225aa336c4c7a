#!/usr/bin/env python3
"""Draws tarrow's program icon and toolbar pictures as 32x32 XPM images, each in its resting
(green) and highlighted (red) look. Run in this folder; the XPMs are kept."""

def canvas():
    return [['.'] * 32 for _ in range(32)]

def rect(c, x0, y0, x1, y1, ch):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            c[y][x] = ch

def frame(c, x0, y0, x1, y1, ch):
    for x in range(x0, x1 + 1):
        c[y0][x] = c[y1][x] = ch
    for y in range(y0, y1 + 1):
        c[y][x0] = c[y][x1] = ch

def floppy(body):
    c = canvas()
    rect(c, 4, 4, 27, 27, body); frame(c, 4, 4, 27, 27, 'k')
    rect(c, 9, 4, 22, 12, 's'); rect(c, 17, 6, 20, 10, 'k')
    rect(c, 8, 17, 23, 27, 'w'); frame(c, 8, 17, 23, 27, 'k')
    for y in (20, 23): rect(c, 10, y, 21, y, 's')
    return c

def stack(body):
    c = canvas()
    for i, y in enumerate((20, 13, 6)):
        rect(c, 3 + i * 2, y, 24 + i * 2, y + 7, body); frame(c, 3 + i * 2, y, 24 + i * 2, y + 7, 'k')
        rect(c, 6 + i * 2, y + 2, 12 + i * 2, y + 5, 'w')
    return c

def exit_door(body):
    c = canvas()
    rect(c, 6, 3, 20, 28, 's'); frame(c, 6, 3, 20, 28, 'k')
    rect(c, 8, 5, 18, 26, body)
    rect(c, 16, 15, 17, 16, 'k')
    for i in range(8):
        rect(c, 19 + i, 15, 19 + i, 16, 'k')
    for i in range(4):
        c[15 - i][26 - i] = c[16 + i][26 - i] = 'k'
    return c

def search(body):
    c = canvas()
    for y in range(32):
        for x in range(32):
            d = ((x - 13) ** 2 + (y - 13) ** 2) ** 0.5
            if 7 <= d <= 9.5: c[y][x] = 'k'
            elif d < 7: c[y][x] = 'w'
    for i in range(9):
        rect(c, 19 + i, 19 + i, 21 + i, 21 + i, body)
    return c

def app_icon():
    c = floppy('b')
    rect(c, 11, 19, 20, 25, 'r')
    return c

def write(name, c, colours):
    used = sorted({ch for row in c for ch in row})
    lines = ['/* XPM */', 'static const char* image[] = {',
             '"32 32 %d 1",' % len(used)]
    for ch in used:
        lines.append('"%s c %s",' % (ch, colours[ch]))
    lines += ['"%s",' % ''.join(row) for row in c]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    open(name, 'w').write('\n'.join(lines) + '\n')


def file_page(body):
    c = canvas()
    rect(c, 7, 3, 24, 28, 'w'); frame(c, 7, 3, 24, 28, 'k')
    for i in range(6):  # folded corner
        for j in range(6 - i):
            c[3 + i][24 - j] = '.'
        c[3 + i][24 - (6 - i)] = 'k'
    rect(c, 18, 9, 24, 9, 'k'); rect(c, 18, 3, 18, 9, 'k')
    for y in (13, 16, 19, 22, 25):
        rect(c, 10, y, 21 if y != 25 else 16, y, body)
    return c

def log_disk(body):
    c = floppy(body)
    # an arrow into the disk: logging its contents
    rect(c, 26, 1, 28, 9, 'y'); 
    for i in range(5):
        rect(c, 23 + i, 9 + i, 31 - i, 9 + i, 'y')
    return c

colours = {'.': 'None', 'k': '#202020', 'w': '#F4F4F4', 's': '#A0A0A8',
           'g': '#2E8B3E', 'r': '#C8322E', 'b': '#2F5FA8', 'y': '#E0A81C'}
for look in ('g', 'r'):
    write('Log%s.ico.xpm' % look, log_disk(look), colours)
    write('Disks%s.ico.xpm' % look, stack(look), colours)
    write('Files%s.ico.xpm' % look, file_page(look), colours)
    write('Search%s.ico.xpm' % look, search(look), colours)
    write('Cancel%s.ico.xpm' % look, exit_door(look), colours)
write('tarrow.ico.xpm', app_icon(), colours)
