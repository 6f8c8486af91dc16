// Any bytes through the JPEG reader and the conversion to 24 bits: a clear error or a
// picture, never a crash, a hang or an unchecked allocation.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/error.h"
#include "codecs/picture_loader.h"
#include "codecs/picture_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A small pixel limit keeps each run quick; the limit itself is tested on its own.
  constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 22;
  try {
    const corvanti::DecodedPicture decoded = corvanti::ReadJpeg(
        std::string_view(reinterpret_cast<const char*>(data), size), kFuzzMaxPixels);
    corvanti::ToPicture24(decoded);
  } catch (const corvanti::Error&) {
  }
  return 0;
}
