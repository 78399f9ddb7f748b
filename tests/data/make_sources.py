#!/usr/bin/env python3
"""Writes the small source pictures with known pixels that the PCX, Targa and ILBM fixtures are
converted from, into the current folder.  Arguments name the ones wanted (default: all)."""
import sys


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


pal256 = [((i*37+5) & 255, (i*91+i//3) & 255, (i*53+17) & 255) for i in range(200)]
pal16 = [(255*(i&1), 255*((i>>1)&1), 255*((i>>2)&1)) if i < 8 else (40+i*10, 200-i*9, 17*i)
         for i in range(16)]
SOURCES = {
    'rgb.ppm': lambda: ppm('rgb.ppm', 23, 13,
                           lambda x, y: ((x*11+y*3) & 255, (y*19+x) & 255, (x*y*7+40) & 255)),
    'c256.ppm': lambda: ppm('c256.ppm', 31, 11, lambda x, y: pal256[(x*7+y*13) % 200]),
    'c16.ppm': lambda: ppm('c16.ppm', 17, 9, lambda x, y: pal16[(x+2*y) % 16]),
    'c4.ppm': lambda: ppm('c4.ppm', 15, 7, lambda x, y:
                          [(0,0,0), (0,170,170), (170,0,170), (170,170,170)][(x//2+y) % 4]),
    'c2.ppm': lambda: ppm('c2.ppm', 13, 7,
                          lambda x, y: (200,30,60) if (x*y+x) % 3 == 0 else (10,220,90)),
    'grey.pgm': lambda: pgm('grey.pgm', 19, 7, lambda x, y: (x*13+y*29) & 255),
}

for name in sys.argv[1:] or SOURCES:
    SOURCES[name]()
