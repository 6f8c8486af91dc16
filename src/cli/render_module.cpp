#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "codecs/error.h"

namespace corvanti::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kModuleName[] = "corvanti-render.so";

// lib/corvanti/ beside bin/ when installed, the program's own folder in the build tree.
fs::path ModulePath() {
  std::error_code ec;
  const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
  const fs::path installed = (folder / ".." / "lib" / "corvanti" / kModuleName).lexically_normal();
  return fs::exists(installed, ec) ? installed : folder / kModuleName;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
  const fs::path module = ModulePath();
  // Loaded for good: Qt's libraries stay until the process ends.
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw Error("Cannot load the renderer " + module.string() + ": " + ::dlerror());
  using Entry = int (*)(const std::vector<std::string>*);
  const auto entry = reinterpret_cast<Entry>(::dlsym(handle, "corvanti_cli_render"));
  if (!entry) throw Error("Cannot load the renderer " + module.string() + ": no entry point");
  return entry(&args);
}

}  // namespace corvanti::cli
