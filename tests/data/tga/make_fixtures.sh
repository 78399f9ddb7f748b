#!/bin/sh
# Rebuilds the PCX test files from small source images with known pixels, using netpbm and
# ImageMagick (never our own writer).  Run from this folder.
set -e
python3 - <<'PY'
def ppm(name, w, h, f):
    with open(name, 'wb') as o:
        o.write(b'P6\n%d %d\n255\n' % (w, h))
        for y in range(h):
            for x in range(w):
                o.write(bytes(f(x, y)))
def pgm(name, w, h, f):
    with open(name, 'wb') as o:
        o.write(b'P5\n%d %d\n255\n' % (w, h))
        for y in range(h):
            o.write(bytes(f(x, y) for x in range(w)))
ppm('rgb.ppm', 23, 13, lambda x, y: ((x*11+y*3) & 255, (y*19+x) & 255, (x*y*7+40) & 255))
pal256 = [((i*37+5) & 255, (i*91+i//3) & 255, (i*53+17) & 255) for i in range(200)]
ppm('c256.ppm', 31, 11, lambda x, y: pal256[(x*7+y*13) % 200])
pal16 = [(255*(i&1), 255*((i>>1)&1), 255*((i>>2)&1)) if i < 8 else (40+i*10, 200-i*9, 17*i)
         for i in range(16)]
ppm('c16.ppm', 17, 9, lambda x, y: pal16[(x+2*y) % 16])

ppm('c2.ppm', 13, 7, lambda x, y: (200,30,60) if (x*y+x) % 3 == 0 else (10,220,90))
pgm('grey.pgm', 19, 7, lambda x, y: (x*13+y*29) & 255)
PY
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
