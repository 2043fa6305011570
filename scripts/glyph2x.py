#!/usr/bin/env python3
"""Draws a glyph's @2x version from its 1x XPM: every pixel doubled, and an
outline pixel that lies between the outside (transparent) and another colour
gives its inner half to that colour, so outlines are one device pixel thin on a
dense screen while the shapes and colours stay those of the 1x drawing. The
result is a starting point to touch up by hand.
    glyph2x.py src/app/resources/NAME.xpm ...   (writes NAME@2x.xpm beside each)
"""
import re
import sys

for path in sys.argv[1:]:
    source = open(path).read()
    lines = re.findall(r'"([^"]*)"', source)
    width, height, colours, chars = map(int, lines[0].split()[:4])
    assert chars == 1, "one character per pixel only"
    palette = lines[1:1 + colours]
    none = next(line[0] for line in palette if line.split()[-1].lower() == "none")
    rows = lines[1 + colours:1 + colours + height]

    def at(x, y):
        return rows[y][x] if 0 <= x < width and 0 <= y < height else none

    dense = [[none] * (2 * width) for _ in range(2 * height)]
    for y in range(height):
        for x in range(width):
            pixel = at(x, y)
            for dy in (0, 1):
                for dx in (0, 1):
                    colour = pixel
                    sx, sy = (1 if dx else -1), (1 if dy else -1)
                    if pixel != none:
                        inner, outer = at(x + sx, y), at(x - sx, y)
                        above, below = at(x, y + sy), at(x, y - sy)
                        if outer == none and inner not in (none, pixel):
                            colour = inner
                        elif below == none and above not in (none, pixel):
                            colour = above
                    dense[2 * y + dy][2 * x + dx] = colour
    name = re.search(r"char\s*\*\s*(\w+)", source).group(1)
    text = ["/* XPM */", "static const char *%s_2x[] = {" % name, '"%d %d %d 1",' % (2 * width, 2 * height, colours)]
    text += ['"%s",' % line for line in palette] + ['"%s",' % "".join(row) for row in dense]
    text[-1] = text[-1].rstrip(",")
    with open(path[:-4] + "@2x.xpm", "w") as out:
        out.write("\n".join(text + ["};"]) + "\n")
