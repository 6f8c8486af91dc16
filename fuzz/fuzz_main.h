#pragma once

// What the design fuzzers share: Qt's offscreen platform for text, a scratch app folder of
// their own, and one way to stop on a problem the run reports.
#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "support/fuzz_targets.h"

namespace corvanti::fuzz {

// The app folder of this process (temp/ and background/ inside), removed when it exits;
// fork mode starts many processes, each with its own.
inline const std::filesystem::path& ScratchAppFolder() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("corvanti-fuzz-" + std::to_string(::getpid()));
    Folder() {
      std::filesystem::create_directories(path / "temp");
      std::filesystem::create_directories(path / "background");
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } folder;
  return folder.path;
}

inline std::string InputText(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A run that reports a problem is a finding: say it and stop.
inline void AbortOnProblem(const char* target, const std::string& problem) {
  if (problem.empty()) return;
  std::fprintf(stderr, "%s: %s\n", target, problem.c_str());
  std::abort();
}

}  // namespace corvanti::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}
