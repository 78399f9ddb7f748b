#!/usr/bin/env python3
"""Writes the PNG test files of this folder with netpbm's pnmtopng and ImageMagick.

Each picture starts as a small PPM/PGM with known pixels (kept beside the PNG as src_*.p?m), so
the tests can compare the decoded pixels exactly.  Run from this folder; needs netpbm and
ImageMagick.
"""
import subprocess


def write_pnm(name, width, height, maxval, pixels, colour):
    """pixels(x, y) -> (r, g, b) or grey value."""
    wide = maxval > 255
    out = bytearray()
    for y in range(height):
        for x in range(width):
            value = pixels(x, y)
            for v in (value if colour else (value,)):
                out += v.to_bytes(2, "big") if wide else bytes([v])
    magic = b"P6" if colour else b"P5"
    with open(name, "wb") as f:
        f.write(b"%s\n%d %d\n%d\n" % (magic, width, height, maxval) + bytes(out))


def run(cmd, output):
    with open(output, "wb") as f:
        subprocess.run(cmd, check=True, stdout=f)


# Palette pictures with 2, 4, 12 and 40 distinct colours.
def palette_colour(count):
    table = [((i * 53 + 17) % 256, (i * 97 + 31) % 256, (i * 151 + 7) % 256) for i in range(count)]
    return lambda x, y: table[(x * 3 + y * 5 + x * y) % count]

write_pnm("src_pal2_11x6.ppm", 11, 6, 255, palette_colour(2), True)
write_pnm("src_pal4_9x7.ppm", 9, 7, 255, palette_colour(4), True)
write_pnm("src_pal12_13x5.ppm", 13, 5, 255, palette_colour(12), True)
write_pnm("src_pal40_17x9.ppm", 17, 9, 255, palette_colour(40), True)
run(["pnmtopng", "src_pal2_11x6.ppm"], "pal1_11x6.png")
run(["pnmtopng", "src_pal4_9x7.ppm"], "pal2_9x7.png")
run(["pnmtopng", "src_pal12_13x5.ppm"], "pal4_13x5.png")
run(["pnmtopng", "src_pal40_17x9.ppm"], "pal8_17x9.png")
run(["pnmtopng", "-interlace", "src_pal4_9x7.ppm"], "pal2_interlaced_9x7.png")
# 8-bit indices with only 12 colours in the table (ImageMagick writes the depth it is told)
subprocess.run(["convert", "src_pal12_13x5.ppm", "-define", "png:bit-depth=8", "-define",
                "png:color-type=3", "-define", "png:exclude-chunks=date,time",
                "pal8_with12_13x5.png"], check=True)

# Grey levels at every depth.
write_pnm("src_grey1_10x3.pgm", 10, 3, 1, lambda x, y: (x + y) % 2 if x != 4 else 1, False)
write_pnm("src_grey2_7x5.pgm", 7, 5, 3, lambda x, y: (x + 2 * y) % 4, False)
write_pnm("src_grey4_9x5.pgm", 9, 5, 15, lambda x, y: (x * 3 + y * 7) % 16, False)
write_pnm("src_grey8_21x9.pgm", 21, 9, 255, lambda x, y: (x * 13 + y * 29) % 256, False)
write_pnm("src_grey16_11x7.pgm", 11, 7, 65535,
          lambda x, y: (x * 5981 + y * 9349 + 128) % 65536, False)
for depth, name in ((1, "grey1_10x3"), (2, "grey2_7x5"), (4, "grey4_9x5"), (8, "grey8_21x9"),
                    (16, "grey16_11x7")):
    run(["pnmtopng", "-force", "src_%s.pgm" % name], "%s.png" % name)
run(["pnmtopng", "-force", "-interlace", "src_grey4_9x5.pgm"], "grey4_interlaced_9x5.png")

# True colour, 8 and 16 bits per sample, plain and interlaced.
write_pnm("src_rgb_13x7.ppm", 13, 7, 255,
          lambda x, y: ((x * 19 + 3) % 256, (y * 37 + x) % 256, (x * y * 7 + 50) % 256), True)
write_pnm("src_rgb16_9x5.ppm", 9, 5, 65535,
          lambda x, y: ((x * 7001 + 129) % 65536, (y * 13007 + x * 3) % 65536,
                        (x * y * 4099 + 32895) % 65536), True)
run(["pnmtopng", "-force", "src_rgb_13x7.ppm"], "rgb8_13x7.png")
run(["pnmtopng", "-force", "-interlace", "src_rgb_13x7.ppm"], "rgb8_interlaced_13x7.png")
run(["pnmtopng", "-force", "src_rgb16_9x5.ppm"], "rgb16_9x5.png")

# Transparency: alpha channels, a palette with tRNS, and transparent colour keys.
write_pnm("src_alpha_13x7.pgm", 13, 7, 255, lambda x, y: (x * 21 + y * 40) % 256, False)
run(["pnmtopng", "-force", "-alpha=src_alpha_13x7.pgm", "src_rgb_13x7.ppm"], "rgba_13x7.png")
run(["pnmtopng", "-force", "-interlace", "-alpha=src_alpha_13x7.pgm", "src_rgb_13x7.ppm"],
    "rgba_interlaced_13x7.png")
write_pnm("src_grey8_13x7.pgm", 13, 7, 255, lambda x, y: (x * 17 + y * 11) % 256, False)
write_pnm("src_alpha16_9x5.pgm", 9, 5, 65535, lambda x, y: (x * 8191 + y * 12345) % 65536,
          False)
run(["pnmtopng", "-force", "-alpha=src_alpha16_9x5.pgm", "src_rgb16_9x5.ppm"], "rgba16_9x5.png")
run(["pnmtopng", "-force", "-alpha=src_alpha_13x7.pgm", "src_grey8_13x7.pgm"],
    "greyalpha_13x7.png")
write_pnm("src_palalpha_9x7.pgm", 9, 7, 255, lambda x, y: [0, 255, 128, 255][(x + 2 * y) % 4],
          False)
run(["pnmtopng", "-alpha=src_palalpha_9x7.pgm", "src_pal4_9x7.ppm"], "pal_trns_9x7.png")
# the key colours: the first grey level and the first colour of the source pictures
run(["pnmtopng", "-force", "-transparent=rgb:00/00/00", "src_grey8_21x9.pgm"],
    "grey8_key_21x9.png")
run(["pnmtopng", "-force", "-transparent=rgb:03/00/32", "src_rgb_13x7.ppm"], "rgb8_key_13x7.png")
