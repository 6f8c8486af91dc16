#include "design/app_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or unsets it, given nothing) for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// PREFIX/bin beside PREFIX/share/corvanti, as `cmake --install` lays them.
fs::path InstalledBin(const test::TempDir& dir) {
  fs::create_directories(dir / "prefix/bin");
  fs::create_directories(dir / "prefix/share/corvanti/media/button");
  WriteWholeFile("[imagelist]", dir / "prefix/share/corvanti/script.txt");
  return dir / "prefix/bin";
}

TEST(ResolveAppPaths, TheBuildFolderHoldsItsDataAndTemp) {
  test::TempDir dir;
  // Even with an installed tree beside it, a folder with its own data is used as it is.
  InstalledBin(dir);
  const fs::path exe = dir / "prefix/bin";
  fs::create_directory(exe / "media");
  const AppPaths paths = ResolveAppPaths(exe);
  EXPECT_FALSE(paths.installed);
  EXPECT_EQ(paths.dataFolder, exe);
  EXPECT_EQ(paths.tempFolder, exe / "temp");
  EXPECT_TRUE(paths.userFolder.empty());
}

TEST(ResolveAppPaths, AFolderWithoutDataOrAnInstallKeepsTheExeFolder) {
  test::TempDir dir;
  const AppPaths paths = ResolveAppPaths(dir.path());
  EXPECT_FALSE(paths.installed);
  EXPECT_EQ(paths.dataFolder, dir.path());
  EXPECT_EQ(paths.tempFolder, dir / "temp");
}

TEST(ResolveAppPaths, InstalledReadsShareAndWritesTheCacheTheVariablesName) {
  test::TempDir dir;
  const fs::path bin = InstalledBin(dir);
  ScopedEnv home("HOME", (dir / "home").string());
  ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").string());
  ScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
  const AppPaths paths = ResolveAppPaths(bin);
  EXPECT_TRUE(paths.installed);
  EXPECT_EQ(paths.dataFolder, dir / "prefix/share/corvanti");
  EXPECT_EQ(paths.tempFolder, dir / "cache/corvanti/temp");
  EXPECT_EQ(paths.userFolder, dir / "data/corvanti");
  // Resolving creates nothing; the scratch folder is made on request, the user folder never.
  EXPECT_FALSE(fs::exists(dir / "cache"));
  CreateScratchFolder(paths);
  EXPECT_TRUE(fs::is_directory(paths.tempFolder));
  EXPECT_FALSE(fs::exists(dir / "data"));

  Design design;
  UseAppPaths(design, paths);
  EXPECT_EQ(design.exeFolder, paths.dataFolder);
  EXPECT_EQ(TempFolder(design), paths.tempFolder);
}

TEST(ResolveAppPaths, InstalledDefaultsComeFromHome) {
  test::TempDir dir;
  const fs::path bin = InstalledBin(dir);
  ScopedEnv home("HOME", (dir / "home").string());
  // A relative base folder does not count.
  ScopedEnv cache("XDG_CACHE_HOME", "relative/cache");
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  const AppPaths paths = ResolveAppPaths(bin);
  EXPECT_EQ(paths.tempFolder, dir / "home/.cache/corvanti/temp");
  EXPECT_EQ(paths.userFolder, dir / "home/.local/share/corvanti");
}

TEST(CreateScratchFolder, SaysWhichFolderCannotBeMade) {
  test::TempDir dir;
  WriteWholeFile("a file where the cache folder should be", dir / "cache");
  AppPaths paths;
  paths.tempFolder = dir / "cache/corvanti/temp";
  try {
    CreateScratchFolder(paths);
    FAIL() << "no error";
  } catch (const Error& e) {
    const std::string prefix = "Cannot create the scratch folder " + paths.tempFolder.string() + " (";
    EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix) << e.what();
  }
}

}  // namespace
}  // namespace corvanti
