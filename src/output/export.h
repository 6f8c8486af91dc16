#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "design/design.h"

namespace corvanti {

// Writes the whole "Button" picture to path, then every normal and every mouse-over
// strip, then the page made from script.txt. Needs a regenerated design.
void ExportPicturesAndHtml(Design& design, const std::filesystem::path& path);

// "Preview IE": exports to temp/test.gif after a regeneration without selection and hands
// temp/test.htm to `open` (which must not wait and whose failure is not reported).
void PreviewInBrowser(Design& design, const std::function<void(Design&)>& regenerate,
                      const std::function<void()>& process_events,
                      const std::function<void(const std::filesystem::path&)>& open);

}  // namespace corvanti
