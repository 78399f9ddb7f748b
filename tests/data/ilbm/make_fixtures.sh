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
python3 - <<'PY'
# 64 colours whose upper half is the lower half at half brightness, for an EHB file
base = [((i*8+7) & 255, (i*53+100) & 255, (255-i*6) & 255) for i in range(32)]
allc = base + [(r >> 1, g >> 1, b >> 1) for r, g, b in base]
with open('ehbmap.ppm', 'wb') as o:
    o.write(b'P6\n64 1\n255\n' + bytes(sum(allc, ())))
with open('ehb.ppm', 'wb') as o:
    o.write(b'P6\n21 9\n255\n')
    o.write(bytes(sum((allc[(x*5+y*11) % 64] for y in range(9) for x in range(21)), ())))
with open('mask.pbm', 'wb') as o:
    o.write(b'P1\n17 9\n')
    for y in range(9):
        o.write((' '.join('1' if (x+y) % 3 else '0' for x in range(17)) + '\n').encode())
PY
ppmtoilbm c2.ppm > c2.iff                           # 1 plane
ppmtoilbm c4.ppm > c4.iff                           # 2 planes
ppmtoilbm c16.ppm > c16.iff                         # 4 planes, ByteRun1
ppmtoilbm -nocompress c16.ppm > c16_raw.iff
ppmtoilbm -maskfile mask.pbm -annotation odd c16.ppm > c16_mask.iff  # mask plane, odd ANNO chunk
ppmtoilbm -maxplanes 8 c256.ppm > c256.iff          # 8 planes
ppmtoilbm -maxplanes 8 grey.pgm > grey.iff          # 7 planes
ppmtoilbm -mapfile ehbmap.ppm -fixplanes 6 -camg 0x80 ehb.ppm > ehb.iff
ppmtoilbm -24force rgb.ppm > rgb24.iff
ppmtoilbm -24force -nocompress rgb.ppm > rgb24_raw.iff
ppmtoilbm -hamforce -ham6 rgb.ppm > ham6.iff
ppmtoilbm -hamforce -ham8 rgb.ppm > ham8.iff
ilbmtoppm ham6.iff > ham6.ppm                       # HAM loses colours: netpbm's reading is the reference
ilbmtoppm ham8.iff > ham8.ppm
rm ehbmap.ppm mask.pbm
