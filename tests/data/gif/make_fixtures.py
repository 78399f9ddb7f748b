#!/usr/bin/env python3
"""Writes the GIF test files of this folder with giflib's gifbuild and netpbm's pamtogif.

gifbuild files come from text descriptions with exact indices; beside each one, expect_*.pgm
holds the palette index of every pixel of the logical screen (grey value = index) and
expect_*.ppm its colour table (one pixel per entry).  pamtogif files start from a PPM with
known colours (src_*.ppm).  fuzz_*.gif are inputs found by fuzzing, kept as found.  Run from
this folder; needs giflib-tools, netpbm and ImageMagick.
"""
import subprocess

KEYS = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"


def write_pnm(name, width, height, values, colour):
    magic = b"P6" if colour else b"P5"
    flat = bytes(v for px in values for v in (px if colour else (px,)))
    with open(name, "wb") as f:
        f.write(b"%s\n%d %d\n255\n" % (magic, width, height) + flat)


def colour_map(entries):
    lines = []
    for i, (r, g, b) in enumerate(entries):
        lines.append("\trgb %03d %03d %03d is %s" % (r, g, b, KEYS[i]))
    return "\n".join(lines) + "\nend\n"


def make(name, screen, background, global_map, frames, expect_map=None):
    """frames: list of dicts with left, top, width, height, pixels(x, y) -> index,
    optional local map and interlace flag.  The first frame is what readers show."""
    text = ["screen width %d" % screen[0], "screen height %d" % screen[1],
            "screen background %d" % background]
    if global_map:
        text.append("screen map\n" + colour_map(global_map))
    for fr in frames:
        text.append("image")
        text.append("image left %d\nimage top %d" % (fr["left"], fr["top"]))
        if fr.get("interlaced"):
            text.append("image interlaced")
        if fr.get("map"):
            text.append("image map\n" + colour_map(fr["map"]))
        text.append("image bits %d by %d" % (fr["width"], fr["height"]))
        for y in range(fr["height"]):
            text.append("".join(KEYS[fr["pixels"](x, y)] for x in range(fr["width"])))
    src = "\n".join(text) + "\n"
    with open(name + ".gif", "wb") as f:
        subprocess.run(["gifbuild"], input=src.encode(), stdout=f, check=True)

    # what a reader should show: the first frame on the screen, clipped, background elsewhere
    fr = frames[0]
    table = fr.get("map") or global_map
    grid = []
    for y in range(screen[1]):
        for x in range(screen[0]):
            fx, fy = x - fr["left"], y - fr["top"]
            inside = 0 <= fx < fr["width"] and 0 <= fy < fr["height"]
            grid.append(fr["pixels"](fx, fy) if inside else background)
    write_pnm("expect_%s.pgm" % name, screen[0], screen[1], grid, False)
    write_pnm("expect_%s.ppm" % name, len(table), 1, table, True)


def entries(count, seed):
    return [((i * 41 + seed) % 256, (i * 83 + seed * 3) % 256, (i * 127 + seed * 7) % 256)
            for i in range(count)]


make("two_9x5", (9, 5), 0, entries(2, 10),
     [dict(left=0, top=0, width=9, height=5, pixels=lambda x, y: (x * y + x) % 2)])
make("eight_11x6", (11, 6), 0, entries(8, 20),
     [dict(left=0, top=0, width=11, height=6, pixels=lambda x, y: (x + 3 * y) % 8)])
make("interlaced_7x19", (7, 19), 0, entries(16, 30),
     [dict(left=0, top=0, width=7, height=19, interlaced=True,
           pixels=lambda x, y: (y + x * 5) % 16)])
# a frame with its own colour table inside a larger screen; background index 2
make("local_map_12x10", (12, 10), 2, entries(4, 40),
     [dict(left=3, top=2, width=5, height=4, map=entries(8, 50),
           pixels=lambda x, y: (x * 2 + y) % 8)])
# a frame that reaches past the right and bottom edges of the screen
make("clipped_8x6", (8, 6), 1, entries(4, 60),
     [dict(left=5, top=3, width=6, height=5, pixels=lambda x, y: (x + y) % 4 if (x + y) % 4 != 1 else 3)])
# two frames: readers show the first
make("animated_10x7", (10, 7), 0, entries(4, 70),
     [dict(left=0, top=0, width=10, height=7, pixels=lambda x, y: (x + y) % 4),
      dict(left=2, top=1, width=4, height=3, pixels=lambda x, y: 3)])

# pamtogif from PPM pictures of 38 and 13 colours, plain and interlaced
def ppm_colours(count, width, height):
    table = [((i * 53 + 17) % 256, (i * 97 + 31) % 256, (i * 151 + 7) % 256) for i in range(count)]
    return [table[(x * 3 + y * 5 + x * y) % count] for y in range(height) for x in range(width)]

write_pnm("src_colours_17x9.ppm", 17, 9, ppm_colours(40, 17, 9), True)
write_pnm("src_colours_15x11.ppm", 15, 11, ppm_colours(13, 15, 11), True)
with open("colours_17x9.gif", "wb") as f:
    subprocess.run(["pamtogif", "src_colours_17x9.ppm"], stdout=f, check=True)
with open("interlaced_15x11.gif", "wb") as f:
    subprocess.run(["pamtogif", "-interlace", "src_colours_15x11.ppm"], stdout=f, check=True)
# GIF89a with a transparent colour (graphics control extension) and a comment before the image
subprocess.run(["convert", "src_colours_15x11.ppm", "-transparent", "rgb(17,31,7)", "-comment",
                "Pixorama test", "gif89a_15x11.gif"], check=True)
