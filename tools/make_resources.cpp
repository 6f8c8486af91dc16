// Draws the window's built-in template and its default background picture and writes them
// into resources/, from where the build compiles them in.
//
//   make_resources [RESOURCES_FOLDER]   (default: ./resources)

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "button_art.h"
#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "tool_main.h"

namespace corvanti {
namespace {

void PutLe(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// An 8-bit BMP with a full 256-entry colour table: the form the built-in alpha keeps.
std::string EncodeBmp8(int w, int h, const std::vector<std::uint8_t>& indices,
                       const std::vector<Colour>& palette) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(w) + 3) & ~3u;
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  const std::uint32_t size = offset + stride * static_cast<std::uint32_t>(h);
  std::string out;
  out += "BM";
  PutLe(out, size, 4);
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(w), 4);
  PutLe(out, static_cast<std::uint32_t>(h), 4);
  PutLe(out, 1, 2);
  PutLe(out, 8, 2);
  PutLe(out, 0, 4);  // no compression
  PutLe(out, stride * static_cast<std::uint32_t>(h), 4);
  PutLe(out, 3780, 4);
  PutLe(out, 3780, 4);
  PutLe(out, 256, 4);
  PutLe(out, 0, 4);
  for (int i = 0; i < 256; ++i) {
    Colour c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
    out.push_back(static_cast<char>(BlueOf(c)));
    out.push_back(static_cast<char>(GreenOf(c)));
    out.push_back(static_cast<char>(RedOf(c)));
    out.push_back(0);
  }
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) out.push_back(static_cast<char>(indices[y * w + x]));
    for (std::uint32_t x = w; x < stride; ++x) out.push_back(0);
  }
  return out;
}

std::string EncodeAlpha8(const Picture& alpha) {
  const std::vector<Colour> palette = {art::kAlphaOutside, art::kAlphaRing, art::kAlphaFace};
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(alpha.Width()) * alpha.Height());
  for (int y = 0; y < alpha.Height(); ++y) {
    for (int x = 0; x < alpha.Width(); ++x) {
      Colour c = alpha.Pixel(x, y);
      indices[y * alpha.Width() + x] = c == art::kAlphaFace ? 2 : c == art::kAlphaRing ? 1 : 0;
    }
  }
  return EncodeBmp8(alpha.Width(), alpha.Height(), indices, palette);
}

QImage ToQImage(const Picture& p) {
  QImage img(p.Width(), p.Height(), QImage::Format_RGB888);
  for (int y = 0; y < p.Height(); ++y) {
    uchar* row = img.scanLine(y);
    for (int x = 0; x < p.Width(); ++x) {
      Colour c = p.Pixel(x, y);
      row[3 * x] = static_cast<uchar>(RedOf(c));
      row[3 * x + 1] = static_cast<uchar>(GreenOf(c));
      row[3 * x + 2] = static_cast<uchar>(BlueOf(c));
    }
  }
  return img;
}

// 203 x 19, a dark plum face under a plum lens in a thin dark ring; the surround is the key
// colour blue 128, green 0, red 255. The lens holds the centre, the colour the program shows
// as the template's face colour before any template is loaded.
art::TemplatePictures BuiltInTemplate() {
  art::ButtonStyle s;
  s.width = 203;
  s.height = 19;
  s.radius = 5;
  s.border = 1.1;
  s.borderColour = {52, 8, 34};
  s.lensColour = art::Rgb{128, 0, 64};
  s.face = {28, 0, 14};  // 50 below the lens on average over the channels
  s.gradient = 24;
  s.innerLine = 22;
  s.edgeShade = 30;
  s.key = {255, 0, 128};
  return art::DrawTemplate(s);
}

Picture DefaultBackground() {
  art::Noise n(7);
  return art::DrawPicture(200, 197, [&](int x, int y) {
    double t = n.Fractal(x / 45.0, y / 45.0, 5);
    double swirl = std::sin((x + y * 0.7) / 22.0 + t * 7.0) * 0.5 + 0.5;
    art::Rgb deep{38, 66, 140}, light{120, 170, 230};
    return art::Mix(deep, light, 0.35 + 0.45 * swirl * t * 1.4) + art::Grey((t - 0.5) * 40);
  });
}

void Run(const std::filesystem::path& folder) {
  art::TemplatePictures t = BuiltInTemplate();
  WriteWholeFile(EncodeBmp24(t.master), folder / "builtin_master.bmp");
  WriteWholeFile(EncodeAlpha8(t.alpha), folder / "builtin_alpha.bmp");
  const std::filesystem::path jpg = folder / "default_background.jpg";
  if (!ToQImage(DefaultBackground()).save(QString::fromStdString(jpg.string()), "JPG", 88)) {
    throw Error("Cannot create file " + jpg.string());
  }
}

}  // namespace
}  // namespace corvanti

int main(int argc, char** argv) {
  return corvanti::tools::ToolMain(argc, argv, "make_resources", [&] {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "resources";
    corvanti::Run(folder);
    return folder.string();
  });
}
