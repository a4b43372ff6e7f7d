#!/usr/bin/python3
"""Draws the application's own artwork into res/: the toolbar strip, the two About pictures,
the program icon and the key chart of the help page (its picture of the keyboard is
docs/keyboard.png, drawn by the keyboard's own code). The toolbar strip and the About pictures
are drawn once more for each dense screen, as name@<ratio>x.png (toolbar@2x.png holds 32x32
pictures). Run: /usr/bin/python3 tools/make_app_art.py
"""
import math
import os

from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")

SIZE = 16
COUNT = 19
ON = 9  # an "on" picture stands this far along the strip

INK = (40, 40, 48, 255)
PAPER = (250, 250, 246, 255)
RED = (205, 36, 36, 255)
GREEN = (30, 150, 60, 255)
BLUE = (40, 90, 190, 255)
GOLD = (232, 180, 40, 255)
WHITE_CELL = (244, 240, 226, 255)
BLACK_CELL = (70, 64, 80, 255)
TONIC = (220, 80, 50, 255)


DENSITIES = (1.25, 1.5, 2, 3)  # device pixels to each pixel of the actual-size pictures
FINE = 4  # a dense picture is drawn this much finer still and then averaged down


class Pen:
    """ImageDraw's shapes, given in the actual-size picture's pixels and drawn at `scale` device
    pixels to each. As in ImageDraw, points name pixel centres and boxes name whole pixels, so a
    one-pixel outline becomes one `scale` wide; at scale 1 every call goes straight to
    ImageDraw."""

    def __init__(self, image, scale=1):
        self.draw = ImageDraw.Draw(image)
        self.scale = scale

    def _point(self, p):
        return ((p[0] + 0.5) * self.scale - 0.5, (p[1] + 0.5) * self.scale - 0.5)

    def _box(self, box):
        s = self.scale
        return [box[0] * s, box[1] * s, (box[2] + 1) * s - 1, (box[3] + 1) * s - 1]

    def _stroke(self, points, fill, width, closed=False):
        """Lines between pixel centres, each reaching half its width past its ends as a line of
        whole pixels does."""
        points = [self._point(p) for p in points]
        if closed:
            points.append(points[0])
        half = width * self.scale / 2
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            length = math.hypot(x1 - x0, y1 - y0) or 1
            dx, dy = (x1 - x0) / length * half, (y1 - y0) / length * half
            self.draw.line([(x0 - dx, y0 - dy), (x1 + dx, y1 + dy)], fill=fill,
                           width=round(width * self.scale))

    def polygon(self, xy, fill=None, outline=None):
        if self.scale == 1:
            return self.draw.polygon(xy, fill=fill, outline=outline)
        if fill is not None:
            self.draw.polygon([self._point(p) for p in xy], fill=fill)
        if outline is not None:
            self._stroke(xy, outline, 1, closed=True)

    def line(self, xy, fill=None, width=0):
        if self.scale == 1:
            return self.draw.line(xy, fill=fill, width=width)
        self._stroke(xy, fill, max(width, 1))

    def rectangle(self, box, fill=None, outline=None):
        if self.scale == 1:
            return self.draw.rectangle(box, fill=fill, outline=outline)
        self.draw.rectangle(self._box(box), fill=fill, outline=outline, width=self.scale)

    def ellipse(self, box, fill=None, outline=None, width=1):
        if self.scale == 1:
            return self.draw.ellipse(box, fill=fill, outline=outline, width=width)
        self.draw.ellipse(self._box(box), fill=fill, outline=outline, width=width * self.scale)

    def arc(self, box, start, end, fill=None, width=1):
        if self.scale == 1:
            return self.draw.arc(box, start, end, fill=fill, width=width)
        self.draw.arc(self._box(box), start, end, fill=fill, width=width * self.scale)

    def point(self, xy, fill=None):
        if self.scale == 1:
            return self.draw.point(xy, fill=fill)
        for x, y in xy:
            self.draw.rectangle(self._box([x, y, x, y]), fill=fill)

    def text(self, xy, label, fill=None):
        self.draw.text(self._point(xy), label, fill=fill)


def drawn(width, height, density, paint, background=(0, 0, 0, 0)):
    """A picture of width x height actual-size pixels, paint(pen) drawn on it at `density`."""
    if density == 1:
        img = Image.new("RGBA", (width, height), background)
        paint(Pen(img))
        return img
    size = (math.ceil(width * density), math.ceil(height * density))
    img = Image.new("RGBA", (size[0] * FINE, size[1] * FINE), background)
    paint(Pen(img, round(density * FINE)))
    return img.resize(size, Image.BOX)


def art_path(name, density):
    """res/name.png at the actual size, res/name@<density>x.png for a dense screen."""
    return os.path.join(RES, name + (".png" if density == 1 else "@%gx.png" % density))


def glyph_new(d):
    d.polygon([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], fill=PAPER, outline=INK)
    d.line([(10, 1), (10, 4), (13, 4)], fill=INK)


def glyph_open(d):
    d.polygon([(1, 4), (6, 4), (7, 5), (13, 5), (13, 13), (1, 13)], fill=GOLD, outline=INK)
    d.polygon([(3, 8), (15, 8), (13, 13), (1, 13)], fill=(250, 214, 110, 255), outline=INK)


def glyph_save(d):
    d.rectangle([2, 2, 13, 13], fill=BLUE, outline=INK)
    d.rectangle([4, 2, 11, 6], fill=PAPER, outline=INK)
    d.rectangle([5, 9, 10, 13], fill=(200, 200, 210, 255), outline=INK)


def glyph_record(d):
    d.ellipse([3, 3, 12, 12], fill=RED, outline=INK)


def glyph_play(d):
    d.polygon([(4, 2), (13, 7), (13, 8), (4, 13)], fill=GREEN, outline=INK)


def glyph_scale(d):
    # a row of white and black cells with a keynote: the custom scale
    for i, colour in enumerate([TONIC, WHITE_CELL, BLACK_CELL, WHITE_CELL]):
        x = 1 + i * 4
        d.rectangle([x, 5 + (i % 2) * 3, x + 3, 8 + (i % 2) * 3], fill=colour, outline=INK)


def glyph_orchestra(d):
    # a small drum and a stick
    d.ellipse([2, 5, 13, 9], fill=GOLD, outline=INK)
    d.rectangle([2, 7, 13, 12], fill=GOLD)
    d.line([(2, 7), (2, 12)], fill=INK)
    d.line([(13, 7), (13, 12)], fill=INK)
    d.arc([2, 10, 13, 14], 0, 180, fill=INK)
    d.line([(9, 1), (6, 6)], fill=INK, width=1)


def glyph_chord(d):
    # a triad on the lattice: three cells in a triangle, the root marked
    for cx, cy, colour in ((4, 11, TONIC), (11, 11, WHITE_CELL), (7.5, 4, WHITE_CELL)):
        d.polygon([(cx, cy - 4), (cx + 4, cy), (cx, cy + 4), (cx - 4, cy)], fill=colour,
                  outline=INK)


def glyph_pen(d):
    d.polygon([(11, 1), (14, 4), (5, 13), (2, 14), (3, 11)], fill=GOLD, outline=INK)
    d.line([(2, 14), (4, 12)], fill=INK)


def glyph_simple(d):
    # a lattice cell with and without its letter
    d.polygon([(8, 1), (14, 7), (8, 13), (2, 7)], fill=WHITE_CELL, outline=INK)
    d.line([(6, 5), (6, 9)], fill=INK)
    d.line([(6, 5), (9, 5)], fill=INK)
    d.line([(6, 7), (8, 7)], fill=INK)


def glyph_help(d):
    d.ellipse([1, 1, 14, 14], fill=BLUE, outline=INK)
    d.arc([5, 3, 10, 8], 180, 90, fill=PAPER, width=2)
    d.line([(8, 8), (8, 10)], fill=PAPER, width=2)
    d.point([(8, 12), (7, 12)], fill=PAPER)


def glyph_about(d):
    d.ellipse([1, 1, 14, 14], fill=GREEN, outline=INK)
    d.rectangle([7, 6, 8, 11], fill=PAPER)
    d.rectangle([7, 3, 8, 4], fill=PAPER)


GLYPHS = [glyph_new, glyph_open, glyph_save, glyph_record, glyph_play, glyph_scale,
          glyph_orchestra, glyph_chord, glyph_pen, glyph_simple, glyph_help, glyph_about]
TOGGLES = {3, 4, 7, 8, 9}


def sunken(d):
    """The lit, sunken square behind an "on" picture."""
    d.line([(0, 0), (15, 0)], fill=(120, 110, 80, 255))
    d.line([(0, 0), (0, 15)], fill=(120, 110, 80, 255))
    d.line([(1, 15), (15, 15)], fill=(255, 255, 255, 255))
    d.line([(15, 1), (15, 15)], fill=(255, 255, 255, 255))


def toolbar(density=1):
    side = round(SIZE * density)
    strip = Image.new("RGBA", (side * COUNT, side), (0, 0, 0, 0))
    for index, glyph in enumerate(GLYPHS):
        cell = drawn(SIZE, SIZE, density, glyph)
        strip.alpha_composite(cell, (index * side, 0))
        if index in TOGGLES:
            # the "on" picture: the same glyph on a lit, sunken square
            on = drawn(SIZE, SIZE, density, sunken, (255, 236, 150, 255))
            on.alpha_composite(cell)
            strip.paste(on, ((index + ON) * side, 0))
    strip.save(art_path("toolbar", density))


def paint_lattice(d, size, cell, keynote, scale=(0, 2, 4, 5, 7, 9, 11), names=False, width=None):
    """A patch of the Orvo lattice drawn as diamonds: up-right a major third, up-left a minor
    third, straight up a fifth, one semitone to the right."""
    width = width or size
    half = cell / 2
    white = {(keynote + step) % 12 for step in scale}
    span = int(max(width, size) / half) + 4
    for i in range(-span, span):
        for j in range(-span, span):
            cx = width / 2 + (i - j) * half
            cy = size / 2 - (i + j) * half
            if cx < -cell or cx > width + cell or cy < -cell or cy > size + cell:
                continue
            note = 60 + 4 * i + 3 * j
            pc = note % 12
            colour = WHITE_CELL if pc in white else BLACK_CELL
            if pc == keynote:
                colour = TONIC
            poly = [(cx, cy - half + 1), (cx + half - 1, cy), (cx, cy + half - 1),
                    (cx - half + 1, cy)]
            d.polygon(poly, fill=colour, outline=(20, 18, 30, 255))
            if names and 0 <= note <= 127:
                label = NAMES[pc]
                ink = (250, 250, 250, 255) if colour == BLACK_CELL else (20, 20, 20, 255)
                d.text((cx - 3 * len(label), cy - 6), label, fill=ink)


def lattice(size, cell, keynote, background=(34, 30, 52, 255), density=1):
    return drawn(size, size, density, lambda d: paint_lattice(d, size, cell, keynote), background)


def about_pictures(density=1):
    first = lattice(93, 22, 0, density=density)
    first.convert("RGB").save(art_path("about1", density))

    # the second picture: the lattice in G at night, one lit chord ring over it
    def night(d):
        paint_lattice(d, 93, 22, 7)
        for i, colour in enumerate([(255, 210, 60, 255), (120, 220, 255, 255),
                                    (255, 120, 200, 255)]):
            a = math.radians(90 + i * 120)
            cx, cy = 46 + 20 * math.cos(a), 46 - 20 * math.sin(a)
            d.ellipse([cx - 12, cy - 12, cx + 12, cy + 12], outline=colour, width=3)

    second = drawn(93, 93, density, night, (10, 10, 30, 255))
    second.convert("RGB").save(art_path("about2", density))


def icon():
    size = 256
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    mask = Image.new("L", (size, size), 0)
    ImageDraw.Draw(mask).rounded_rectangle([8, 8, size - 9, size - 9], radius=40, fill=255)
    img.paste(lattice(size, 64, 0), (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([8, 8, size - 9, size - 9], radius=40, outline=(20, 18, 30, 255), width=6)
    img.save(os.path.join(RES, "vorkeln.png"))


ORVO_ROWS = [
    ("1234567890-=", [56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67]),
    ("QWERTYUIOP[]", [53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64]),
    ("ASDFGHJKL;'", [50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60]),
    ("ZXCVBNM,./", [47, 48, 49, 50, 51, 52, 53, 54, 55, 56]),
]
NAMES = ["C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "B", "H"]


def key_chart():
    """The letter keys as a patch of the lattice: one semitone to the right on each row."""
    key = 44
    width, height = 14 * key, 4 * key + 8
    img = Image.new("RGB", (width, height), (255, 255, 255))
    d = ImageDraw.Draw(img)
    major = {0, 2, 4, 5, 7, 9, 11}
    offsets = [0, key // 2, key * 3 // 4, key * 5 // 4]
    for row, (keys, notes) in enumerate(ORVO_ROWS):
        for i, (label, note) in enumerate(zip(keys, notes)):
            x = 4 + offsets[row] + i * key
            y = 4 + row * key
            pc = note % 12
            fill = (244, 200, 180) if pc == 0 else ((248, 246, 236) if pc in major
                                                    else (90, 84, 100))
            text = (20, 20, 20) if pc in major else (250, 250, 250)
            d.rounded_rectangle([x, y, x + key - 4, y + key - 4], radius=5, fill=fill,
                                outline=(60, 60, 70))
            d.text((x + 5, y + 3), label, fill=text)
            d.text((x + 5, y + key - 18), "%s%d" % (NAMES[pc], note // 12 - 1), fill=text)
    img.save(os.path.join(RES, "help", "keys.png"))


if __name__ == "__main__":
    for density in (1,) + DENSITIES:
        toolbar(density)
        about_pictures(density)
    icon()
    key_chart()
