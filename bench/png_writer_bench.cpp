// PNG writing speed and size on the pictures the web export saves: a photo-sized background
// (1500 x 400, tests/support's PhotoLikePicture), a real stack of a thousand buttons
// (zuri-color.btt rendered by corvanti-cli beside this program, read back from its GIF: at
// most 256 colours, so a palette PNG) and a synthesised 203 x 19001 stack of gradient
// buttons with many thousands of colours (an RGBA PNG). The stacks' transparent colour is
// that of their bottom-left pixel (the key row). Qt's own PNG writer (libpng at its
// defaults) writes the same pictures for comparison; "bytes" is the size of the file.
//
// The program doubles as a driver for whole-process timings:
//   bench_png_writer_bench --pictures DIR        writes photo.bmp, stack.bmp, synthetic.bmp
//   bench_png_writer_bench --png IN OUT [--key]  IN (bmp, gif, jpg) to OUT.png; --key makes
//                                                the bottom-left pixel's colour transparent

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/picture_loader.h"
#include "codecs/png_writer.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// A thousand 203 x 19 buttons and the key row: a dark border, a face colour of each
// button's own under a bevel that runs light to dark, a caption of white strokes with
// half-grey edges, and corners in the key colour as round buttons have.
Picture SynthesisedStack() {
  const int width = 203, height = 19, buttons = 1000;
  const Colour key = MakeColour(255, 0, 255);
  Picture p(width, buttons * height + 1);
  for (int i = 0; i < buttons; ++i) {
    const int face[3] = {40 + (i * 37) % 180, 60 + (i * 53) % 160, 80 + (i * 71) % 150};
    const unsigned caption = 0x9E3779B9u * static_cast<unsigned>(i + 1);
    for (int y = 0; y < height; ++y) {
      const int bevel = 60 - y * 120 / (height - 1);
      for (int x = 0; x < width; ++x) {
        const bool corner = (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
        if (corner) {
          p.SetPixel(x, i * height + y, key);
          continue;
        }
        if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
          p.SetPixel(x, i * height + y, MakeColour(30, 30, 30));
          continue;
        }
        // Letters 8 columns apart between x = 40 and 160, strokes chosen by the caption's bits.
        int ink = 0;
        const int cx = (x - 40) % 8;
        if (x >= 40 && x < 160 && y >= 5 && y <= 13) {
          const unsigned shape = caption >> ((x - 40) / 8 % 16);
          const bool stroke = (cx == 1 && (shape & 1)) || (cx == 5 && (shape & 2)) ||
                              (y == 5 && cx > 0 && cx < 6 && (shape & 4)) ||
                              (y == 13 && cx > 0 && cx < 6 && (shape & 8));
          const bool edge = (cx == 0 || cx == 2 || cx == 4 || cx == 6) && (shape & 3);
          ink = stroke ? 255 : edge ? 96 : 0;
        }
        int rgb[3];
        for (int k = 0; k < 3; ++k) {
          const int base = Clamp(face[k] + bevel);
          rgb[k] = base + (255 - base) * ink / 255;
        }
        p.SetPixel(x, i * height + y, MakeColour(rgb[0], rgb[1], rgb[2]));
      }
    }
  }
  for (int x = 0; x < width; ++x) p.SetPixel(x, p.Height() - 1, key);
  return p;
}

fs::path ProgramFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

// zuri-color.btt with a thousand caption lines, rendered by corvanti-cli to GIF and read
// back; an empty picture when the command-line program is not there or fails.
Picture RenderedStack() {
  const fs::path bin = ProgramFolder();
  const fs::path cli = bin / "corvanti-cli";
  const fs::path btt = bin / "media" / "button" / "zuri-color.btt";
  if (::access(cli.c_str(), X_OK) != 0 || !fs::exists(btt)) return Picture();
  const fs::path dir = fs::temp_directory_path() / ("corvanti-png-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream lines(dir / "lines.txt");
    for (int i = 1; i <= 1000; ++i) lines << "Button " << i << "\n";
  }
  const std::string command = "QT_QPA_PLATFORM=offscreen '" + cli.string() + "' render '" + btt.string() +
                              "' -o '" + (dir / "stack.gif").string() + "' --text-file '" +
                              (dir / "lines.txt").string() + "' >/dev/null 2>&1";
  Picture stack;
  if (std::system(command.c_str()) == 0) {
    try {
      stack = ToPicture24(LoadPicture(dir / "stack.gif"));
    } catch (const Error&) {
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return stack;
}

const Picture& Pick(int which) {
  static const Picture photo = test::PhotoLikePicture(1500, 400);
  static const Picture rendered = RenderedStack();
  static const Picture synthesised = SynthesisedStack();
  return which == 0 ? photo : which == 1 ? rendered : synthesised;
}

// The photo has no transparent colour; the stacks have their key row's.
std::optional<Colour> TransparentOf(int which, const Picture& p) {
  if (which == 0) return std::nullopt;
  return p.Pixel(0, p.Height() - 1);
}

const char* NameOf(int which) { return which == 0 ? "photo" : which == 1 ? "rendered stack" : "synthesised stack"; }

bool Prepare(benchmark::State& state, int which) {
  if (Pick(which).Empty()) {
    state.SkipWithError("no rendered stack: corvanti-cli or the app folder is missing beside this program");
    return false;
  }
  return true;
}

void Report(benchmark::State& state, int which, std::size_t bytes) {
  const Picture& p = Pick(which);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(p.ByteSize()));
  state.counters["bytes"] = benchmark::Counter(static_cast<double>(bytes));
  state.SetLabel(std::string(NameOf(which)) + " " + std::to_string(p.Width()) + "x" +
                 std::to_string(p.Height()));
}

void BM_Corvanti(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  if (!Prepare(state, which)) return;
  const Picture& p = Pick(which);
  const std::optional<Colour> transparent = TransparentOf(which, p);
  std::string out;
  for (auto _ : state) {
    out = EncodePng(p, transparent);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, which, out.size());
}
BENCHMARK(BM_Corvanti)->ArgName("picture")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The settings the writer's defaults were chosen from: zlib level 6 or 9, and adaptive
// filtering (1) or none (0) for the kind of PNG the picture becomes.
void BM_CorvantiSettings(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  if (!Prepare(state, which)) return;
  const Picture& p = Pick(which);
  PngCompression settings;
  settings.palette_level = settings.truecolour_level = static_cast<int>(state.range(1));
  settings.filter_palette = settings.filter_truecolour = state.range(2) != 0;
  const std::optional<Colour> transparent = TransparentOf(which, p);
  std::string out;
  for (auto _ : state) {
    out = EncodePng(p, transparent, settings);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, which, out.size());
}
BENCHMARK(BM_CorvantiSettings)
    ->ArgNames({"picture", "level", "filter"})
    ->ArgsProduct({{0, 1, 2}, {6, 9}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The picture as Qt holds it, made outside the timing: RGB, or ARGB with alpha 0 on the
// transparent colour.
QImage ToQImage(const Picture& p, std::optional<Colour> transparent) {
  QImage image(p.Width(), p.Height(), transparent ? QImage::Format_ARGB32 : QImage::Format_RGB888);
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const Colour c = p.Pixel(x, y);
      image.setPixel(x, y, qRgba(RedOf(c), GreenOf(c), BlueOf(c), transparent == c ? 0 : 255));
    }
  }
  return image;
}

void BM_Qt(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  if (!Prepare(state, which)) return;
  const Picture& p = Pick(which);
  const QImage image = ToQImage(p, TransparentOf(which, p));
  QByteArray out;
  for (auto _ : state) {
    out.clear();
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
      state.SkipWithError("Qt's PNG writer failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, which, static_cast<std::size_t>(out.size()));
}
BENCHMARK(BM_Qt)->ArgName("picture")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

int SavePictures(const fs::path& dir) {
  const char* names[] = {"photo.bmp", "stack.bmp", "synthetic.bmp"};
  for (int which = 0; which < 3; ++which) {
    if (Pick(which).Empty()) {
      std::fprintf(stderr, "no rendered stack\n");
      return 1;
    }
    WriteBmpFile(Pick(which), dir / names[which]);
  }
  return 0;
}

int ConvertToPng(const fs::path& in, const fs::path& out, bool key) {
  try {
    const Picture p = ToPicture24(LoadPicture(in));
    std::optional<Colour> transparent;
    if (key && !p.Empty()) transparent = p.Pixel(0, p.Height() - 1);
    WritePngFile(p, out, transparent);
    return 0;
  } catch (const Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

}  // namespace
}  // namespace corvanti

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--pictures") == 0) return corvanti::SavePictures(argv[2]);
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--png") == 0) {
    return corvanti::ConvertToPng(argv[2], argv[3], argc == 5 && std::strcmp(argv[4], "--key") == 0);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
