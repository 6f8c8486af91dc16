#!/usr/bin/env bash
# Recreates the picture corpus that the reader tests decode. Every picture is made by another
# program (ImageMagick's convert, libjpeg's cjpeg and djpeg) or, for layouts those programs do
# not write, built byte by byte by the Python below from one of their files. The tests compare
# the BMP and GIF files with Qt's own decoders and the JPEG files with the djpeg references.
#
#   src16.ppm       13 x 7, 16 colours (made here); the source of the small BMPs
#   src40.ppm       13 x 7, 40 colours (made here); the source of 8-bit BMPs and the GIFs
#   photo.ppm       21 x 13 gradients (made here); the source of the JPEGs
#
#   core_1.bmp      convert -monochrome BMP2:       12-byte core header, 1 bit per pixel
#   core_4.bmp      convert -colors 16 BMP2:        core header, 4 bits
#   core_8.bmp      convert -type palette BMP2:     core header, 8 bits (40 colours)
#   core_24.bmp     convert BMP2:                   core header, 24 bits
#   info_8.bmp      convert -type palette -compress None BMP3:   40-byte header, 8 bits
#   info_24.bmp     convert BMP3:                   40-byte header, 24 bits
#   rle8.bmp        convert -scale 39x7! -type palette -compress RLE BMP3:   src40 with each
#                   pixel three wide, so that runs and literal stretches both occur
#   v5_565.bmp      convert -define bmp:subtype=RGB565 BMP:   124-byte header, bit fields 5-6-5
#   v5_555.bmp      convert -define bmp:subtype=RGB555 BMP:   124-byte header, bit fields 5-5-5
#   v5_32.bmp       convert -alpha on BMP:          124-byte header, 32 bits with bit fields
#   rle4.bmp        built: 4-bit run-length data with runs, literal runs (odd and even),
#                   a move, line ends and the end mark (convert writes only RLE8)
#   v4_565.bmp      built from v5_565.bmp: the same fields in a 108-byte header
#   info_565.bmp    built from v5_565.bmp: a 40-byte header followed by the three masks
#   info_32.bmp     built from info_24.bmp: 32 bits, no compression (default 8-8-8 masks)
#   info_16.bmp     built from info_24.bmp: 16 bits, no compression (default 5-5-5 masks)
#   topdown_24.bmp  built from info_24.bmp: negative height, rows stored top row first
#   gap_8.bmp       built from info_8.bmp: 8 bytes between the colour table and the rows,
#                   the file header's offset pointing past them
#
#   plain.gif       convert src40.ppm             global table, not interlaced
#   interlaced.gif  convert -interlace GIF
#   multi.gif       convert -delay 10 src16.ppm src40.ppm   two frames; the second has a local table
#   small.gif       convert -crop 5x3+0+0 +repage -page 13x7+6+3   a 5 x 3 frame at (6, 3)
#                   on a 13 x 7 screen
#   local.gif       built from plain.gif: the global table moved into the frame as a local table
#
#   colour.jpg      cjpeg -quality 85 photo.ppm                 reference colour.ppm
#   grey.jpg        cjpeg -grayscale -quality 85 photo.ppm      reference grey.pgm
#   progressive.jpg cjpeg -progressive -quality 85 photo.ppm    reference progressive.ppm
#   cmyk.jpg        convert -colorspace CMYK photo.ppm          reference cmyk.ppm (convert)
#   The references come from djpeg -dct float (and -colors 236 for the greyscale file, the
#   same quantizer settings the reader uses).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
# The real ImageMagick, not any wrapper earlier on the PATH.
CONVERT=${CONVERT:-/usr/bin/convert-im6.q16}

python3 - <<'EOF'
def ppm(name, w, h, pixel):
    with open(name, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (w, h))
        for y in range(h):
            for x in range(w):
                f.write(bytes(pixel(x, y)))

cols = [(0,0,0),(255,255,255),(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),
        (255,0,255),(132,66,33),(33,132,198),(198,99,0),(66,198,132),(99,33,165),
        (231,140,49),(16,16,16),(247,214,181)]
ppm('src16.ppm', 13, 7, lambda x, y: cols[(x * 3 + y * 5 + (x * y) % 4) % 16])
def c40(x, y):
    i = (x * 7 + y * 3) % 40
    return ((i * 53) % 256, (i * 97 + 40) % 256, (255 - i * 6) % 256)
ppm('src40.ppm', 13, 7, c40)
ppm('photo.ppm', 21, 13, lambda x, y: ((x * 12) % 256, (y * 19) % 256, (x * y * 3 + 60) % 256))
EOF

"$CONVERT" src16.ppm -monochrome BMP2:core_1.bmp
"$CONVERT" src16.ppm -colors 16 BMP2:core_4.bmp
"$CONVERT" src40.ppm -type palette BMP2:core_8.bmp
"$CONVERT" src16.ppm BMP2:core_24.bmp
"$CONVERT" src40.ppm -type palette -compress None BMP3:info_8.bmp
"$CONVERT" src16.ppm BMP3:info_24.bmp
"$CONVERT" src40.ppm -scale 39x7! -type palette -compress RLE BMP3:rle8.bmp
"$CONVERT" src16.ppm -define bmp:subtype=RGB565 BMP:v5_565.bmp
"$CONVERT" src16.ppm -define bmp:subtype=RGB555 BMP:v5_555.bmp
"$CONVERT" src16.ppm -alpha on BMP:v5_32.bmp

"$CONVERT" src40.ppm plain.gif
"$CONVERT" src40.ppm -interlace GIF interlaced.gif
"$CONVERT" -delay 10 src16.ppm src40.ppm multi.gif
"$CONVERT" src16.ppm -crop 5x3+0+0 +repage -page 13x7+6+3 small.gif

cjpeg -quality 85 photo.ppm > colour.jpg
cjpeg -grayscale -quality 85 photo.ppm > grey.jpg
cjpeg -progressive -quality 85 photo.ppm > progressive.jpg
"$CONVERT" photo.ppm -colorspace CMYK -quality 90 cmyk.jpg
djpeg -dct float -pnm colour.jpg > colour.ppm
djpeg -dct float -colors 236 -pnm grey.jpg > grey.pgm
djpeg -dct float -pnm progressive.jpg > progressive.ppm
"$CONVERT" cmyk.jpg -colorspace sRGB -depth 8 PPM:cmyk.ppm

python3 - <<'EOF'
import struct

def u16(b, at): return struct.unpack_from('<H', b, at)[0]
def u32(b, at): return struct.unpack_from('<I', b, at)[0]
def i32(b, at): return struct.unpack_from('<i', b, at)[0]

def bmp(name, header, table, rows, gap=b''):
    """A BMP file around a header (from its size field on), colour table and row bytes."""
    offset = 14 + len(header) + len(table) + len(gap)
    size = offset + len(rows)
    with open(name, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', size, 0, 0, offset) + header + table + gap + rows)

def info_header(w, h, bpp, compression, image_size, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, compression, image_size, 2835, 2835,
                       colours, 0)

def read_ppm(name):
    data = open(name, 'rb').read()
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    return w, h, parts[4][-w * h * 3:]

# 4-bit run-length data over a 16-colour table, 13 x 7, bottom row first.
w, h = 13, 7
table = b''.join(bytes((b, g, r, 0)) for (r, g, b) in
                 [(0,0,0),(255,255,255),(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),
                  (255,0,255),(132,66,33),(33,132,198),(198,99,0),(66,198,132),(99,33,165),
                  (231,140,49),(16,16,16),(247,214,181)])
rle = b''
rle += bytes((13, 0x12)) + b'\x00\x00'                 # a full row of alternating 1, 2
rle += bytes((5, 0x33, 0, 5, 0x45, 0x67, 0x80, 0)) + bytes((3, 0x9A)) + b'\x00\x00'  # run, odd literal
rle += bytes((0, 6, 0xAB, 0xCD, 0xEF, 0, 7, 0xFE)) + b'\x00\x00'  # even literal, run
rle += bytes((2, 0x55, 0, 2, 4, 0, 3, 0x77)) + b'\x00\x00'  # a run, a move 4 right, a run
rle += bytes((13, 0xC3)) + b'\x00\x00'
rle += bytes((0, 13, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xC0, 0)) + b'\x00\x00'  # 13 literals
rle += bytes((4, 0xEE)) + b'\x00\x01'                  # short last row, then the end mark
bmp('rle4.bmp', info_header(w, h, 4, 2, len(rle), 16), table, rle)

# The 5-6-5 picture with a 108-byte header (the 124-byte one less its last 16 bytes).
v5 = open('v5_565.bmp', 'rb').read()
hsize = u32(v5, 14)
rows = v5[u32(v5, 10):]
v4 = struct.pack('<I', 108) + v5[18:14 + 108]
bmp('v4_565.bmp', v4, b'', rows)
# ... and with a 40-byte header, the masks following it.
info = struct.pack('<I', 40) + v5[18:14 + 40]
bmp('info_565.bmp', info, v5[14 + 40:14 + 52], rows)

# 24-bit rows turned into 32-bit and 16-bit rows without compression, and stored top-down.
w, h, rgb = read_ppm('src16.ppm')
def rows_of(bpp, top_down=False):
    out = b''
    order = range(h) if top_down else range(h - 1, -1, -1)
    for y in order:
        row = b''
        for x in range(w):
            r, g, b = rgb[(y * w + x) * 3:(y * w + x) * 3 + 3]
            if bpp == 32:
                row += bytes((b, g, r, 0))
            elif bpp == 24:
                row += bytes((b, g, r))
            else:
                row += struct.pack('<H', (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))
        out += row + b'\x00' * (-len(row) % 4)
    return out
r32 = rows_of(32)
bmp('info_32.bmp', info_header(w, h, 32, 0, len(r32)), b'', r32)
r16 = rows_of(16)
bmp('info_16.bmp', info_header(w, h, 16, 0, 0), b'', r16)
r24 = rows_of(24, top_down=True)
bmp('topdown_24.bmp', info_header(w, -h, 24, 0, len(r24)), b'', r24)

# An 8-bit picture whose rows start 8 bytes after its colour table.
b8 = open('info_8.bmp', 'rb').read()
colours = u32(b8, 46) or 256
table = b8[54:54 + 4 * colours]
bmp('gap_8.bmp', b8[14:54], table, b8[u32(b8, 10):], gap=b'\xAA' * 8)

# The GIF's global table moved into its first frame.
g = bytearray(open('plain.gif', 'rb').read())
flags = g[10]
size = 3 * (2 << (flags & 7))
gtable = bytes(g[13:13 + size])
rest = g[13 + size:]
at = rest.index(0x2C)                       # the image descriptor after the extensions
desc = rest[at:at + 10]
desc[9] = (desc[9] & 0x40) | 0x80 | (flags & 7)
out = g[:10] + bytes((flags & 0x70, 0, 0)) + rest[:at] + desc + gtable + rest[at + 10:]
open('local.gif', 'wb').write(out)
EOF
rm -f src16.ppm src40.ppm photo.ppm
