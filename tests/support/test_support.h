#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "codecs/picture.h"

namespace corvanti::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A QGuiApplication on the offscreen platform, made once for the whole test program.
void EnsureGuiApplication();

// Test pictures.
Picture SolidPicture(int width, int height, Colour colour);
// Smooth gradients with some noise, many distinct colours.
Picture PhotoLikePicture(int width, int height, unsigned seed = 1);

// The message of the Error the action throws, or "(no error)".
std::string ErrorOf(const std::function<void()>& action);

std::filesystem::path TestDataDir();  // tests/data
std::filesystem::path SourceDir();    // the repository
std::filesystem::path BinDir();       // the executables and their app folder

}  // namespace corvanti::test
