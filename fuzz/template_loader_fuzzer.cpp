// Loads arbitrary bytes as a template file (settings section and embedded pictures
// together) and regenerates the previews from whatever it set.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include <QGuiApplication>

#include "codecs/file_io.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/template_file.h"

namespace {

std::filesystem::path ExeFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path f = std::filesystem::temp_directory_path() /
                              ("corvanti-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(f / "temp");
    std::filesystem::create_directories(f / "background");
    return f;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  static const Design startup = StartupDesign(ExeFolder());
  Design design = startup;
  const std::filesystem::path file = ExeFolder() / "fuzz.btt";
  ReplaceFile(file, std::string(reinterpret_cast<const char*>(data), size));
  try {
    LoadTemplate(design, file, [](Design& d) { Regenerate(d); });
  } catch (const std::exception&) {
  }
  if (design.Regenerating != 0) std::abort();
  // A failed load leaves a design that still regenerates.
  try {
    Regenerate(design);
  } catch (const std::exception&) {
  }
  if (design.Regenerating != 0) std::abort();
  return 0;
}
