#include "support/test_support.h"

#include <QGuiApplication>

#include <cstdlib>
#include <random>

#include "codecs/error.h"

namespace corvanti::test {

TempDir::TempDir() {
  static std::mt19937_64 random{std::random_device{}()};
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("corvanti-test-" + std::to_string(random() % 100000000000ULL));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "corvanti-tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

Picture SolidPicture(int width, int height, Colour colour) {
  Picture p(width, height);
  p.Fill(colour);
  return p;
}

Picture PhotoLikePicture(int width, int height, unsigned seed) {
  Picture p(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int r = (x * 255) / (width > 1 ? width - 1 : 1) + noise(random);
      int g = (y * 255) / (height > 1 ? height - 1 : 1) + noise(random);
      int b = ((x + y) * 97 % 256) / 2 + 64 + noise(random);
      auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
      p.SetPixel(x, y, MakeColour(clamp(r), clamp(g), clamp(b)));
    }
  }
  return p;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

std::filesystem::path TestDataDir() { return CORVANTI_TEST_DATA; }
std::filesystem::path SourceDir() { return CORVANTI_SOURCE_DIR; }
std::filesystem::path BinDir() { return CORVANTI_BIN_DIR; }

}  // namespace corvanti::test
