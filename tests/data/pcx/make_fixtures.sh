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
ppm('c4.ppm', 15, 7, lambda x, y: [(0,0,0), (0,170,170), (170,0,170), (170,170,170)][(x//2+y) % 4])
ppm('c2.ppm', 13, 7, lambda x, y: (200,30,60) if (x*y+x) % 3 == 0 else (10,220,90))
pgm('grey.pgm', 19, 7, lambda x, y: (x*13+y*29) & 255)
PY
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
