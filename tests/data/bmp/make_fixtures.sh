#!/bin/sh
# Rebuilds the BMP reader's test images from the small source pictures in this folder.
# Most files are written by netpbm and ImageMagick; the variants those tools cannot write
# (V4 header, BI_RGB 16 bit, masks after a 40-byte header, top-down rows, 2 bit, RLE4, a packed
# DIB) are derived from their output by fixtures.py.
set -e
cd "$(dirname "$0")"
IM=/usr/bin/convert
python3 fixtures.py sources

ppmtobmp -windows -bpp 24 src_rgb.ppm > rgb24_win3.bmp
ppmtobmp -os2 -bpp 24 src_rgb.ppm > rgb24_os2.bmp
ppmtobmp -windows -bpp 8 src_pal16.ppm > pal8_win3.bmp
ppmtobmp -os2 -bpp 8 src_pal16.ppm > pal8_os2.bmp
ppmtobmp -windows -bpp 4 src_pal16.ppm > pal4_win3.bmp
ppmtobmp -os2 -bpp 4 src_pal16.ppm > pal4_os2.bmp
ppmtobmp -windows -bpp 1 src_mono.ppm > pal1_win3.bmp
ppmtobmp -os2 -bpp 1 src_mono.ppm > pal1_os2.bmp
$IM src_pal16.ppm -type palette -compress RLE bmp3:pal8_rle8.bmp
$IM src_pal16.ppm -type palette -compress RLE bmp:pal8_rle8_v5.bmp
$IM src_pal16.ppm -type palette bmp3:pal4_clrused.bmp
$IM src_rgb.ppm -define bmp:subtype=RGB565 bmp:rgb16_565_v5.bmp
$IM src_rgb.ppm -define bmp:subtype=RGB555 bmp:rgb16_555_v5.bmp
$IM src_rgb.ppm -alpha set -define bmp:subtype=ARGB4444 bmp:argb16_4444_v5.bmp
$IM src_rgb.ppm -alpha set -define bmp:subtype=ARGB1555 bmp:argb16_1555_v5.bmp
$IM src_rgb.ppm -alpha set -define bmp3:alpha=true bmp3:rgb32_win3.bmp
$IM src_rgb.ppm -alpha set bmp:rgb32_bitfields_v5.bmp
$IM src_rgb.ppm bmp:rgb24_v5.bmp

python3 fixtures.py derived
