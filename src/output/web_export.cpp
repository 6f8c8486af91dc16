#include "output/web_export.h"

#include <optional>
#include <string>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/png_writer.h"
#include "design/text_encoding.h"
#include "output/encode_ahead.h"
#include "output/strips.h"
#include "render/regenerate.h"
#include "templates/tagged_text.h"

namespace corvanti {
namespace {

std::filesystem::path Beside(const std::filesystem::path& page, const std::string& name) {
  return page.parent_path() / name;
}

// A file name as a relative URL: every byte but the unreserved ones percent-encoded, so
// the reference names the very bytes on disk whatever the name holds (quotes, "#", "%",
// spaces, letters of any script).
std::string UrlOf(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '@';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Text inside a double-quoted attribute or between tags.
std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// Whether a target would run script when followed. Browsers drop leading blanks and
// controls and every tab or line break inside a scheme, and read it in any letter case.
bool RunsScript(const std::string& target) {
  std::string scheme;
  for (unsigned char c : target) {
    if (c <= ' ' && scheme.empty()) continue;
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (c == ':') break;
    scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (scheme.size() > 16) return false;
  }
  return scheme == "javascript" || scheme == "vbscript";
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

struct Names {
  std::string base;  // as on disk
  std::string url;   // as a relative URL
  std::string Picture(int k, const char* kind) const {
    return base + "_" + std::to_string(k) + kind + ".png";
  }
  std::string PictureUrl(int k, const char* kind) const {
    return url + "_" + std::to_string(k) + kind + ".png";
  }
};

// The pictures of one scale: normal and hover strips of every line.
void WritePictures(const Design& drawn, const std::filesystem::path& page, const Names& names,
                   int n, const char* suffix) {
  const int w = drawn.ImageSource.Width();
  const int h = drawn.ImageSource.Height();
  std::optional<Colour> key;
  // The previews make the bottom-left colour transparent; so does the page.
  if (drawn.tbg && !drawn.Image2.Empty()) key = drawn.Image2.Pixel(0, drawn.Image2.Height() - 1);
  // Button k's picture, then its mouse-over picture, k = 1 .. n: compressed and written
  // ahead on a second thread, named on this one in that order.
  const std::string hover = std::string("_hover") + suffix;
  WriteFilesAhead(
      2 * n,
      [&](int i) {
        const int k = i / 2 + 1;
        return StagedFile(EncodePng(Strip(i % 2 ? drawn.Image8 : drawn.Image2, k, w, h), key),
                          Beside(page, names.Picture(k, i % 2 ? hover.c_str() : suffix)));
      },
      [] {});
}

std::string StyleSheet(const Names& names, int n) {
  std::string css =
      "/* Each button shows its picture; on hover and on keyboard focus the picture steps\n"
      "   aside for the mouse-over picture behind it, which loads with the page. */\n"
      ".cvb-list { display: flex; flex-wrap: wrap; gap: 6px; list-style: none; margin: 0 0 1em; padding: 0; }\n"
      ".cvb-column { flex-direction: column; align-items: flex-start; }\n"
      ".cvb { display: block; line-height: 0; background-repeat: no-repeat; "
      "background-size: 100% 100%; }\n"
      ".cvb img { display: block; border: 0; }\n"
      ".cvb:hover img, .cvb:focus-visible img { opacity: 0; }\n"
      ".cvb:focus-visible { outline: 3px solid #1a5fb4; outline-offset: 2px; }\n"
      ".cvb:active { transform: translateY(1px); }\n";
  for (int k = 1; k <= n; ++k) {
    const std::string one = names.PictureUrl(k, "_hover");
    const std::string two = names.PictureUrl(k, "_hover@2x");
    css += ".cvb-" + std::to_string(k) + " { background-image: url(\"" + one +
           "\"); background-image: image-set(url(\"" + one + "\") 1x, url(\"" + two + "\") 2x); }\n";
  }
  return css;
}

// One list of links: the row or the column.
std::string List(const Names& names, const std::vector<std::string>& captions,
                 const std::vector<std::string>& targets, int w, int h, const char* kind) {
  std::string list = "<ul class=\"cvb-list cvb-" + std::string(kind) + "\">\n";
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    // The picture is the link's content, so its text alternative is the link's name; a
    // line without a caption still gets a name that says so.
    const std::string name =
        IsBlank(captions[i]) ? "Button " + std::to_string(k) + " (no caption)" : captions[i];
    list += "<li><a class=\"cvb cvb-" + std::to_string(k) + "\" href=\"" + Escaped(targets[i]) +
            "\"><img src=\"" + names.PictureUrl(k, "") + "\" srcset=\"" + names.PictureUrl(k, "") +
            " 1x, " + names.PictureUrl(k, "@2x") + " 2x\" width=\"" + std::to_string(w) +
            "\" height=\"" + std::to_string(h) + "\" alt=\"" + Escaped(name) + "\"></a></li>\n";
  }
  list += "</ul>\n";
  return list;
}

}  // namespace

std::vector<std::string> LinkTargets(const Design& design) {
  const std::vector<std::string> captions = CaptionLines(design.edit1);
  const std::vector<std::string> links = CaptionLines(design.links);
  std::vector<std::string> targets;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    std::string target = i < links.size() ? links[i] : std::string();
    const std::size_t first = target.find_first_not_of(" \t");
    target = first == std::string::npos ? std::string() : target.substr(first);
    while (!target.empty() && (target.back() == ' ' || target.back() == '\t')) target.pop_back();
    if (RunsScript(target)) {
      throw Error("The link of line " + std::to_string(i + 1) + " (" + target +
                  ") would run a script; a button can only lead to an address");
    }
    targets.push_back(target.empty() ? "#" : target);
  }
  return targets;
}

void ExportForWeb(Design& design, const std::filesystem::path& page) {
  const std::vector<std::string> captions = CaptionLines(design.edit1);
  const std::vector<std::string> targets = LinkTargets(design);
  const int n = static_cast<int>(captions.size());
  Names names{BaseNameOf(page), UrlOf(BaseNameOf(page))};

  WritePictures(design, page, names, n, "");
  {
    // The 2x pictures come from a copy, so the design on screen keeps its previews.
    Design twice = design;
    RegenerateScaled(twice, 2);
    WritePictures(twice, page, names, n, "@2x");
  }

  const int w = design.ImageSource.Width();
  const int h = design.ImageSource.Height();
  WriteWholeFile(StyleSheet(names, n), Beside(page, names.base + ".css"));

  const std::string css_link = "<link rel=\"stylesheet\" href=\"" + UrlOf(names.base + ".css") + "\">";
  const std::string row = List(names, captions, targets, w, h, "row");
  const std::string snippet =
      "<!-- Buttons to paste into a page. Put " + names.base + ".css and the " + names.base +
      "_*.png pictures beside it,\n     this line into its head:\n       " + css_link +
      "\n     and the list below where the buttons go. -->\n<nav aria-label=\"Buttons\">\n" + row +
      "</nav>\n";
  WriteWholeFile(snippet, Beside(page, names.base + ".snippet.html"));

  const std::string title = Escaped(TextFromUnknownBytes(names.base));
  const std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      title + "</title>\n" + css_link + "\n</head>\n<body>\n<main>\n<h1>" + title +
      "</h1>\n<nav aria-label=\"Buttons in a row\">\n" + row +
      "</nav>\n<nav aria-label=\"Buttons in a column\">\n" +
      List(names, captions, targets, w, h, "column") + "</nav>\n</main>\n</body>\n</html>\n";
  WriteWholeFile(html, page);
}

}  // namespace corvanti
