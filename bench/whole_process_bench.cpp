// Whole programs, started and waited for as a user's shell would: corvanti-cli convert
// against giflib (bench/giflib_convert.c) and djpeg on the same files, the program's own
// start on a 1 x 1 picture, and the GIF export of the default template from the command
// line. Times are wall-clock per run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_pictures.h"
#include "codecs/bmp_writer.h"
#include "codecs/file_io.h"

extern char** environ;

namespace corvanti {
namespace {

namespace fs = std::filesystem;

const fs::path kBin = CORVANTI_BIN_DIR;

// The inputs, written once into a folder of the build tree (a local disk, not memory).
// The folder, with every export made in it, goes at the end, after every row. Deleting
// thousands of files slows the creation of new ones for a minute or more on an ext4
// without a journal (new inodes step over recently freed ones), so a folder left by an
// earlier run (KEEP=1) is only moved aside first and goes at the end too; the file rows
// are steady only when nothing was deleted just before them.
struct Inputs {
  fs::path dir = kBin / "bench-whole-process";
  fs::path earlier = kBin / "bench-whole-process.earlier";
  Inputs() {
    if (fs::exists(dir)) {
      fs::remove_all(earlier);
      fs::rename(dir, earlier);
    }
    fs::create_directories(dir / "export");
    WriteBmpFile(bench::MakePhoto(1500, 400), dir / "photo.bmp");
    WriteBmpFile(bench::MakeButtonStack(), dir / "buttons.bmp");
    Picture dot(1, 1);
    WriteBmpFile(dot, dir / "dot.bmp");
    std::string lines;
    for (int i = 1; i <= 1000; ++i) lines += "Button Test" + std::to_string(i) + "\n";
    WriteWholeFile(lines, dir / "lines1000.txt");
    // The JPEG comes from libjpeg's own encoder, at its usual quality.
    const std::string cjpeg = "/usr/bin/cjpeg -quality 90 -outfile '" + (dir / "photo.jpg").string() +
                              "' '" + (dir / "photo.bmp").string() + "'";
    if (std::system(cjpeg.c_str()) != 0) fs::remove(dir / "photo.jpg");
  }
  ~Inputs() {
    fs::remove_all(earlier);
    if (!std::getenv("KEEP")) fs::remove_all(dir);
  }
};

const Inputs& In() {
  static const Inputs inputs;
  return inputs;
}

struct Run {
  bool ok = false;
  double seconds = 0;
};

// Starts the program with the arguments (its stdout to /dev/null) and waits for it.
Run Start(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid) run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// Times the program that `command` names for each run (a fresh argument list per run).
void Time(benchmark::State& state, const std::function<std::vector<std::string>()>& command) {
  for (auto _ : state) {
    const std::vector<std::string> argv = command();
    const Run run = Start(argv);
    if (!run.ok) {
      state.SkipWithError(("failed: " + argv[0]).c_str());
      return;
    }
    state.SetIterationTime(run.seconds);
  }
}
void Time(benchmark::State& state, const std::vector<std::string>& argv) {
  if (::access(argv[0].c_str(), X_OK) != 0) {
    state.SkipWithError((argv[0] + " is not there").c_str());
    return;
  }
  Time(state, [&] { return argv; });
}

// Wall time of each run, in milliseconds.
void WholeProcess(benchmark::internal::Benchmark* b) {
  b->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
}

const char* const kPicture[] = {"photo", "buttons"};
const char* const kTransparency[] = {"none", "corner", "key"};

std::string Input(int picture, const char* ext) { return (In().dir / (std::string(kPicture[picture]) + ext)).string(); }
std::string Output(const char* name) { return (In().dir / name).string(); }

void BM_CliConvertGif(benchmark::State& state) {
  const int picture = static_cast<int>(state.range(0));
  Time(state, {(kBin / "corvanti-cli").string(), "convert", Input(picture, ".bmp"), Output("cli.gif"),
               "--transparency", kTransparency[state.range(1)]});
}
BENCHMARK(BM_CliConvertGif)->ArgNames({"buttons", "transparency"})->ArgsProduct({{0, 1}, {0, 1, 2}})->Apply(WholeProcess);

void BM_GiflibConvert(benchmark::State& state) {
  const int picture = static_cast<int>(state.range(0));
  std::vector<std::string> argv = {(kBin / "giflib-convert").string(), Input(picture, ".bmp"),
                                   Output("giflib.gif")};
  if (state.range(1) == 1) argv.push_back("corner");
  Time(state, argv);
}
BENCHMARK(BM_GiflibConvert)->ArgNames({"buttons", "transparency"})->ArgsProduct({{0, 1}, {0, 1}})->Apply(WholeProcess);

void BM_CliConvertJpeg(benchmark::State& state) {
  Time(state, {(kBin / "corvanti-cli").string(), "convert", Input(0, ".jpg"), Output("cli.bmp")});
}
BENCHMARK(BM_CliConvertJpeg)->Apply(WholeProcess);

void BM_Djpeg(benchmark::State& state) {
  Time(state, {"/usr/bin/djpeg", "-dct", "float", "-bmp", "-outfile", Output("djpeg.bmp"), Input(0, ".jpg")});
}
BENCHMARK(BM_Djpeg)->Apply(WholeProcess);

// The program's own start: the smallest picture there is.
void BM_CliStart(benchmark::State& state) {
  Time(state, {(kBin / "corvanti-cli").string(), "convert", Output("dot.bmp"), Output("dot.gif")});
}
BENCHMARK(BM_CliStart)->Apply(WholeProcess);

// "Save Picture&HTML" of the window's default template from the command line: its own
// caption, or 1000 lines (2,002 files and the page), each run into a folder of its own, as
// a first export is.
void BM_CliGifExport(benchmark::State& state) {
  int run = 0;
  Time(state, [&] {
    const fs::path folder = In().dir / "export" / std::to_string(state.range(0)) / std::to_string(run++);
    fs::create_directories(folder);
    std::vector<std::string> argv = {(kBin / "corvanti-cli").string(), "render",
                                     (kBin / "media" / "button" / "zuri-color.btt").string(), "-o",
                                     (folder / "nav.gif").string()};
    if (state.range(0) > 0) {
      argv.push_back("--text-file");
      argv.push_back(Output("lines1000.txt"));
    }
    return argv;
  });
}
BENCHMARK(BM_CliGifExport)->ArgName("lines1000")->Arg(0)->Arg(1)->Apply(WholeProcess);

// The file system's own share of that export on this machine: 2,002 files of a button's
// size into a fresh folder on one thread, and nothing else: written beside and renamed
// (staged:0, as a file that exists already is replaced), or written under no name and then
// named (staged:1, as the export writes new files).
void BM_FileSystemFloor(benchmark::State& state) {
  const std::string bytes(1500, 'x');
  const bool staged = state.range(0) != 0;
  int run = 0;
  for (auto _ : state) {
    const fs::path folder = In().dir / "floor" / std::to_string(state.range(0)) / std::to_string(run++);
    fs::create_directories(folder);
    const auto start = std::chrono::steady_clock::now();
    for (int k = 1; k <= 2002; ++k) {
      const fs::path file = folder / ("nav_" + std::to_string(k) + ".gif");
      if (staged) {
        StagedFile ahead(bytes, file);
        ahead.Stage();
        ahead.Commit(CreateFailure::kCannotCreate);
      } else {
        WriteWholeFile(bytes, file);
      }
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_FileSystemFloor)->ArgName("staged")->Arg(0)->Arg(1)->Apply(WholeProcess);

}  // namespace
}  // namespace corvanti

BENCHMARK_MAIN();
