#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "design/design.h"

namespace corvanti {

// Runs the one regeneration of the design (the loaders end with it).
using RegenerateFn = std::function<void(Design&)>;

// Memo1 := the tagged settings text of the design.
void BuildTemplateSettingsText(Design& design);

// The bytes "Save Template" writes: Memo1, then the master, alpha and background picture
// files embedded between their tags.
std::string TemplateFileBytes(const Design& design);
// Writes TemplateFileBytes to path, replacing it whole.
void SaveTemplate(const Design& design, const std::filesystem::path& path);

// Reads a .btt file (embedded or external form) into the design and regenerates through
// `regenerate`. Throws Error with the program's message; Regenerating is clear afterwards
// in every case.
void LoadTemplate(Design& design, const std::filesystem::path& path, const RegenerateFn& regenerate);

}  // namespace corvanti
