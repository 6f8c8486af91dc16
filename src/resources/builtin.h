#pragma once

#include <filesystem>
#include <string>

#include "codecs/picture.h"
#include "design/design.h"

namespace corvanti {

// The 203 x 19 template the window carries, so previews can be drawn before any template
// file is loaded: a 24-bit master (top-left pixel blue 128, green 0, red 255) and an
// 8-bit alpha with a 256-entry table whose centre colour marks the face.
Picture BuiltInMasterTemplate();
Picture BuiltInAlphaTemplate();
// The BMP files of both, as a template would embed them.
std::string BuiltInMasterBmp();
std::string BuiltInAlphaBmp();

// The JPEG file of the background picture the window starts with (about 200 x 197).
std::string DefaultBackgroundJpeg();

// A design as the window starts: the defaults, the built-in template as Imagebackup,
// ImageSource, ImageShadowBackup and ImageShadow, the default background in Image7.
Design StartupDesign(const std::filesystem::path& exe_folder);

}  // namespace corvanti
