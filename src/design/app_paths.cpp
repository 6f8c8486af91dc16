#include "design/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "codecs/error.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

constexpr char kProgramFolder[] = "corvanti";

bool HoldsData(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder / "media", ec) || fs::is_regular_file(folder / "script.txt", ec);
}

// A base folder variable as the XDG base directory rules read it: only an absolute path counts.
fs::path AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return {};
  fs::path path = value;
  return path.is_absolute() ? path : fs::path();
}

fs::path HomeFolder() {
  fs::path home = AbsoluteFromEnvironment("HOME");
  if (!home.empty()) return home;
  // Started without HOME (from a service, say): the account's own home folder.
  if (const passwd* account = ::getpwuid(::getuid())) {
    if (account->pw_dir != nullptr && account->pw_dir[0] == '/') return account->pw_dir;
  }
  return {};
}

// $variable, or $HOME/fallback when it is not set to an absolute path; empty without either.
fs::path BaseFolder(const char* variable, const char* fallback) {
  fs::path base = AbsoluteFromEnvironment(variable);
  if (!base.empty()) return base;
  const fs::path home = HomeFolder();
  return home.empty() ? fs::path() : home / fallback;
}

}  // namespace

AppPaths ResolveAppPaths(const fs::path& exe_folder) {
  AppPaths paths;
  const fs::path shared = (exe_folder / ".." / "share" / kProgramFolder).lexically_normal();
  std::error_code ec;
  if (HoldsData(exe_folder) || !fs::is_directory(shared, ec)) {
    paths.dataFolder = exe_folder;
    paths.tempFolder = exe_folder / "temp";
    return paths;
  }
  paths.installed = true;
  paths.dataFolder = shared;
  const fs::path cache = BaseFolder("XDG_CACHE_HOME", ".cache");
  if (!cache.empty()) paths.tempFolder = cache / kProgramFolder / "temp";
  const fs::path data = BaseFolder("XDG_DATA_HOME", ".local/share");
  if (!data.empty()) paths.userFolder = data / kProgramFolder;
  return paths;
}

void CreateScratchFolder(const AppPaths& paths) {
  if (paths.tempFolder.empty()) {
    throw Error("No folder for scratch files: neither XDG_CACHE_HOME nor HOME names one");
  }
  std::error_code ec;
  fs::create_directories(paths.tempFolder, ec);
  if (!ec && !fs::is_directory(paths.tempFolder, ec)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (ec) {
    throw Error("Cannot create the scratch folder " + paths.tempFolder.string() + " (" +
                ec.message() + ")");
  }
}

void UseAppPaths(Design& design, const AppPaths& paths) {
  design.exeFolder = paths.dataFolder;
  design.tempFolder = paths.tempFolder;
}

}  // namespace corvanti
