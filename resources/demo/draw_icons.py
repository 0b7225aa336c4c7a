#!/usr/bin/env python3
"""Draws the demo's toolbar and list icons as 32x32 XPM images (run once; the XPMs are kept)."""

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

if __name__ == '__main__':
    colours = {'.': 'None', 'k': '#202020', 'w': '#F4F4F4', 's': '#A0A0A8',
               'g': '#3C8C3C', 'r': '#C83C32', 'b': '#2F5FA8', 'y': '#D8B020'}
    for look, body in (('g', 'g'), ('r', 'r')):
        write('Logg.ico.xpm' if look == 'g' else 'Logr.ico.xpm', floppy(body), colours)
        write('Disks%s.ico.xpm' % look, stack(body if look == 'r' else 'b'), colours)
        write('Searchg.ico.xpm' if look == 'g' else 'Searchr.ico.xpm', search(body if look == 'r' else 'y'), colours)
        write('Cancel%s.ico.xpm' % look, exit_door(body if look == 'r' else 's'), colours)
    write('tarrow.ico.xpm', app_icon(), colours)
    write('file.ico.xpm', stack('y'), colours)
