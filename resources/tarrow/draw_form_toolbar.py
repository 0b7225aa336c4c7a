#!/usr/bin/env python3
"""Draws the pictures of the record-navigation toolbar of the update forms as 16x16 XPM images:
insert, change, delete, select; first, page up, previous, next, page down, last; locate,
history and help. Shapes come from draw_drive_icons.py, drawn at four times the size and
averaged down. Run it in this folder; the XPMs are kept in the repository."""

import draw_drive_icons as d

d.SIZE = 16
d.N = d.SIZE * d.SCALE

BLUE_TOP, BLUE_BOTTOM = '#5B8FD6', '#1F4E9A'
GREEN_TOP, GREEN_BOTTOM = '#6CCB5F', '#23842C'
RED = '#C8322E'
PAPER = '#FBFBF8'
INK = '#3A3F46'


def blue(y0, y1):
    return d.vertical(BLUE_TOP, BLUE_BOTTOM, y0, y1)


def page(c, x0=3, y0=1.5, x1=12.5, y1=14.5):
    c.rect(x0, y0, x1, y1, d.hexrgb(PAPER))
    c.outline(x0, y0, x1, y1, d.hexrgb(INK), 0.9)
    for y in (5, 7.5, 10):
        c.rect(x0 + 2, y, x1 - 2.5, y + 0.8, d.hexrgb('#9AA3AE'))


def up_arrow(c, top, bottom, bar=False, double=False):
    """An arrow pointing up whose head starts at `top`."""
    shade = blue(top, bottom)
    heads = [top] if not double else [top, top + 4.5]
    for h in heads:
        c.polygon([(8, h), (13.5, h + 5), (2.5, h + 5)], None, shade)
    c.rect(6.3, heads[-1] + 4.5, 9.7, bottom, None, shade)
    if bar:
        c.rect(2.5, top - 2.2, 13.5, top - 0.6, None, shade)


def flip(canvas_fn):
    """The same picture upside down: a down arrow from an up arrow."""
    c = d.Canvas()
    canvas_fn(c)
    c.px = c.px[::-1]
    return c


def make(fn):
    c = d.Canvas()
    fn(c)
    return c


def insert(c):
    page(c)
    c.circle(11.5, 11.5, 4, None, d.vertical(GREEN_TOP, GREEN_BOTTOM, 7.5, 15.5))
    c.rect(9.3, 11, 13.7, 12, d.hexrgb('#FFFFFF'))
    c.rect(11, 9.3, 12, 13.7, d.hexrgb('#FFFFFF'))


def change(c):
    page(c)
    c.polygon([(13.5, 3), (15, 4.5), (7.5, 12), (5.5, 12.5), (6, 10.5)], None,
              d.vertical('#F2C14E', '#C6861A', 3, 12.5))
    c.line(6, 10.5, 7.5, 12, d.hexrgb(INK), 0.7)


def delete(c):
    page(c)
    c.line(8, 8, 15, 15, d.hexrgb(RED), 2.2)
    c.line(15, 8, 8, 15, d.hexrgb(RED), 2.2)


def select(c):
    page(c)
    c.line(6.5, 11.5, 9, 14, d.hexrgb(GREEN_BOTTOM), 2.2)
    c.line(9, 14, 15, 7, d.hexrgb(GREEN_BOTTOM), 2.2)


def first(c):
    up_arrow(c, 4.5, 14.5, bar=True)


def page_up(c):
    up_arrow(c, 1.5, 14.5, double=True)


def previous(c):
    up_arrow(c, 2.5, 14.5)


def locate(c):
    c.ring(6.5, 6.5, 3.4, 5, None, d.vertical('#7A828C', '#3E444B', 1.5, 11.5))
    c.circle(6.5, 6.5, 3.4, d.hexrgb('#DDEBF7'), alpha=0.9)
    c.line(10, 10, 14.5, 14.5, d.hexrgb('#4A3A2A'), 2.4)


def history(c):
    c.ring(8, 8, 5.4, 6.8, None, blue(1, 15))
    c.circle(8, 8, 5.4, d.hexrgb(PAPER))
    c.line(8, 8, 8, 4, d.hexrgb(INK), 1.2)
    c.line(8, 8, 10.8, 9.6, d.hexrgb(INK), 1.2)


def help_mark(c):
    c.circle(8, 8, 7, None, blue(1, 15))
    # a question mark in white
    c.ring(8, 6, 1.6, 3.1, d.hexrgb('#FFFFFF'))
    c.rect(4, 6, 8, 9.5, None, blue(1, 15))  # open the ring at its lower left
    c.rect(7.2, 8.2, 8.8, 10.4, d.hexrgb('#FFFFFF'))
    c.circle(8, 12.4, 1.0, d.hexrgb('#FFFFFF'))


if __name__ == '__main__':
    d.write('tbinsert.ico.xpm', make(insert))
    d.write('tbchange.ico.xpm', make(change))
    d.write('tbdelete.ico.xpm', make(delete))
    d.write('tbselect.ico.xpm', make(select))
    d.write('tbtop.ico.xpm', make(first))
    d.write('tbpgup.ico.xpm', make(page_up))
    d.write('tbup.ico.xpm', make(previous))
    d.write('tbdown.ico.xpm', flip(previous))
    d.write('tbpgdn.ico.xpm', flip(page_up))
    d.write('tbbottom.ico.xpm', flip(first))
    d.write('tblocate.ico.xpm', make(locate))
    d.write('tbhistory.ico.xpm', make(history))
    d.write('tbhelp.ico.xpm', make(help_mark))
