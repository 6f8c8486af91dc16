// GIF writing speed on the two kinds of picture the program saves: a photo-sized
// background (1500 x 400) and the whole "Button" stack of a thousand buttons
// (203 x 19001). The same pictures go through giflib (its quantizer, then one line at a
// time) and through ImageMagick's convert for comparison. Input bytes are width x height x 3.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_pictures.h"
#include "codecs/bmp_writer.h"
#include "codecs/gif_internals.h"
#include "codecs/gif_writer.h"
#include "codecs/picture.h"

#ifdef CORVANTI_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace corvanti {
namespace {

using bench::MakeButtonStack;
using bench::MakePhoto;

const Picture& Photo() {
  static const Picture p = MakePhoto(1500, 400);
  return p;
}
const Picture& Buttons() {
  static const Picture p = MakeButtonStack();
  return p;
}
// One button of the stack: what the export writes two thousand times for 1000 lines.
const Picture& OneButton() {
  static const Picture p = [] {
    Picture b(Buttons().Width(), 19);
    b.CopyFrom(Buttons(), 0, 19, b.Width(), 19, 0, 0);
    return b;
  }();
  return p;
}
const Picture& Pick(int which) { return which == 0 ? Photo() : which == 1 ? Buttons() : OneButton(); }

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

void SetInput(benchmark::State& state, const Picture& p) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(p.ByteSize()));
}

void BM_Corvanti(benchmark::State& state) {
  const Picture& p = Pick(static_cast<int>(state.range(0)));
  const GifTransparency kind = static_cast<GifTransparency>(state.range(1));
  std::string out;
  for (auto _ : state) {
    out = EncodeGif(p, kind);
    benchmark::DoNotOptimize(out.data());
  }
  SetInput(state, p);
  // The file's fingerprint, so a faster build can be seen to write the same bytes.
  char label[64];
  std::snprintf(label, sizeof label, "%zu bytes fnv %016llx", out.size(),
                static_cast<unsigned long long>(Fnv1a(out)));
  state.SetLabel(label);
}
BENCHMARK(BM_Corvanti)
    ->ArgNames({"buttons", "transparency"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

// The stages on their own, to see where the time goes.
void BM_CorvantiStage(benchmark::State& state) {
  const Picture& p = Pick(static_cast<int>(state.range(0)));
  const int stage = static_cast<int>(state.range(1));
  const TGIFSubImage frame = BuildFrame(p);
  TGIFPalette colours{};
  for (int i = 0; i < 256; ++i) colours[static_cast<std::size_t>(i)] = frame.color_map[i];
  for (auto _ : state) {
    if (stage == 0) {
      TColorQuantizer q;
      q.AddPicture(p);
      benchmark::DoNotOptimize(q.CollectColours());
    } else if (stage == 1) {
      TFastColorLookup lookup(colours);
      benchmark::DoNotOptimize(MapSerpentine(p, lookup).data());
    } else {
      benchmark::DoNotOptimize(EncodeLzw(frame).data());
    }
  }
  SetInput(state, p);
}
BENCHMARK(BM_CorvantiStage)
    ->ArgNames({"buttons", "stage"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

#ifdef CORVANTI_HAVE_GIFLIB
int AppendToString(GifFileType* file, const GifByteType* bytes, int n) {
  static_cast<std::string*>(file->UserData)->append(reinterpret_cast<const char*>(bytes),
                                                     static_cast<std::size_t>(n));
  return n;
}

// giflib's own road from 24-bit pixels to a file: split the planes, quantize to 256 colours,
// write the lines.
std::string GiflibEncode(const Picture& p) {
  const std::size_t n = static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height());
  std::vector<GifByteType> red(n), green(n), blue(n), indices(n);
  const std::uint8_t* src = p.Data();
  for (std::size_t i = 0; i < n; ++i, src += 3) {
    blue[i] = src[0];
    green[i] = src[1];
    red[i] = src[2];
  }
  int colours = 256;
  GifColorType palette[256];
  if (GifQuantizeBuffer(static_cast<unsigned>(p.Width()), static_cast<unsigned>(p.Height()), &colours,
                        red.data(), green.data(), blue.data(), indices.data(), palette) != GIF_OK) {
    std::abort();
  }
  std::string out;
  int error = 0;
  GifFileType* file = EGifOpen(&out, AppendToString, &error);
  ColorMapObject* map = GifMakeMapObject(256, palette);
  if (!file || !map) std::abort();
  bool ok = EGifPutScreenDesc(file, p.Width(), p.Height(), 8, 0, nullptr) == GIF_OK &&
            EGifPutImageDesc(file, 0, 0, p.Width(), p.Height(), false, map) == GIF_OK;
  for (int y = 0; ok && y < p.Height(); ++y) {
    ok = EGifPutLine(file, indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width()),
                     p.Width()) == GIF_OK;
  }
  if (EGifCloseFile(file, &error) != GIF_OK) ok = false;
  GifFreeMapObject(map);
  if (!ok) std::abort();
  return out;
}

void BM_Giflib(benchmark::State& state) {
  const Picture& p = Pick(static_cast<int>(state.range(0)));
  std::string out;
  for (auto _ : state) {
    out = GiflibEncode(p);
    benchmark::DoNotOptimize(out.data());
  }
  SetInput(state, p);
  state.SetLabel(std::to_string(out.size()) + " bytes");
}
BENCHMARK(BM_Giflib)->ArgName("buttons")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// giflib's quantizer alone (planes split outside the timing).
void BM_GiflibQuantize(benchmark::State& state) {
  const Picture& p = Pick(static_cast<int>(state.range(0)));
  const std::size_t n = static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height());
  std::vector<GifByteType> red(n), green(n), blue(n), indices(n);
  for (std::size_t i = 0; i < n; ++i) {
    blue[i] = p.Data()[3 * i];
    green[i] = p.Data()[3 * i + 1];
    red[i] = p.Data()[3 * i + 2];
  }
  GifColorType palette[256];
  for (auto _ : state) {
    int colours = 256;
    GifQuantizeBuffer(static_cast<unsigned>(p.Width()), static_cast<unsigned>(p.Height()), &colours,
                      red.data(), green.data(), blue.data(), indices.data(), palette);
    benchmark::DoNotOptimize(indices.data());
  }
  SetInput(state, p);
}
BENCHMARK(BM_GiflibQuantize)->ArgName("buttons")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

// ImageMagick refuses pictures over 16000 rows under Debian's policy; a policy file of our
// own in a scratch folder lifts the size limits for the button stack.
struct MagickFolder {
  std::filesystem::path dir;
  MagickFolder() {
    dir = std::filesystem::temp_directory_path() / ("corvanti-gif-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "policy.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<policymap>\n"
           "  <policy domain=\"resource\" name=\"memory\" value=\"2GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"map\" value=\"4GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"width\" value=\"64KP\"/>\n"
           "  <policy domain=\"resource\" name=\"height\" value=\"64KP\"/>\n"
           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
           "  <policy domain=\"resource\" name=\"disk\" value=\"4GiB\"/>\n"
           "</policymap>\n";
    WriteBmpFile(Photo(), dir / "photo.bmp");
    WriteBmpFile(Buttons(), dir / "buttons.bmp");
  }
  ~MagickFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

double ChildCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ImageMagick(benchmark::State& state) {
  static const char* const kConvert = "/usr/bin/convert";
  if (::access(kConvert, X_OK) != 0) {
    state.SkipWithError("ImageMagick's convert is not installed");
    return;
  }
  static MagickFolder folder;
  const int which = static_cast<int>(state.range(0));
  const Picture& p = Pick(which);
  const std::string name = which == 0 ? "photo" : "buttons";
  const std::string in = (folder.dir / (name + ".bmp")).string();
  const std::string out = (folder.dir / (name + ".gif")).string();
  const std::string command = "MAGICK_CONFIGURE_PATH='" + folder.dir.string() + "' " + kConvert + " '" + in +
                              "' +dither -colors 256 '" + out + "'";
  // The work happens in a child process, so the time taken is the child's processor time
  // (user + system), the measure the other benchmarks here use; wall time goes beside it.
  double wall_seconds = 0;
  for (auto _ : state) {
    const double before = ChildCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("convert failed");
      return;
    }
    wall_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(ChildCpuSeconds() - before);
  }
  state.counters["wall_ms"] = benchmark::Counter(1000.0 * wall_seconds / static_cast<double>(state.iterations()));
  std::error_code ec;
  const auto size = std::filesystem::file_size(out, ec);
  if (ec || size == 0) {
    state.SkipWithError("convert wrote no file");
    return;
  }
  SetInput(state, p);
  state.SetLabel(std::to_string(size) + " bytes");
}
BENCHMARK(BM_ImageMagick)
    ->ArgName("buttons")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace
}  // namespace corvanti

BENCHMARK_MAIN();
