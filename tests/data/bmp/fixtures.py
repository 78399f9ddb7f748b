# Source pictures and derived BMP variants for the reader's tests (see make_fixtures.sh).
import struct, sys

def write_ppm(name, w, h, px):
    with open(name, "w") as f:
        f.write("P3\n%d %d\n255\n" % (w, h))
        for y in range(h):
            f.write(" ".join("%d %d %d" % px(x, y) for x in range(w)) + "\n")

def read_ppm(name):
    t = open(name).read().split()
    w, h = int(t[1]), int(t[2])
    v = list(map(int, t[4:]))
    return w, h, [[tuple(v[3 * (y * w + x):3 * (y * w + x) + 3]) for x in range(w)] for y in range(h)]

PAL16 = [(0,0,0),(255,255,255),(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),(255,0,255),
         (128,128,128),(64,32,16),(200,100,50),(10,20,30),(90,180,45),(17,34,51),(250,128,5),(33,66,99)]
PAL4 = [(12,34,56),(250,240,230),(0,128,255),(99,0,0)]

def sources():
    def rgb(x, y):
        if (x, y) == (0, 0): return (255, 255, 255)
        if (x, y) == (10, 6): return (0, 0, 0)
        return ((x*23 + y*59 + 7) % 256, (x*71 + y*13 + 100) % 256, (x*5 + y*97 + 200) % 256)
    write_ppm("src_rgb.ppm", 11, 7, rgb)
    write_ppm("src_pal16.ppm", 13, 7, lambda x, y: PAL16[(x + 3*y + (x*y) % 5) % 16])
    write_ppm("src_mono.ppm", 17, 5, lambda x, y: (255,255,255) if (x*y + x + y) % 3 == 0 else (0,0,0))
    write_ppm("src_pal4.ppm", 9, 5, lambda x, y: PAL4[(x * 3 + y) % 4])

def info40(w, h, bpp, comp, image_size, clr_used=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, comp, image_size, 2835, 2835, clr_used, 0)

def bmp(info, extra, data):
    off = 14 + len(info) + len(extra)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + extra + data

def split(d):
    off = struct.unpack_from("<I", d, 10)[0]
    hs = struct.unpack_from("<I", d, 14)[0]
    return d[14:14 + hs], d[14 + hs:off], d[off:]

def rows_of(data, stride, h):
    return [data[i * stride:(i + 1) * stride] for i in range(h)]

def palette_bytes(pal):
    return b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)

def rle4_row(idx):
    # runs of three or more equal pixels, absolute runs for the rest (padded to 16 bits)
    out, i, n = bytearray(), 0, len(idx)
    while i < n:
        j = i
        while j < n and idx[j] == idx[i] and j - i < 255: j += 1
        if j - i >= 3 or n - i < 3:
            out += bytes((j - i, idx[i] << 4 | idx[i]))
            i = j
            continue
        j = i + 1
        while j < n and j - i < 255 and not (j + 2 < n and idx[j] == idx[j+1] == idx[j+2]): j += 1
        if j - i < 3: j = min(n, i + 3)
        lit = idx[i:j] + [0]
        body = bytes((lit[k] << 4 | lit[k + 1]) for k in range(0, j - i, 2))
        out += bytes((0, j - i)) + body + (b"\0" if len(body) % 2 else b"")
        i = j
    return bytes(out)

def derived():
    w, h, px = read_ppm("src_pal16.ppm")
    # RLE4, bottom-up, end of line after each row, end of bitmap at the end
    stream = b"".join(rle4_row([PAL16.index(px[y][x]) for x in range(w)]) + b"\0\0"
                      for y in reversed(range(h))) + b"\0\1"
    open("pal4_rle4.bmp", "wb").write(bmp(info40(w, h, 4, 2, len(stream), 16), palette_bytes(PAL16), stream))

    # 2 bit per pixel, colour table of 4 entries
    w, h, px = read_ppm("src_pal4.ppm")
    stride = (w * 2 + 31) // 32 * 4
    data = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            row[x // 4] |= PAL4.index(px[y][x]) << (6 - 2 * (x % 4))
        data += row
    open("pal2_win3.bmp", "wb").write(bmp(info40(w, h, 2, 0, len(data), 4), palette_bytes(PAL4), bytes(data)))

    # V4 header: the V5 file without its last 16 header bytes
    info, table, data = split(open("rgb24_v5.bmp", "rb").read())
    open("rgb24_v4.bmp", "wb").write(bmp(struct.pack("<I", 108) + info[4:108], table, data))

    # 16 bit without masks (5-5-5 by default) and with masks after a 40-byte header
    info, _, data = split(open("rgb16_555_v5.bmp", "rb").read())
    open("rgb16_555_win3.bmp", "wb").write(bmp(info40(11, 7, 16, 0, len(data)), b"", data))
    info, _, data = split(open("rgb16_565_v5.bmp", "rb").read())
    open("rgb16_565_win3.bmp", "wb").write(
        bmp(info40(11, 7, 16, 3, len(data)), struct.pack("<III", 0xF800, 0x07E0, 0x001F), data))
    # BI_ALPHABITFIELDS: four masks after a 40-byte header
    info, _, data = split(open("rgb32_bitfields_v5.bmp", "rb").read())
    open("rgb32_alphabitfields.bmp", "wb").write(
        bmp(info40(11, 7, 32, 6, len(data)), struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000), data))

    # top-down rows (negative height)
    for src, dst, w, h, bpp in (("pal8_win3.bmp", "pal8_topdown.bmp", 13, 7, 8),
                                ("rgb24_win3.bmp", "rgb24_topdown.bmp", 11, 7, 24)):
        d = open(src, "rb").read()
        info, table, data = split(d)
        stride = (w * bpp + 31) // 32 * 4
        info = info[:8] + struct.pack("<i", -h) + info[12:]
        open(dst, "wb").write(bmp(info, table, b"".join(reversed(rows_of(data, stride, h)))))

    # packed DIB as on the clipboard: no file header
    open("pal4_packed.dib", "wb").write(open("pal4_win3.bmp", "rb").read()[14:])

{"sources": sources, "derived": derived}[sys.argv[1]]()
