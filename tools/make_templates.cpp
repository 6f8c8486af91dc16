// Draws the shipped button templates and background pictures and writes them into the app
// folder's data: media/<category>/*.btt (embedded form) and background/*.
//
//   make_templates [DATA_FOLDER]   (default: ./data)
//
// Every template is drawn procedurally (see button_art.h); its caption is placed with the
// program's own text mask, so the captions sit centred in the fonts the renderer uses.

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "button_art.h"
#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/gif_writer.h"
#include "design/design.h"
#include "render/caption.h"
#include "templates/template_file.h"
#include "tool_main.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;
using art::Rgb;

// ---------------------------------------------------------------------------------------
// Background pictures.

enum class Format { kJpeg, kGif, kBmp };

struct BackgroundSpec {
  std::string name;
  Format format;
  Picture picture;
};

Picture BrushedSteel() {
  art::Noise n(31);
  // Streaks that wrap every 128 columns and 48 rows, so the tile repeats without seams.
  return art::DrawPicture(128, 48, [&](int x, int y) {
    double streak = n.Fractal(x / 64.0, y * 1.7, 3, 2) * 0.6 + n.At(x / 8.0, y * 2.3, 16) * 0.4;
    double sheen = 0.5 + 0.5 * std::cos((y / 48.0) * 2 * 3.14159265);
    return art::Grey(112 + streak * 56 + sheen * 22) + Rgb{-4, 0, 6};
  });
}

Picture Linen() {
  art::Noise n(5);
  return art::DrawPicture(64, 64, [&](int x, int y) {
    double warp = std::sin(x * 3.14159265 / 2) * 0.5 + 0.5;
    double weft = std::sin(y * 3.14159265 / 2) * 0.5 + 0.5;
    double fleck = n.Fractal(x / 4.0, y / 4.0, 3, 16);
    double v = 166 + 14 * warp + 14 * weft + 24 * (fleck - 0.5);
    return Rgb{v + 6, v, v - 22};
  });
}

Picture BlueprintGrid() {
  return art::DrawPicture(40, 40, [&](int x, int y) {
    Rgb paper{28, 72, 140};
    bool major = x == 0 || y == 0;
    bool minor = x % 10 == 0 || y % 10 == 0;
    if (major) return art::Mix(paper, Rgb{200, 220, 255}, 0.55);
    if (minor) return art::Mix(paper, Rgb{200, 220, 255}, 0.22);
    return paper;
  });
}

Picture CarbonWeave() {
  return art::DrawPicture(16, 16, [&](int x, int y) {
    // Two-over-two twill: cells of 4 x 4 shaded by which way their strand runs.
    int cx = x / 4, cy = y / 4;
    bool across = ((cx + cy) & 1) == 0;
    double u = across ? (y % 4) / 3.0 : (x % 4) / 3.0;
    double along = across ? (x % 4) / 3.0 : (y % 4) / 3.0;
    double v = 34 + 40 * std::sin(u * 3.14159265) + 8 * along;
    return Rgb{v, v + 2, v + 6};
  });
}

Picture Granite() {
  art::Noise n(77);
  return art::DrawPicture(400, 400, [&](int x, int y) {
    double base = n.Fractal(x / 30.0, y / 30.0, 4);
    double speck = n.At(x / 1.5, y / 1.5);
    Rgb c = art::Mix(Rgb{96, 96, 104}, Rgb{172, 168, 166}, base);
    if (speck > 0.82) c = c * 0.55;
    if (speck < 0.10) c = c + art::Grey(50);
    return c;
  });
}

std::vector<BackgroundSpec> Backgrounds() {
  return {
      {"marble-rose.jpg", Format::kJpeg, art::Marble(480, 480, {200, 168, 176}, {156, 112, 126}, 3)},
      {"oak-planks.jpg", Format::kJpeg, art::Wood(512, 512, {200, 148, 92}, {120, 72, 36}, 9)},
      {"summer-sky.jpg", Format::kJpeg, art::Clouds(640, 480, {40, 110, 210}, {150, 200, 245}, 21)},
      {"granite.gif", Format::kGif, Granite()},
      {"linen.gif", Format::kGif, Linen()},
      {"blueprint-grid.gif", Format::kGif, BlueprintGrid()},
      {"brushed-steel.bmp", Format::kBmp, BrushedSteel()},
      {"carbon-weave.bmp", Format::kBmp, CarbonWeave()},
  };
}

std::string JpegBytes(const Picture& p, int quality) {
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
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!img.save(&buffer, "JPG", quality)) throw Error("Cannot encode JPEG");
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string BackgroundBytes(const BackgroundSpec& bg) {
  switch (bg.format) {
    case Format::kJpeg: return JpegBytes(bg.picture, 88);
    case Format::kGif: return EncodeGif(bg.picture, GifTransparency::kNone);
    case Format::kBmp: return EncodeBmp24(bg.picture);
  }
  return {};
}

// ---------------------------------------------------------------------------------------
// Templates.

enum class Align { kLeft, kCentre, kRight };

struct TemplateSpec {
  std::string path;  // relative to the data folder
  art::ButtonStyle style;
  std::string captions = "Home\r\nProducts\r\nServices\r\nSupport\r\nContact";
  std::string font = "DejaVu Sans";
  int size = 10;
  bool bold = false;
  bool italic = false;
  Colour fontColour = MakeColour(255, 255, 255);
  bool shadow = false;
  Colour shadowColour = MakeColour(0, 0, 0);
  int shadowOpacity = 35;
  bool strongShadow = false;
  Align align = Align::kCentre;
  int textOpacity = 100;
  int fadeLeft = 0;
  int fadeRight = 0;
  int zoom = 100;
  int padLeft = 10;        // caption indent for left-aligned templates
  int nudgeX = 0;          // fine placement after centring
  int nudgeY = 0;
  int centreWidth = 0;     // the width a centred caption is centred in (0: the button's)
  std::string background;  // a picture of Backgrounds() the faces are filled from
  std::vector<Colour> lineColours;  // face colours per caption line; the rest take the
                                    // template's own
};

Colour C(int r, int g, int b) { return MakeColour(r, g, b); }

std::vector<TemplateSpec> Templates() {
  std::vector<TemplateSpec> t;

  {  // The start-up template: glossy rounded buttons, each line in its own colour.
    TemplateSpec s;
    s.path = "media/button/zuri-color.btt";
    s.style.width = 160;
    s.style.height = 28;
    s.style.radius = 7;
    s.style.border = 1.2;
    s.style.borderColour = {22, 44, 92};
    s.style.face = {44, 104, 196};
    s.style.gradient = 34;
    s.style.innerLine = 26;
    s.style.bottomGlow = 22;
    s.style.edgeShade = 30;
    s.style.key = {255, 0, 255};
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(0, 0, 0);
    s.shadowOpacity = 30;
    s.lineColours = {C(44, 104, 196), C(40, 150, 70), C(226, 120, 20), C(200, 40, 48),
                     C(120, 60, 170)};
    t.push_back(s);
  }
  {  // Classic raised grey desktop button.
    TemplateSpec s;
    s.path = "media/button/classic-bevel.btt";
    s.style.width = 150;
    s.style.height = 26;
    s.style.radius = 0.01;
    s.style.border = 1;
    s.style.borderColour = {64, 64, 64};
    s.style.face = {182, 182, 178};
    s.style.gradient = 0;
    s.style.bevel = 55;
    s.style.bevelWidth = 2.2;
    s.style.edgeShade = 0;
    s.style.key = {255, 0, 255};
    s.font = "Liberation Sans";
    s.fontColour = C(20, 20, 20);
    t.push_back(s);
  }
  {  // Emerald gloss with a light outline, white text on a soft dark shadow.
    TemplateSpec s;
    s.path = "media/button/emerald-gloss.btt";
    s.style.width = 160;
    s.style.height = 28;
    s.style.radius = 4;
    s.style.border = 1.3;
    s.style.borderColour = {16, 80, 40};
    s.style.face = {36, 150, 80};
    s.style.gradient = 40;
    s.style.innerLine = 30;
    s.style.edgeShade = 28;
    s.style.key = {255, 0, 255};
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(0, 40, 10);
    s.shadowOpacity = 45;
    t.push_back(s);
  }
  {  // Warm sunset gradient, strongly rounded, with a faded-in caption.
    TemplateSpec s;
    s.path = "media/button/sunset-gradient.btt";
    s.style.width = 170;
    s.style.height = 30;
    s.style.radius = 10;
    s.style.border = 1.2;
    s.style.borderColour = {150, 50, 10};
    s.style.face = {234, 120, 40};
    s.style.gradient = 70;
    s.style.innerLine = 36;
    s.style.edgeShade = 26;
    s.style.key = {0, 255, 255};
    s.size = 11;
    s.bold = true;
    s.shadow = true;
    s.strongShadow = true;
    s.shadowColour = C(110, 40, 0);
    s.shadowOpacity = 18;
    t.push_back(s);
  }
  {  // Brushed steel faces from a BMP tile, engraved dark caption.
    TemplateSpec s;
    s.path = "media/button/brushed-steel.btt";
    s.style.width = 160;
    s.style.height = 28;
    s.style.radius = 3;
    s.style.border = 1.2;
    s.style.borderColour = {70, 74, 80};
    s.style.face = {180, 182, 188};
    s.style.gradient = 20;
    s.style.bevel = 40;
    s.style.bevelWidth = 2;
    s.style.edgeShade = 10;
    s.style.key = {255, 0, 255};
    s.fontColour = C(36, 38, 44);
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(255, 255, 255);
    s.shadowOpacity = 55;
    s.background = "brushed-steel.bmp";
    t.push_back(s);
  }
  {  // Oak panel: faces cut from a wood picture, a serif caption in cream.
    TemplateSpec s;
    s.path = "media/button/oak-panel.btt";
    s.style.width = 160;
    s.style.height = 30;
    s.style.radius = 4;
    s.style.border = 2;
    s.style.borderColour = {60, 34, 14};
    s.style.borderInner = {130, 84, 44};
    s.style.borderGradient = true;
    s.style.face = {170, 116, 64};
    s.style.gradient = 10;
    s.style.bevel = 46;
    s.style.bevelWidth = 3;
    s.style.edgeShade = 20;
    s.style.key = {255, 0, 255};
    s.font = "DejaVu Serif";
    s.size = 11;
    s.bold = true;
    s.fontColour = C(255, 244, 214);
    s.shadow = true;
    s.shadowColour = C(40, 20, 0);
    s.shadowOpacity = 60;
    s.background = "oak-planks.jpg";
    t.push_back(s);
  }
  {  // Flat ruby bar with a crisp inner highlight and a caption fading out on the right.
    TemplateSpec s;
    s.path = "media/button/ruby-bar.btt";
    s.style.width = 160;
    s.style.height = 26;
    s.style.radius = 2;
    s.style.border = 1;
    s.style.borderColour = {90, 8, 20};
    s.style.face = {176, 24, 44};
    s.style.gradient = 26;
    s.style.innerLine = 44;
    s.style.edgeShade = 20;
    s.style.key = {0, 255, 0};
    s.fontColour = C(255, 236, 236);
    s.fadeLeft = 16;
    s.fadeRight = 16;
    s.shadow = true;
    s.shadowColour = C(60, 0, 0);
    s.shadowOpacity = 40;
    t.push_back(s);
  }

  // Tool buttons: small and tight.
  {
    TemplateSpec s;
    s.path = "media/toolbutton/tab-blue.btt";
    s.style.width = 96;
    s.style.height = 24;
    s.style.shape = art::RoundedRect(1, 1, 95, 24, 7, 7, 0, 0);
    s.style.border = 1.1;
    s.style.borderColour = {40, 70, 130};
    s.style.face = {92, 140, 214};
    s.style.gradient = 44;
    s.style.innerLine = 30;
    s.style.edgeShade = 24;
    s.style.key = {255, 0, 255};
    s.captions = "Home\r\nNews\r\nBlog\r\nForum\r\nLinks";
    s.size = 9;
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(20, 40, 90);
    s.shadowOpacity = 40;
    s.lineColours = {C(92, 140, 214), C(214, 120, 60), C(80, 160, 90), C(160, 90, 180),
                     C(40, 150, 160)};
    t.push_back(s);
  }
  {
    TemplateSpec s;
    s.path = "media/toolbutton/mini-grey.btt";
    s.style.width = 90;
    s.style.height = 22;
    s.style.radius = 3;
    s.style.border = 1;
    s.style.borderColour = {140, 140, 140};
    s.style.face = {194, 196, 200};
    s.style.gradient = 30;
    s.style.innerLine = 18;
    s.style.bottomGlow = -8;
    s.style.edgeShade = 12;
    s.style.key = {255, 0, 255};
    s.captions = "New\r\nOpen\r\nSave\r\nPrint\r\nHelp";
    s.font = "Liberation Sans";
    s.size = 9;
    s.fontColour = C(40, 40, 40);
    t.push_back(s);
  }
  {
    TemplateSpec s;
    s.path = "media/toolbutton/mini-gloss-orange.btt";
    s.style.width = 90;
    s.style.height = 22;
    s.style.radius = 5;
    s.style.border = 1.1;
    s.style.borderColour = {150, 70, 0};
    s.style.face = {244, 140, 20};
    s.style.gradient = 30;
    s.style.edgeShade = 24;
    s.style.key = {0, 0, 255};
    s.captions = "Buy\r\nCart\r\nLogin\r\nFAQ\r\nMore";
    s.size = 9;
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(110, 50, 0);
    s.shadowOpacity = 50;
    t.push_back(s);
  }
  {  // Tool strip on blueprint paper (a GIF tile).
    TemplateSpec s;
    s.path = "media/toolbutton/blueprint.btt";
    s.style.width = 96;
    s.style.height = 24;
    s.style.radius = 0.01;
    s.style.border = 1;
    s.style.borderColour = {210, 226, 255};
    s.style.face = {34, 80, 150};
    s.style.gradient = 0;
    s.style.innerLine = -20;
    s.style.edgeShade = 0;
    s.style.key = {255, 0, 255};
    s.captions = "Plans\r\nSpecs\r\nParts\r\nNotes\r\nPrint";
    s.font = "DejaVu Sans Mono";
    s.size = 9;
    s.fontColour = C(236, 244, 255);
    s.background = "blueprint-grid.gif";
    t.push_back(s);
  }

  // Round: pills and orbs.
  {
    TemplateSpec s;
    s.path = "media/round/aqua-pill.btt";
    s.style.width = 170;
    s.style.height = 30;
    s.style.shape = art::Pill(1, 1, 169, 29);
    s.style.border = 1.2;
    s.style.borderColour = {20, 80, 150};
    s.style.face = {24, 112, 206};
    s.style.gradient = -16;
    s.style.lensInset = 3;
    s.style.bottomGlow = 52;
    s.style.edgeShade = 34;
    s.style.key = {255, 0, 255};
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(0, 40, 100);
    s.shadowOpacity = 45;
    t.push_back(s);
  }
  {
    TemplateSpec s;
    s.path = "media/round/graphite-capsule.btt";
    s.style.width = 170;
    s.style.height = 30;
    s.style.shape = art::Pill(1, 1, 169, 29);
    s.style.border = 1.6;
    s.style.borderColour = {10, 10, 12};
    s.style.face = {64, 66, 72};
    s.style.gradient = 36;
    s.style.innerLine = 34;
    s.style.edgeShade = 20;
    s.style.key = {255, 0, 255};
    s.captions = "Start\r\nGallery\r\nDownloads\r\nAbout\r\nLogin";
    s.font = "Liberation Sans";
    s.size = 11;
    s.fontColour = C(236, 240, 246);
    s.textOpacity = 95;
    s.fadeLeft = 12;
    s.fadeRight = 12;
    t.push_back(s);
  }
  {  // Pills of rose marble (a JPEG), dark caption.
    TemplateSpec s;
    s.path = "media/round/marble-pill.btt";
    s.style.width = 170;
    s.style.height = 30;
    s.style.shape = art::Pill(1, 1, 169, 29);
    s.style.border = 1.4;
    s.style.borderColour = {110, 70, 80};
    s.style.face = {214, 180, 186};
    s.style.gradient = 24;
    s.style.gloss = 34;
    s.style.glossEnd = 0.42;
    s.style.glossFade = 0.8;
    s.style.bevel = 22;
    s.style.edgeShade = 26;
    s.style.key = {0, 255, 0};
    s.font = "DejaVu Serif";
    s.size = 11;
    s.italic = true;
    s.fontColour = C(70, 24, 40);
    s.shadow = true;
    s.shadowColour = C(255, 240, 244);
    s.shadowOpacity = 50;
    s.background = "marble-rose.jpg";
    t.push_back(s);
  }
  {  // Round page-number orbs.
    TemplateSpec s;
    s.path = "media/round/orb-pager.btt";
    s.style.width = 34;
    s.style.height = 34;
    s.style.shape = art::Ellipse(1.5, 1.5, 32.5, 32.5);
    s.style.border = 1.4;
    s.style.borderColour = {110, 20, 20};
    s.style.face = {206, 44, 40};
    s.style.gradient = 40;
    s.style.lensInset = 3;
    s.style.bottomGlow = 40;
    s.style.edgeShade = 30;
    s.style.key = {255, 0, 255};
    s.captions = "1\r\n2\r\n3\r\n4\r\n5";
    s.size = 12;
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(80, 0, 0);
    s.shadowOpacity = 50;
    t.push_back(s);
  }

  // Others.
  {  // An arrow that points on to the next page.
    TemplateSpec s;
    s.path = "media/others/arrow-next.btt";
    const double w = 150, h = 28, r = 2.5;
    s.style.width = 150;
    s.style.height = 28;
    s.style.shape = art::ConvexPolygon(
        {{1 + r, 1 + r}, {w - h / 2 - 1, 1 + r}, {w - r - 1, h / 2}, {w - h / 2 - 1, h - 1 - r},
         {1 + r, h - 1 - r}},
        r);
    s.style.border = 1.2;
    s.style.borderColour = {20, 90, 40};
    s.style.face = {60, 170, 80};
    s.style.gradient = 44;
    s.style.innerLine = 24;
    s.style.edgeShade = 26;
    s.style.key = {255, 0, 255};
    s.captions = "Next\r\nContinue\r\nCheckout\r\nSign up\r\nDownload";
    s.centreWidth = 150 - 12;
    s.bold = true;
    s.shadow = true;
    s.shadowColour = C(0, 60, 20);
    s.shadowOpacity = 45;
    t.push_back(s);
  }
  {  // A sunken linen label (a GIF tile), like a stitched fabric tag.
    TemplateSpec s;
    s.path = "media/others/linen-label.btt";
    s.style.width = 150;
    s.style.height = 28;
    s.style.radius = 5;
    s.style.border = 1.6;
    s.style.borderColour = {120, 100, 70};
    s.style.face = {214, 204, 176};
    s.style.gradient = -10;
    s.style.bevel = -40;
    s.style.bevelWidth = 2.5;
    s.style.edgeShade = 0;
    s.style.key = {255, 0, 255};
    s.font = "DejaVu Serif";
    s.fontColour = C(70, 50, 30);
    s.background = "linen.gif";
    t.push_back(s);
  }
  {  // Carbon-fibre plate (a BMP tile) with a glowing cyan caption.
    TemplateSpec s;
    s.path = "media/others/carbon-plate.btt";
    s.style.width = 160;
    s.style.height = 28;
    s.style.radius = 3;
    s.style.border = 1.4;
    s.style.borderColour = {150, 156, 166};
    s.style.borderInner = {30, 32, 36};
    s.style.borderGradient = true;
    s.style.face = {50, 52, 58};
    s.style.gradient = 16;
    s.style.gloss = 26;
    s.style.glossEnd = 0.5;
    s.style.glossFade = 0.2;
    s.style.edgeShade = 20;
    s.style.key = {255, 0, 255};
    s.font = "Liberation Sans";
    s.bold = true;
    s.fontColour = C(120, 230, 255);
    s.shadow = true;
    s.strongShadow = true;
    s.shadowColour = C(0, 120, 200);
    s.shadowOpacity = 30;
    s.background = "carbon-weave.bmp";
    t.push_back(s);
  }
  return t;
}

// Ink rows [top, bottom] of a caption mask's first button, or {-1, -1}.
std::pair<int, int> InkRows(const Picture& mask, int H) {
  int top = -1, bottom = -1;
  for (int y = 0; y < H && y < mask.Height(); ++y) {
    for (int x = 0; x < mask.Width(); ++x) {
      if (mask.Pixel(x, y) != 0) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
    }
  }
  return {top, bottom};
}

void PlaceCaption(const TemplateSpec& s, Design& d) {
  const int W = s.style.width, H = s.style.height;
  TextMaskInput in;
  in.font = d.captionFont;
  in.fontsize = s.size;
  in.fontzoom = s.zoom;
  in.centre = s.align == Align::kCentre;
  in.right = s.align == Align::kRight;
  in.W = W;
  in.H = H * 3;  // room, so the measuring line is never clipped
  in.lines = CaptionLines(s.captions);
  Picture mask;
  const int block = BuildTextMask(in, mask);
  // Centre the capital height: lower-case captions then sit where the eye expects them.
  in.lines = {"H"};
  in.centre = in.right = false;
  Picture cap;
  BuildTextMask(in, cap);
  auto [top, bottom] = InkRows(cap, in.H);
  if (top < 0) throw Error("No ink in the caption font " + s.font);
  const int cap_middle2 = top + bottom + 1;  // twice the middle of the capital
  int fonty = (H - cap_middle2) / 2 + s.nudgeY;
  const int span = s.centreWidth > 0 ? s.centreWidth : W;
  int fontx = s.align == Align::kLeft ? s.padLeft : s.align == Align::kRight ? W - s.padLeft - block
                                                                             : (span - block) / 2;
  fontx += s.nudgeX;

  d.fontx.SetValue(std::max(0, fontx));
  d.fonty.SetValue(std::max(0, fonty));
}

// The settings text and the three pictures, in the embedded form the template loader reads.
std::string TemplateBytes(const Design& d, const std::string& master, const std::string& alpha,
                          const std::string& background) {
  return d.Memo1 + "<BmpImage>" + master + "</BmpImage>\r\n<BmpShadowImage>" + alpha +
         "</BmpShadowImage>\r\n<BmpBGImage>" + background + "</BmpBGImage>";
}

void WriteTemplate(const TemplateSpec& s, const std::vector<BackgroundSpec>& backgrounds,
                   const std::vector<std::string>& background_bytes, const fs::path& data) {
  std::printf("  %s  %dx%d\n", s.path.c_str(), s.style.width, s.style.height);
  // Faces filled with a colour carry the lens that keeps their mouse-over state even.
  art::ButtonStyle style = s.style;
  style.lens = s.background.empty();
  art::TemplatePictures pics = art::DrawTemplate(style);
  Design d;
  d.buttonwidth.SetValue(s.style.width);
  d.buttonheight.SetValue(s.style.height);
  d.edit1 = s.captions;
  d.fontname = s.font;
  d.captionFont.name = s.font;
  d.captionFont.bold = d.ToolButton1 = s.bold;
  d.captionFont.italic = d.ToolButton2 = s.italic;
  d.ToolButton3 = false;
  d.fontsize.SetValue(s.size);
  d.fontcolor = s.fontColour;
  d.fontzoom.SetValue(s.zoom);
  d.tt.SetValue(s.textOpacity);
  d.tleft.SetValue(s.fadeLeft);
  d.tright.SetValue(s.fadeRight);
  d.ToolButton7 = s.shadow;
  d.shadowcolor = s.shadowColour;
  d.shadowcolort.SetValue(s.shadowOpacity);
  d.StrongShadow = s.strongShadow;
  d.ToolButton9 = s.align == Align::kLeft;
  d.ToolButton10 = s.align == Align::kCentre;
  d.ToolButton11 = s.align == Align::kRight;
  d.tbg = true;
  d.bgpicture = !s.background.empty();
  d.bghorizontal = true;
  d.bgvertical = d.bgsame = false;
  d.bgfilename = s.background;

  const Colour own = pics.master.Pixel(s.style.width / 2, s.style.height / 2);
  d.LineColors.fill(own);
  // A line's colour is the colour of its lens, from which the rest of its face lies 50
  // below, as the template's own face lies below its lens.
  for (std::size_t i = 0; i < s.lineColours.size() && i < d.LineColors.size(); ++i) {
    const Colour c = s.lineColours[i];
    const Rgb face{double(RedOf(c)), double(GreenOf(c)), double(BlueOf(c))};
    d.LineColors[i] = style.lens ? art::ToColour(art::LensColour(face)) : c;
  }
  PlaceCaption(s, d);
  BuildTemplateSettingsText(d);

  std::string bg;
  if (!s.background.empty()) {
    for (std::size_t i = 0; i < backgrounds.size(); ++i) {
      if (backgrounds[i].name == s.background) bg = background_bytes[i];
    }
    if (bg.empty()) throw Error("Unknown background " + s.background);
  }
  const fs::path target = data / s.path;
  fs::create_directories(target.parent_path());
  WriteWholeFile(TemplateBytes(d, EncodeBmp24(pics.master), EncodeBmp24(pics.alpha), bg), target);
}

void Run(const fs::path& data) {
  const std::vector<BackgroundSpec> backgrounds = Backgrounds();
  std::vector<std::string> bytes;
  fs::create_directories(data / "background");
  for (const BackgroundSpec& bg : backgrounds) {
    bytes.push_back(BackgroundBytes(bg));
    WriteWholeFile(bytes.back(), data / "background" / bg.name);
    std::printf("  background/%s  %dx%d\n", bg.name.c_str(), bg.picture.Width(),
                bg.picture.Height());
  }
  for (const TemplateSpec& s : Templates()) WriteTemplate(s, backgrounds, bytes, data);
}

}  // namespace
}  // namespace corvanti

int main(int argc, char** argv) {
  return corvanti::tools::ToolMain(argc, argv, "make_templates", [&] {
    const std::filesystem::path data = argc > 1 ? argv[1] : "data";
    corvanti::Run(data);
    return data.string();
  });
}
