#include "design/design.h"

namespace corvanti {

Design::Design() = default;

void TakeCaptionStyleFromToggles(Design& design) {
  design.captionFont.italic = design.ToolButton2;
  design.captionFont.underline = design.ToolButton3;
  design.captionFont.bold = design.ToolButton1;
}

std::filesystem::path TempFolder(const Design& design) {
  return design.tempFolder.empty() ? design.exeFolder / "temp" : design.tempFolder;
}

std::vector<std::string> CaptionLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace corvanti
