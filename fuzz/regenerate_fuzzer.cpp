// Regenerates random designs: settings in and out of their ranges (negative, huge, not
// numbers at all), empty and mismatched pictures, backgrounds of any size, 0 to 1200
// caption lines, any font size and zoom, any selected line.
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/fuzz_targets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  static const Design startup = StartupDesign(std::filesystem::temp_directory_path());
  const std::string problem =
      fuzz::RunRegenerateInput(std::string(reinterpret_cast<const char*>(data), size), startup);
  if (!problem.empty()) {
    std::fprintf(stderr, "regenerate_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
