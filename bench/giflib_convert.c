/* The peer of `corvanti-cli convert IN.bmp OUT.gif` in the whole-process benchmark: giflib's
 * own road from a 24-bit BMP (bottom-up rows, as corvanti writes them) to a GIF, with its
 * quantizer and one EGifPutLine per row. With "corner" the index of the top-left pixel is
 * made transparent, as the program's corner transparency does.
 * Usage: giflib-convert IN.bmp OUT.gif [corner] */
#include <gif_lib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t Le32(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fputs("usage: giflib-convert IN.bmp OUT.gif [corner]\n", stderr);
    return 2;
  }
  FILE* in = fopen(argv[1], "rb");
  if (!in) return 1;
  unsigned char header[54];
  if (fread(header, 1, sizeof header, in) != sizeof header || header[0] != 'B' || header[1] != 'M' ||
      header[28] != 24) {
    fputs("giflib-convert: not a 24-bit BMP\n", stderr);
    return 1;
  }
  const int width = (int)Le32(header + 18);
  const int height = (int)Le32(header + 22);
  const size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
  const size_t n = (size_t)width * (size_t)height;
  unsigned char* row = malloc(stride);
  GifByteType *red = malloc(n), *green = malloc(n), *blue = malloc(n), *indices = malloc(n);
  if (!row || !red || !green || !blue || !indices) return 1;
  fseek(in, (long)Le32(header + 10), SEEK_SET);
  for (int y = height - 1; y >= 0; --y) {
    if (fread(row, 1, stride, in) != stride) return 1;
    for (int x = 0; x < width; ++x) {
      const size_t i = (size_t)y * (size_t)width + (size_t)x;
      blue[i] = row[3 * x];
      green[i] = row[3 * x + 1];
      red[i] = row[3 * x + 2];
    }
  }
  fclose(in);

  int colours = 256;
  GifColorType palette[256];
  if (GifQuantizeBuffer((unsigned)width, (unsigned)height, &colours, red, green, blue, indices, palette) !=
      GIF_OK)
    return 1;
  int error = 0;
  GifFileType* out = EGifOpenFileName(argv[2], false, &error);
  ColorMapObject* map = GifMakeMapObject(256, palette);
  if (!out || !map) return 1;
  int ok = EGifPutScreenDesc(out, width, height, 8, 0, NULL) == GIF_OK;
  if (ok && argc > 3 && strcmp(argv[3], "corner") == 0) {
    GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 3000, indices[0]};
    GifByteType extension[4];
    EGifGCBToExtension(&gcb, extension);
    ok = EGifPutExtension(out, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
  }
  ok = ok && EGifPutImageDesc(out, 0, 0, width, height, false, map) == GIF_OK;
  for (int y = 0; ok && y < height; ++y) ok = EGifPutLine(out, indices + (size_t)y * (size_t)width, width) == GIF_OK;
  if (EGifCloseFile(out, &error) != GIF_OK) ok = 0;
  GifFreeMapObject(map);
  return ok ? 0 : 1;
}
