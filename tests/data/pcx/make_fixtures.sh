#!/bin/sh
# Rebuilds the PCX test files from small source images with known pixels, using netpbm and
# ImageMagick (never our own writer).  Run from this folder.
set -e
python3 ../make_sources.py
ppmtopcx c2.ppm > c2.pcx                      # 1 bit, 1 plane
ppmtopcx c4.ppm > c4_planes.pcx               # 2 planes of 1 bit
ppmtopcx -packed c4.ppm > c4_packed.pcx       # 2 bits packed
ppmtopcx c16.ppm > c16_planes.pcx             # 4 planes of 1 bit
ppmtopcx -packed c16.ppm > c16_packed.pcx     # 4 bits packed
ppmtopcx -8bit c16.ppm > c16_8bit.pcx         # 8 bits, palette at the end
ppmtopcx c256.ppm > c256.pcx
ppmtopcx grey.pgm > grey.pcx
ppmtopcx -24bit rgb.ppm > rgb24.pcx           # 3 planes of 8 bits
convert rgb.ppm rgb_im.pcx
convert c256.ppm -type Palette c256_im.pcx
