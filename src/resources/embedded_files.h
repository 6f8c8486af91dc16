#pragma once

#include <cstddef>
#include <string>

// The bytes of the files in resources/, compiled in by the build (cmake/embed_file.cmake).
namespace corvanti::embedded {

extern const unsigned char kBuiltinMasterBmp[];
extern const std::size_t kBuiltinMasterBmpSize;
extern const unsigned char kBuiltinAlphaBmp[];
extern const std::size_t kBuiltinAlphaBmpSize;
extern const unsigned char kDefaultBackgroundJpeg[];
extern const std::size_t kDefaultBackgroundJpegSize;

inline std::string Bytes(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace corvanti::embedded
