#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "codecs/picture_readers.h"

namespace corvanti {

// The file read with the BMP decoder whatever its name (template pictures).
DecodedPicture ReadBmpFile(const std::filesystem::path& path);

// The text after the last dot of the file's own name, lower-cased (ASCII); empty for none.
std::string LowerExtension(const std::filesystem::path& path);

// The decoder chosen by the extension (bmp, gif, jpg, jpeg, case-insensitive); any other
// extension fails with "Unknown picture file extension (.ext)". A decoder's message gets
// the file's path after it, as in "JPEG error #53 (/home/me/bg.jpg)".
DecodedPicture LoadPicture(const std::filesystem::path& path);
// The same over bytes already read; `path` names the file for its extension and messages.
DecodedPicture DecodePicture(std::string_view bytes, const std::filesystem::path& path);
// `message` followed by " (path)", unless it names the path already.
std::string WithFileName(const std::string& message, const std::filesystem::path& path);

}  // namespace corvanti
