// One LoadTemplate of a realistic embedded template: a 203 x 19 master and alpha picture
// and a 1500 x 400 background, regenerating into nothing.
#include <benchmark/benchmark.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <unistd.h>

#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"
#include "design/design.h"
#include "templates/tagged_text.h"
#include "templates/template_file.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

Picture Noisy(int width, int height, unsigned seed) {
  Picture p(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(0, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      p.SetPixel(x, y, MakeColour((x * 255 / width + noise(random)) & 0xFF,
                                  (y * 255 / height + noise(random)) & 0xFF, (x + y) & 0xFF));
    }
  }
  return p;
}

std::string EncodeJpeg(const Picture& picture) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::string row(picture.Stride(), '\0');
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* bgr = picture.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < picture.Width(); ++x) {
      row[3 * x] = static_cast<char>(bgr[3 * x + 2]);
      row[3 * x + 1] = static_cast<char>(bgr[3 * x + 1]);
      row[3 * x + 2] = static_cast<char>(bgr[3 * x]);
    }
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row.data())};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(out), size);
  std::free(out);
  return bytes;
}

class Fixture {
 public:
  explicit Fixture(bool jpeg) {
    root_ = fs::temp_directory_path() / ("corvanti-template-bench-" + std::to_string(::getpid()));
    fs::create_directories(root_ / "temp");
    Design d;
    d.exeFolder = root_;
    d.bgfilename = jpeg ? "C:\\backgrounds\\sky.jpg" : "C:\\backgrounds\\sky.bmp";
    for (int i = 0; i < 6; ++i) d.LineColors[i] = MakeColour(20 * i, 100, 200);
    BuildTemplateSettingsText(d);
    const Picture background = Noisy(1500, 400, 3);
    const std::string bytes = d.Memo1 + "<BmpImage>" + EncodeBmp24(Noisy(203, 19, 1)) +
                              "</BmpImage>\r\n<BmpShadowImage>" + EncodeBmp24(Noisy(203, 19, 2)) +
                              "</BmpShadowImage>\r\n<BmpBGImage>" +
                              (jpeg ? EncodeJpeg(background) : EncodeBmp24(background)) +
                              "</BmpBGImage>";
    file_ = root_ / "design.btt";
    WriteWholeFile(bytes, file_);
    size_ = bytes.size();
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& exe() const { return root_; }
  const fs::path& file() const { return file_; }
  std::size_t size() const { return size_; }

 private:
  fs::path root_;
  fs::path file_;
  std::size_t size_ = 0;
};

void LoadEmbeddedTemplate(benchmark::State& state, bool jpeg) {
  Fixture fixture(jpeg);
  const RegenerateFn nothing = [](Design&) {};
  Design design;
  design.exeFolder = fixture.exe();
  for (auto _ : state) {
    LoadTemplate(design, fixture.file(), nothing);
    benchmark::DoNotOptimize(design.Image7.Data());
  }
  // Errors of the background are swallowed by the loader: make sure it really loaded.
  if (design.Image7.Width() != 1500 || design.Imagebackup.Width() != 203) {
    state.SkipWithError("the template did not load whole");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.size()));
  state.counters["file_bytes"] = static_cast<double>(fixture.size());
}

void BM_LoadTemplateBmpBackground(benchmark::State& state) { LoadEmbeddedTemplate(state, false); }
void BM_LoadTemplateJpegBackground(benchmark::State& state) { LoadEmbeddedTemplate(state, true); }
BENCHMARK(BM_LoadTemplateBmpBackground)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTemplateJpegBackground)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvanti

BENCHMARK_MAIN();
