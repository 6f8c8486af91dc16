// The two exports of a design, as "Save Picture&&HTML" and "Export for Web" run them:
// the default design (six lines) and one of 1000 lines, into a scratch folder.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "codecs/file_io.h"
#include "output/export.h"
#include "output/web_export.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/tagged_text.h"

namespace {

namespace fs = std::filesystem;
using corvanti::Design;

std::string Lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += (i ? "\r\n" : "") + std::string("Button Test") + std::to_string(i + 1);
  return text;
}

struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "corvanti-bench-XXXXXX").string();
    dir = ::mkdtemp(pattern.data());
    corvanti::WriteWholeFile("[imagelist][testhtmlcode]", dir / "script.txt");
  }
  ~Scratch() { fs::remove_all(dir); }
};

Design MakeDesign(const Scratch& scratch, int lines) {
  Design design = corvanti::StartupDesign(scratch.dir);
  design.buttonwidth.SetValue(design.Imagebackup.Width());
  design.buttonheight.SetValue(design.Imagebackup.Height());
  if (lines > 0) design.edit1 = Lines(lines);
  design.SelectedLine = corvanti::kNoLineSelected;
  corvanti::Regenerate(design);
  return design;
}

void BM_WebExport(benchmark::State& state) {
  Scratch scratch;
  Design design = MakeDesign(scratch, static_cast<int>(state.range(0)));
  for (auto _ : state) corvanti::ExportForWeb(design, scratch.dir / "nav.html");
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::directory_iterator(scratch.dir)) bytes += e.file_size();
  state.counters["files_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WebExport)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_GifExport(benchmark::State& state) {
  Scratch scratch;
  Design design = MakeDesign(scratch, static_cast<int>(state.range(0)));
  for (auto _ : state) corvanti::ExportPicturesAndHtml(design, scratch.dir / "nav.gif");
}
BENCHMARK(BM_GifExport)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
