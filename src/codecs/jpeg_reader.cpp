#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/error.h"
#include "codecs/picture_readers.h"

namespace corvanti {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It jumps back
// to the frame in RunDecoder that set the jump buffer; no C++ exception ever passes through
// the library's C frames.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  ErrorManager* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

// Warnings about damaged data are not shown anywhere: the picture decodes as far as it can.
extern "C" void JpegSilentMessage(j_common_ptr) {}

// Everything the decoding run touches lives here, outside the frame that calls setjmp, so
// nothing in that frame needs to survive a longjmp.
struct Decoder {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  std::int64_t max_pixels = 0;
  DecodedPicture* out = nullptr;
  std::vector<std::uint8_t> row;
};

// Allocation and our own errors happen in these helpers, between library calls, so a C++
// exception they throw leaves through our frames only.
void PrepareOutput(Decoder& d) {
  jpeg_decompress_struct& c = d.cinfo;
  DecodedPicture& out = *d.out;
  out.width = static_cast<int>(c.output_width);
  out.height = static_cast<int>(c.output_height);
  if (c.quantize_colors) {
    out.bitsPerPixel = 8;
    out.palette.resize(static_cast<std::size_t>(c.actual_number_of_colors));
    for (int i = 0; i < c.actual_number_of_colors; ++i) {
      const int v = c.colormap[0][i];
      out.palette[static_cast<std::size_t>(i)] = MakeColour(v, v, v);
    }
    out.indices.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
  } else {
    out.bitsPerPixel = 24;
    out.pixels = Picture(out.width, out.height);
  }
  d.row.resize(static_cast<std::size_t>(c.output_width) * static_cast<std::size_t>(c.output_components));
}

void StoreRow(Decoder& d, int y) {
  jpeg_decompress_struct& c = d.cinfo;
  DecodedPicture& out = *d.out;
  const std::uint8_t* src = d.row.data();
  const std::size_t w = c.output_width;
  if (c.quantize_colors) {
    std::memcpy(out.indices.data() + static_cast<std::size_t>(y) * w, src, w);
    return;
  }
  std::uint8_t* dst = out.pixels.Row(y);
  if (c.out_color_space == JCS_CMYK) {
    // Files with an Adobe marker store CMYK inverted (as written by most tools).
    const bool inverted = c.saw_Adobe_marker;
    for (std::size_t x = 0; x < w; ++x) {
      int cc = src[4 * x], m = src[4 * x + 1], ye = src[4 * x + 2], k = src[4 * x + 3];
      if (!inverted) {
        cc = 255 - cc; m = 255 - m; ye = 255 - ye; k = 255 - k;
      }
      dst[3 * x] = static_cast<std::uint8_t>(ye * k / 255);
      dst[3 * x + 1] = static_cast<std::uint8_t>(m * k / 255);
      dst[3 * x + 2] = static_cast<std::uint8_t>(cc * k / 255);
    }
    return;
  }
  for (std::size_t x = 0; x < w; ++x) {
    dst[3 * x] = src[3 * x + 2];
    dst[3 * x + 1] = src[3 * x + 1];
    dst[3 * x + 2] = src[3 * x];
  }
}

void CheckHeader(Decoder& d) {
  jpeg_decompress_struct& c = d.cinfo;
  CheckPictureSize(c.image_width, c.image_height, d.max_pixels);
  const bool grey = c.out_color_space == JCS_GRAYSCALE && c.num_components == 1;
  const bool rgb = c.out_color_space == JCS_RGB;
  const bool cmyk = c.out_color_space == JCS_CMYK && c.num_components == 4;
  if (!grey && !rgb && !cmyk) throw Error("Unsupported JPEG colour space");
}

// Returns false with the library's message code in msg_code when the library gave up.
bool RunDecoder(Decoder* d) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  jpeg_mem_src(&d->cinfo, d->data, d->size);
  jpeg_read_header(&d->cinfo, TRUE);
  CheckHeader(*d);

  d->cinfo.scale_num = 1;
  d->cinfo.scale_denom = 1;
  d->cinfo.dct_method = JDCT_FLOAT;
  d->cinfo.do_block_smoothing = TRUE;
  if (d->cinfo.out_color_space == JCS_GRAYSCALE) {
    d->cinfo.quantize_colors = TRUE;
    d->cinfo.desired_number_of_colors = 236;
  }
#ifdef JCS_EXTENSIONS
  // The same colours, delivered in the picture's own byte order straight into its rows.
  const bool direct = d->cinfo.out_color_space == JCS_RGB;
  if (direct) d->cinfo.out_color_space = JCS_EXT_BGR;
#else
  const bool direct = false;
#endif
  jpeg_start_decompress(&d->cinfo);
  PrepareOutput(*d);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    const int y = static_cast<int>(d->cinfo.output_scanline);
    JSAMPROW rows[1] = {direct ? d->out->pixels.Row(y) : d->row.data()};
    if (jpeg_read_scanlines(&d->cinfo, rows, 1) != 1) break;
    if (!direct) StoreRow(*d, y);
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

}  // namespace

DecodedPicture ReadJpeg(std::string_view bytes) { return ReadJpeg(bytes, kMaxPicturePixels); }

DecodedPicture ReadJpeg(std::string_view bytes, std::int64_t max_pixels) {
  DecodedPicture out;
  Decoder d;
  std::memset(&d.cinfo, 0, sizeof d.cinfo);
  d.cinfo.err = jpeg_std_error(&d.errors.pub);
  d.errors.pub.error_exit = JpegErrorExit;
  d.errors.pub.output_message = JpegSilentMessage;
  d.data = reinterpret_cast<const unsigned char*>(bytes.data());
  d.size = static_cast<unsigned long>(bytes.size());
  d.max_pixels = max_pixels;
  d.out = &out;
  bool ok = false;
  try {
    ok = RunDecoder(&d);
  } catch (...) {
    jpeg_destroy_decompress(&d.cinfo);
    throw;
  }
  const int code = d.errors.pub.msg_code;
  jpeg_destroy_decompress(&d.cinfo);
  if (!ok) throw Error("JPEG error #" + std::to_string(code));
  return out;
}

}  // namespace corvanti
