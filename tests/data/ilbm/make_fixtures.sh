#!/bin/sh
# Rebuilds the IFF/ILBM test files from small source images with known pixels, using netpbm and
# ImageMagick (never our own writer).  Run from this folder.
set -e
python3 ../make_sources.py
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
