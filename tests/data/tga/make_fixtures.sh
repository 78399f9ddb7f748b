#!/bin/sh
# Rebuilds the Targa test files from small source images with known pixels, using netpbm and
# ImageMagick (never our own writer).  Run from this folder.
set -e
python3 ../make_sources.py rgb.ppm c256.ppm c16.ppm c2.ppm grey.pgm
pamtotga -cmap c256.ppm > c256_rle.tga        # type 9 (pamtotga also writes an image ID)
pamtotga -cmap -norle c256.ppm > c256_raw.tga # type 1
pamtotga -cmap c16.ppm > c16_rle.tga
pamtotga -cmap c2.ppm > c2_rle.tga
pamtotga -rgb rgb.ppm > rgb_rle.tga           # type 10
pamtotga -rgb -norle rgb.ppm > rgb_raw.tga    # type 2
# This ImageMagick writes bottom-left files with the rows top first (and reads them the same
# way), so its files are made top-left, which it writes correctly (netpbm agrees).
convert rgb.ppm -orient TopLeft rgb_topleft.tga
convert rgb.ppm -orient TopLeft -compress RLE rgb_im_rle.tga
convert rgb.ppm -orient TopLeft -alpha on -channel A -fx 0.5 rgb32.tga
convert c256.ppm -orient TopLeft -type Palette c256_im.tga   # type 1
pamtotga -mono grey.pgm > grey_rle.tga        # type 11
pamtotga -mono -norle grey.pgm > grey_raw.tga # type 3
