// One regeneration of a design, as it runs on every keystroke and spin step.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/gif_writer.h"
#include "codecs/picture.h"
#include "design/design.h"
#include "output/strips.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/template_file.h"

namespace {

using corvanti::Colour;
using corvanti::Design;
using corvanti::MakeColour;
using corvanti::Picture;

// A 203 x 19 template: an outside colour, a face with a lighter top and a darker bottom row.
void LoadBenchTemplate(Design& design) {
  const int w = 203, h = 19;
  Picture master(w, h), alpha(w, h);
  master.Fill(MakeColour(255, 0, 128));
  alpha.Fill(MakeColour(255, 255, 255));
  for (int y = 2; y < h - 2; ++y) {
    for (int x = 2; x < w - 2; ++x) {
      const Colour face = y == 2       ? MakeColour(104, 40, 104)
                          : y == h - 3 ? MakeColour(34, 0, 34)
                                       : MakeColour(64, 0, 64);
      master.SetPixel(x, y, face);
      alpha.SetPixel(x, y, MakeColour(0, 0, 0));
    }
  }
  design.Imagebackup = master;
  design.ImageShadowBackup = alpha;
  design.buttonwidth.SetValue(w);
  design.buttonheight.SetValue(h);
  design.frontcolordefault = master.Pixel(w / 2, h / 2);
  design.LineColors.fill(design.frontcolordefault);
}

Picture Background() {
  Picture p(1500, 400);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      p.SetPixel(x, y, MakeColour(x * 255 / 1499, y * 255 / 399, (x + y) % 256));
  return p;
}

std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (i) text += "\r\n";
    text += "Button Test" + std::to_string(i + 1);
  }
  return text;
}

void BM_Regenerate(benchmark::State& state) {
  Design design;
  LoadBenchTemplate(design);
  design.bgpicture = true;
  design.Image7 = Background();
  design.ToolButton7 = state.range(1) != 0;  // the strong shadow is the costliest caption
  design.SelectedLine = 0;
  design.edit1 = Lines(static_cast<int>(state.range(0)));
  // The window regenerates the same design again and again; the first run also loads the
  // font and sizes the previews.
  corvanti::Regenerate(design);
  for (auto _ : state) {
    corvanti::Regenerate(design);
    benchmark::DoNotOptimize(design.Image2.Data());
  }
}
// Arguments: caption lines, shadow on.
BENCHMARK(BM_Regenerate)
    ->ArgNames({"lines", "shadow"})
    ->Args({6, 0})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({6, 1})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond);

// The window's default template (media/button/zuri-color.btt, as the window loads it at
// start) with its own caption or n lines. Mode 1: each run follows a keystroke, one line in
// the middle differing from the run before, as when the user types into it; mode 2: each
// run starts with nothing drawn, as after loading a template.
void BM_DefaultTemplate(benchmark::State& state) {
  const std::filesystem::path bin = CORVANTI_BIN_DIR;
  Design design = corvanti::StartupDesign(bin);
  design.tempFolder = std::filesystem::temp_directory_path();
  corvanti::LoadTemplate(design, bin / "media" / "button" / "zuri-color.btt", [](Design&) {});
  const int n = static_cast<int>(state.range(0));
  if (n > 0) design.edit1 = Lines(n);
  const bool typing = state.range(1) == 1;
  const bool cold = state.range(1) == 2;  // nothing kept from the run before, as after a load
  const std::string base = design.edit1;
  // After the first letter of the middle line.
  const std::size_t line_end = base.find("\r\n", base.size() / 2);
  const std::size_t middle = line_end == std::string::npos ? 1 : line_end + 3;
  corvanti::Regenerate(design);
  int keystroke = 0;
  for (auto _ : state) {
    if (typing) {
      design.edit1 = base;
      design.edit1.insert(middle, 1, static_cast<char>('a' + keystroke++ % 26));
    }
    if (cold) {
      design.Image3 = Picture();
      design.Image3Lines = corvanti::TextMaskRecord();
    }
    corvanti::Regenerate(design);
    benchmark::DoNotOptimize(design.Image2.Data());
  }
  state.counters["lines"] = static_cast<double>(corvanti::CaptionLines(design.edit1).size());
}
// Arguments: caption lines (0 for the template's own), mode (0 the same design again).
BENCHMARK(BM_DefaultTemplate)
    ->ArgNames({"lines", "mode"})
    ->ArgsProduct({{0, 100, 1000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    // On a shared machine the quickest of several runs is the steadiest figure.
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });

// The buttons of that design with 1000 lines as the GIF export encodes them (normal and
// mouse-over, the corner transparent), one after another on one thread: per button.
void BM_DefaultTemplateButtonGifs(benchmark::State& state) {
  const std::filesystem::path bin = CORVANTI_BIN_DIR;
  Design design = corvanti::StartupDesign(bin);
  design.tempFolder = std::filesystem::temp_directory_path();
  corvanti::LoadTemplate(design, bin / "media" / "button" / "zuri-color.btt", [](Design&) {});
  design.edit1 = Lines(1000);
  corvanti::Regenerate(design);
  const int w = design.ImageSource.Width();
  const int h = design.ImageSource.Height();
  std::vector<Picture> buttons;
  for (int k = 1; k <= 1000; ++k) {
    buttons.push_back(corvanti::Strip(design.Image2, k, w, h));
    buttons.push_back(corvanti::Strip(design.Image8, k, w, h));
  }
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        corvanti::EncodeGif(buttons[next++ % buttons.size()], corvanti::GifTransparency::kTopLeftIndex).data());
  }
}
BENCHMARK(BM_DefaultTemplateButtonGifs)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
