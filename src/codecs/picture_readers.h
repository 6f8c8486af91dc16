#pragma once

#include <cstdint>
#include <string_view>

#include "codecs/picture.h"
#include "codecs/picture_loader.h"

namespace corvanti {

// The decoders with a pixel limit of the caller's choice at or below kMaxPicturePixels.
// The fuzz targets use a small limit so that a tiny hostile header cannot make every run
// allocate and fill hundreds of megabytes; the program itself uses kMaxPicturePixels.
DecodedPicture ReadBmp(std::string_view bytes, std::int64_t max_pixels);
DecodedPicture ReadGif(std::string_view bytes, std::int64_t max_pixels);
DecodedPicture ReadJpeg(std::string_view bytes, std::int64_t max_pixels);

// CheckPictureSize, then the caller's own limit with the same message.
void CheckPictureLimit(std::int64_t width, std::int64_t height, std::int64_t max_pixels);

}  // namespace corvanti
