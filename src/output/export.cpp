#include "output/export.h"

#include <exception>
#include <string>
#include <utility>

#include "codecs/file_io.h"
#include "codecs/gif_writer.h"
#include "codecs/picture.h"
#include "output/encode_ahead.h"
#include "output/strips.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

// The path with the extension of its last component replaced by suffix.
std::filesystem::path WithSuffix(const std::filesystem::path& path, const std::string& suffix) {
  return path.parent_path() / (BaseNameOf(path) + suffix);
}

// The base name goes into double-quoted HTML attributes and single-quoted script strings;
// these six characters would end or bend them. Percent-encoded, the relative URL still
// names the real file, so the page keeps working; every other byte stays as it is.
std::string EncodeForPage(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '"': out += "%22"; break;
      case '\'': out += "%27"; break;
      case '<': out += "%3C"; break;
      case '>': out += "%3E"; break;
      case '&': out += "%26"; break;
      case '\\': out += "%5C"; break;
      default: out += c;
    }
  }
  return out;
}

// The link of one button: the row and the column tables differ only in the image name and
// the line break after each link.
std::string Entry(const std::string& image_prefix, const std::string& ending, int width, int k,
                  const std::string& base) {
  const std::string w = std::to_string(width);
  const std::string line = std::to_string(k);
  std::string e;
  e += "<A href=\"#\" onmouseover=\"MM_swapImage('" + image_prefix;
  e += w;
  e += line;
  e += "','','";
  e += base;
  e += "_";
  e += line;
  e += "_mouseover.gif',1)\"";
  e += " onmouseout=MM_swapImgRestore()";
  e += " ><img src=\"";
  e += base;
  e += "_";
  e += line;
  e += ".gif\" Border=\"0\" name=\"" + image_prefix;
  e += w;
  e += line;
  e += ending;
  return e;
}

std::string Table(const std::string& entries) {
  return "<table width=\"200\" border=\"0\"><tr><td>" + entries + "</td></tr></table>";
}

}  // namespace

void ExportPicturesAndHtml(Design& design, const std::filesystem::path& path) {
  const std::string base = BaseNameOf(path);
  const int n = static_cast<int>(CaptionLines(design.edit1).size());
  const int w = design.ImageSource.Width();
  const int h = design.ImageSource.Height();
  const GifTransparency whole = design.tbg ? GifTransparency::kKeyColour : GifTransparency::kNone;
  const GifTransparency strips =
      design.tbg ? GifTransparency::kTopLeftIndex : GifTransparency::kNone;

  // No file is ever seen torn: each is written under no name and then named (an existing
  // one is replaced by a rename). The whole stack first, then the normal buttons and the
  // mouse-over ones; the buttons are encoded and written ahead on a second thread, and
  // this one names them in their order.
  auto button = [&](int i) {
    return i < n ? std::pair(&design.Image2, i + 1) : std::pair(&design.Image8, i - n + 1);
  };
  WriteFilesAhead(
      2 * n,
      [&](int i) {
        const auto [stack, k] = button(i);
        const std::string suffix = stack == &design.Image2 ? ".gif" : "_mouseover.gif";
        return StagedFile(EncodeGif(Strip(*stack, k, w, h), strips),
                          WithSuffix(path, "_" + std::to_string(k) + suffix));
      },
      [&] { WriteGifFile(design.Image2, path, whole); });

  const std::string page_template = ReadWholeFile(design.exeFolder / "script.txt");

  const std::string page_base = EncodeForPage(base);
  const int width = design.buttonwidth.Value();
  std::string images;
  std::string row;
  std::string column;
  for (int k = 1; k <= n; ++k) {
    if (!images.empty()) images += ",";
    images += "'" + page_base + "_" + std::to_string(k) + "_mouseover.gif'";
    row += Entry("image", "\"></A>", width, k, page_base);
    column += Entry("image99", "\"></A><br>", width, k, page_base);
  }

  std::string page = ReplaceAll(page_template, "[imagelist]", images);
  page = ReplaceAll(page, "[testhtmlcode]", Table(row) + "<hr>" + Table(column));
  WriteWholeFile(page, WithSuffix(path, ".htm"));

  design.Regenerating = 0;
}

void PreviewInBrowser(Design& design, const std::function<void(Design&)>& regenerate,
                      const std::function<void()>& process_events,
                      const std::function<void(const std::filesystem::path&)>& open) {
  design.SelectedLine = kNoLineSelected;
  regenerate(design);
  process_events();
  const std::filesystem::path temp = TempFolder(design);
  ExportPicturesAndHtml(design, temp / "test.gif");
  // The browser is the desktop's business: a failure to hand the page over stays silent.
  try {
    open(temp / "test.htm");
  } catch (const std::exception&) {
  }
}

}  // namespace corvanti
