// Decoding speed of the picture readers on a background-sized picture (1500 x 400), in bytes
// of 24-bit output per second, against Qt's readers (QImageReader) on the same files. The BMP input comes from our own writer; the RLE8 BMP, GIF
// and JPEG inputs are made once into the temporary folder by ImageMagick and cjpeg.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "codecs/bmp_writer.h"
#include "codecs/error.h"
#include "codecs/file_io.h"
#include "codecs/picture_loader.h"

namespace corvanti {
namespace {

constexpr int kWidth = 1500;
constexpr int kHeight = 400;

// Smooth gradients with a little noise: like a photograph, so run lengths and LZW strings
// are those of real backgrounds rather than of flat colour.
Picture Photo() {
  Picture p(kWidth, kHeight);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      p.SetPixel(x, y, MakeColour(clamp(x * 255 / kWidth + noise(random)),
                                  clamp(y * 255 / kHeight + noise(random)),
                                  clamp(((x / 50 + y / 40) % 2) * 80 + 90 + noise(random))));
    }
  }
  return p;
}

std::filesystem::path Folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path f = std::filesystem::temp_directory_path() / "corvanti-readers-bench";
    std::filesystem::create_directories(f);
    WriteBmpFile(Photo(), f / "photo.bmp");
    return f;
  }();
  return folder;
}

// The file made by the command from photo.bmp once, or empty when the tool is missing.
std::string Made(const std::string& name, const std::string& command) {
  const std::filesystem::path target = Folder() / name;
  if (!FileExists(target)) {
    // ImageMagick itself, not a wrapper that may come first on the PATH.
    const std::string line = "cd '" + Folder().string() +
                             "' && IM=/usr/bin/convert && { [ -x $IM ] || IM=convert; } && " +
                             command + " 2>/dev/null";
    if (std::system(line.c_str()) != 0) return {};
  }
  return ReadWholeFile(target);
}

void Run(benchmark::State& state, const std::string& bytes,
         DecodedPicture (*read)(std::string_view)) {
  if (bytes.empty()) {
    state.SkipWithError("input could not be made (ImageMagick or cjpeg missing)");
    return;
  }
  for (auto _ : state) {
    Picture p = ToPicture24(read(bytes));
    benchmark::DoNotOptimize(p.Data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight * 3);
}

void BmpUncompressed24(benchmark::State& state) {
  Run(state, ReadWholeFile(Folder() / "photo.bmp"), &ReadBmp);
}
void BmpRle8(benchmark::State& state) {
  Run(state,
      Made("rle8.bmp", "$IM photo.bmp -colors 64 -type palette -compress RLE BMP3:rle8.bmp"),
      &ReadBmp);
}
void Gif(benchmark::State& state) {
  Run(state, Made("photo.gif", "$IM photo.bmp -colors 256 photo.gif"), &ReadGif);
}
void JpegColour(benchmark::State& state) {
  Run(state, Made("photo.jpg", "cjpeg -quality 85 -outfile photo.jpg photo.bmp"), &ReadJpeg);
}
void JpegProgressive(benchmark::State& state) {
  Run(state, Made("progressive.jpg", "cjpeg -quality 85 -progressive -outfile progressive.jpg photo.bmp"),
      &ReadJpeg);
}
void JpegGreyscale(benchmark::State& state) {
  Run(state, Made("grey.jpg", "cjpeg -quality 85 -grayscale -outfile grey.jpg photo.bmp"), &ReadJpeg);
}

BENCHMARK(BmpUncompressed24)->Unit(benchmark::kMillisecond);
BENCHMARK(BmpRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(Gif)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegColour)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegProgressive)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegGreyscale)->Unit(benchmark::kMillisecond);

// Qt's own readers on the same files, from memory to a 24-bit picture, as the peer.
void QtReader(benchmark::State& state, const std::string& bytes) {
  if (bytes.empty()) {
    state.SkipWithError("input could not be made (ImageMagick or cjpeg missing)");
    return;
  }
  const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  for (auto _ : state) {
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    QImage image = reader.read().convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) {
      state.SkipWithError("QImageReader failed");
      return;
    }
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight * 3);
}
void QtBmpUncompressed24(benchmark::State& state) { QtReader(state, ReadWholeFile(Folder() / "photo.bmp")); }
void QtBmpRle8(benchmark::State& state) { QtReader(state, Made("rle8.bmp", "false")); }
void QtGif(benchmark::State& state) { QtReader(state, Made("photo.gif", "false")); }
void QtJpegColour(benchmark::State& state) { QtReader(state, Made("photo.jpg", "false")); }
void QtJpegProgressive(benchmark::State& state) { QtReader(state, Made("progressive.jpg", "false")); }
void QtJpegGreyscale(benchmark::State& state) { QtReader(state, Made("grey.jpg", "false")); }
BENCHMARK(QtBmpUncompressed24)->Unit(benchmark::kMillisecond);
BENCHMARK(QtBmpRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(QtGif)->Unit(benchmark::kMillisecond);
BENCHMARK(QtJpegColour)->Unit(benchmark::kMillisecond);
BENCHMARK(QtJpegProgressive)->Unit(benchmark::kMillisecond);
BENCHMARK(QtJpegGreyscale)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvanti

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);  // Qt's image plugins (its GIF and JPEG readers)
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
