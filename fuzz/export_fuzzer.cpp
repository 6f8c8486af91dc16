// Exports small random designs under random names into a scratch folder with a page
// pattern, then reads every picture back.
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "support/fuzz_targets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  // This process's scratch folder, removed when it exits (fork mode starts many).
  static const struct ScratchFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("corvanti-export-fuzz-" + std::to_string(::getpid()));
    ~ScratchFolder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } scratch;
  const std::filesystem::path& folder = scratch.path;
  static const Design startup = StartupDesign(folder);
  const std::string problem =
      fuzz::RunExportInput(std::string(reinterpret_cast<const char*>(data), size), startup, folder);
  if (!problem.empty()) {
    std::fprintf(stderr, "export_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
