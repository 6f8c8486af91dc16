// Loads arbitrary bytes as a template file (settings section and embedded pictures
// together) and regenerates the previews from whatever it set. A first byte of 0 makes the
// rest build a template of known tags and real pictures instead.
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "support/fuzz_targets.h"

namespace {

// The app folder of this process, removed when it exits (fork mode starts many).
struct ScratchFolder {
  std::filesystem::path path;
  ScratchFolder()
      : path(std::filesystem::temp_directory_path() /
             ("corvanti-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path / "temp");
    std::filesystem::create_directories(path / "background");
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

std::filesystem::path ExeFolder() {
  static const ScratchFolder folder;
  return folder.path;
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
  const std::string problem = fuzz::RunTemplateLoaderInput(
      std::string(reinterpret_cast<const char*>(data), size), startup, ExeFolder());
  if (!problem.empty()) {
    std::fprintf(stderr, "template_loader_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
