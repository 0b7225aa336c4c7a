#!/usr/bin/env python3
"""Draws tarrow's program icon and toolbar pictures as 32x32 XPM images, each in its resting
(green) and highlighted (red) look. Run in this folder; the XPMs are kept."""

import os
import sys

# The drawing primitives and the shapes shared with the demonstration's pictures.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'demo'))
from draw_icons import canvas, rect, frame, floppy, stack, exit_door, search, app_icon, write  # noqa: E402


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
