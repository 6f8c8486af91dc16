#pragma once

#include <filesystem>

#include "design/design.h"

namespace corvanti {

// Where the program's files are. Run from its build folder the program is self-contained:
// the executables, the shipped data and temp/ sit together. Installed (the executables in
// PREFIX/bin), the shipped data is PREFIX/share/corvanti/ and read only, scratch files go to
// the user's cache and the user's own templates and backgrounds live in the user's data
// folder.
struct AppPaths {
  // media/<category>/, background/ and script.txt as shipped.
  std::filesystem::path dataFolder;
  // Where the loads and the browser preview write their scratch files.
  std::filesystem::path tempFolder;
  // The user's own media/<category>/ and background/, to be listed beside the shipped ones;
  // empty in the build folder. Nothing here creates it.
  std::filesystem::path userFolder;
  bool installed = false;
};

// The folders for a program whose executable lies in `exe_folder`. The exe folder is the data
// folder when it holds media/ or script.txt, or when there is no ../share/corvanti/ beside it;
// temp/ is then its own. Otherwise the scratch folder is $XDG_CACHE_HOME/corvanti/temp and the
// user folder $XDG_DATA_HOME/corvanti, each defaulting under $HOME (~/.cache, ~/.local/share)
// when the variable is unset, empty or not absolute. Reads the file system and the
// environment and changes neither; without any home folder the installed tempFolder and
// userFolder stay empty.
AppPaths ResolveAppPaths(const std::filesystem::path& exe_folder);

// Makes paths.tempFolder, with any folders above it, when it is missing. Throws Error naming
// the folder when it cannot be made or when no folder is known for it.
void CreateScratchFolder(const AppPaths& paths);

// Points the design at the data folder (exeFolder) and the scratch folder (tempFolder).
void UseAppPaths(Design& design, const AppPaths& paths);

}  // namespace corvanti
