#pragma once

// One input of each fuzz target, run the same way by the fuzz programs and by the tests
// that replay their findings. Each returns an empty string when every check held, or what
// went wrong. Errors with the program's message are expected results; anything else that
// leaves (another exception, a crash, a sanitizer report) is a finding.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "output/export.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "support/fuzz_inputs.h"
#include "templates/template_file.h"

namespace corvanti::fuzz {

// The previews a successful regeneration leaves: both stacks W x (rows + 1) with rows the
// buttons' rows (one button's when there are no lines), the tool strip N*W x (H + 1).
inline std::string CheckPreviews(const Design& d) {
  const std::int64_t n = static_cast<std::int64_t>(CaptionLines(d.edit1).size());
  const std::int64_t w = d.ImageSource.Width();
  const std::int64_t h = d.ImageSource.Height();
  const std::int64_t rows = (n >= 1 ? n * h : h) + 1;
  if (d.Image2.Width() != w || d.Image2.Height() != rows) return "Image2 has the wrong size";
  if (d.Image8.Width() != w || d.Image8.Height() != rows) return "Image8 has the wrong size";
  if (d.Image5.Width() != n * w || d.Image5.Height() != h + 1) return "Image5 has the wrong size";
  return std::string();
}

// Any bytes as a template file; then the design must still regenerate or fail cleanly.
inline std::string RunTemplateLoaderInput(const std::string& bytes, const Design& startup,
                                          const std::filesystem::path& exe_folder) {
  Design design = startup;
  design.exeFolder = exe_folder;
  const std::filesystem::path file = exe_folder / "fuzz.btt";
  std::string contents = bytes;
  // A first byte of 0 asks for a template assembled from the rest: tags, values and real
  // pictures, which random bytes almost never form.
  if (!bytes.empty() && bytes[0] == '\0') {
    ByteReader in(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 1, bytes.size() - 1);
    contents = TemplateBytes(in);
  }
  WriteWholeFile(contents, file);
  bool loaded = false;
  try {
    LoadTemplate(design, file, [](Design& d) { Regenerate(d); });
    loaded = true;
  } catch (const Error&) {
  }
  if (design.Regenerating != 0) return "Regenerating left set after a template load";
  if (loaded && design.SelectedLine != kNoLineSelected) return "a template load left a line selected";
  if (loaded && design.Imagebackup.Empty() == false &&
      design.frontcolordefault !=
          design.Imagebackup.Pixel(design.Imagebackup.Width() / 2, design.Imagebackup.Height() / 2)) {
    return "frontcolordefault is not the master's centre pixel";
  }
  // Whatever the load reached, the program goes on: the next change regenerates.
  design.Regenerating = 0;
  try {
    Regenerate(design);
    const std::string problem = CheckPreviews(design);
    if (!problem.empty()) return problem;
  } catch (const Error&) {
  }
  if (design.Regenerating != 0) return "Regenerating left set after a regeneration";
  return std::string();
}

// A random design regenerated: either previews of the right sizes or a clean Error.
inline std::string RunRegenerateInput(const std::string& bytes, const Design& startup) {
  Design design = startup;
  ByteReader in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  DecodeDesign(in, design);
  const int selected = design.SelectedLine;
  try {
    Regenerate(design);
  } catch (const Error&) {
    if (design.Regenerating != 0) return "Regenerating left set after an error";
    return std::string();
  }
  if (design.Regenerating != 0) return "Regenerating left set";
  if (design.SelectedLine != selected) return "the regeneration changed SelectedLine";
  const std::string problem = CheckPreviews(design);
  if (!problem.empty()) return problem;
  // A second run over the pictures of the first (they are reused) gives the same previews.
  const Picture first = design.Image2;
  try {
    Regenerate(design);
  } catch (const Error&) {
    return "the second regeneration of the same design failed";
  }
  if (design.Image2 != first) return "a second regeneration drew differently";
  return std::string();
}

// A small random design exported under a random name into an empty folder with a page
// pattern: every file written is whole, or the export stopped with the program's message.
inline std::string RunExportInput(const std::string& bytes, const Design& startup,
                                  const std::filesystem::path& folder) {
  Design design = startup;
  ByteReader in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  DesignLimits limits;
  limits.max_lines = 12;
  limits.max_picture_side = 24;
  DecodeDesign(in, design, limits);
  // Sizes a window could not set stay small here: the export writes every strip.
  design.buttonwidth.SetValue(in.Range(0, 60));
  design.buttonheight.SetValue(in.Range(0, 30));
  const std::string name = OutputName(in);
  const int pattern = in.Byte() % 3;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder);
  design.exeFolder = folder;
  if (pattern != 0) {
    WriteWholeFile(pattern == 1 ? std::string("<html>[imagelist]|[testhtmlcode]</html>") : in.Rest(), folder / "script.txt");
  }

  design.SelectedLine = kNoLineSelected;
  try {
    Regenerate(design);
  } catch (const Error&) {
    return std::string();
  }
  const std::filesystem::path target = folder / name;
  bool exported = false;
  try {
    ExportPicturesAndHtml(design, target);
    exported = true;
  } catch (const Error&) {
  }
  // No scratch file of a write beside its target is ever left behind.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (entry.path().filename().string().find(".part-") != std::string::npos) {
      return "a scratch file was left: " + entry.path().string();
    }
  }
  if (!exported) return std::string();
  // Every picture reads back with the size of what it shows. The names derive as the
  // export derives them: the chosen name without the part from its last dot.
  const std::string file_name = target.filename().string();
  const std::size_t dot = file_name.rfind('.');
  const std::string base = dot == std::string::npos ? file_name : file_name.substr(0, dot);
  try {
    // A picture named like the page is overwritten by the page, as the user asked.
    if (base + ".htm" != file_name) {
      const DecodedPicture whole = ReadGif(ReadWholeFile(target));
      if (whole.width != design.Image2.Width() || whole.height != design.Image2.Height()) {
        return "the whole picture has the wrong size";
      }
    }
    const int n = static_cast<int>(CaptionLines(design.edit1).size());
    for (int k = 1; k <= n; ++k) {
      for (const char* suffix : {".gif", "_mouseover.gif"}) {
        const std::filesystem::path strip =
            target.parent_path() / (base + "_" + std::to_string(k) + suffix);
        const DecodedPicture p = ReadGif(ReadWholeFile(strip));
        if (p.width != design.ImageSource.Width() || p.height != design.ImageSource.Height()) {
          return "strip " + std::to_string(k) + " has the wrong size";
        }
      }
    }
    if (!FileExists(target.parent_path() / (base + ".htm"))) return "no page was written";
  } catch (const Error& e) {
    return std::string("an exported picture does not read back: ") + e.what();
  }
  return std::string();
}

}  // namespace corvanti::fuzz
