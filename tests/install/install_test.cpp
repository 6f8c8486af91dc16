// The program as `cmake --install` lays it out: this build installed into a fresh prefix.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <set>
#include <string>

#include "codecs/file_io.h"
#include "codecs/picture_loader.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

constexpr char kAppId[] = "io.github.corvanti.Corvanti";
constexpr char kMimeType[] = "application/x-corvanti-template";

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

struct Outcome {
  int status;
  std::string output;
};

// Runs a shell command with its output (both streams) kept in `log`.
Outcome Shell(const std::string& command, const fs::path& log) {
  const int raw = std::system(("(" + command + ") >" + Q(log) + " 2>&1").c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, FileExists(log) ? ReadWholeFile(log) : ""};
}

// Every file and folder under `root` with its type, mode, size and modification time.
std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> listing;
  auto add = [&](const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      listing[path.string()] = "unreadable";
      return;
    }
    listing[path.lexically_relative(root).string()] =
        std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
        std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
  };
  add(root);
  for (const auto& e : fs::recursive_directory_iterator(root)) add(e.path());
  return listing;
}

std::set<std::string> Files(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) names.insert(e.path().lexically_relative(folder).string());
  }
  return names;
}

// One install for the whole program, removed at the end.
class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new test::TempDir;
    prefix_ = *root_ / "prefix";
    install_ = new Outcome(Shell(std::string(CORVANTI_CMAKE) + " --install " +
                                   Q(test::BinDir()) + " --prefix " + Q(prefix_),
                               *root_ / "install.log"));
  }
  static void TearDownTestSuite() {
    std::system(("chmod -R u+w " + Q(root_->path())).c_str());
    delete install_;
    delete root_;
  }
  void SetUp() override { ASSERT_EQ(install_->status, 0) << install_->output; }

  static fs::path Share(const std::string& path) { return prefix_ / "share" / path; }
  static fs::path Scratch(const std::string& name) {
    const fs::path folder = *root_ / name;
    fs::create_directories(folder);
    return folder;
  }

  static test::TempDir* root_;
  static fs::path prefix_;
  static Outcome* install_;
};

test::TempDir* Installed::root_ = nullptr;
fs::path Installed::prefix_;
Outcome* Installed::install_ = nullptr;

TEST_F(Installed, LaysOutTheProgramsTheShippedDataAndTheDesktopFiles) {
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "bin/corvanti"));
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "bin/corvanti-cli"));
  // The data as the build lays it beside the executables, less the build's own temp/.
  std::set<std::string> shipped;
  for (const std::string& name : Files(test::SourceDir() / "data")) {
    if (name.rfind("desktop/", 0) == 0 || name.rfind("temp/", 0) == 0) continue;
    if (fs::path(name).filename() == ".gitkeep") continue;
    shipped.insert(name);
  }
  EXPECT_EQ(Files(Share("corvanti")), shipped);
  EXPECT_FALSE(fs::exists(Share("corvanti/temp")));
  for (const char* category : {"button", "toolbutton", "round", "others"}) {
    EXPECT_TRUE(fs::is_directory(Share("corvanti/media") / category)) << category;
  }

  const std::string id = kAppId;
  for (const std::string& file : std::initializer_list<std::string>{
           "applications/" + id + ".desktop", "mime/packages/" + id + ".xml",
           "metainfo/" + id + ".metainfo.xml", "icons/hicolor/scalable/apps/" + id + ".svg",
           "icons/hicolor/scalable/mimetypes/application-x-corvanti-template.svg"}) {
    EXPECT_TRUE(fs::is_regular_file(Share(file))) << file;
  }
  // PNG icons of their own size: the width and height follow the signature and IHDR tag.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string n = std::to_string(size);
    const fs::path png = Share("icons/hicolor/" + n + "x" + n + "/apps/" + id + ".png");
    ASSERT_TRUE(FileExists(png)) << png << " (is rsvg-convert installed?)";
    const std::string bytes = ReadWholeFile(png);
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](std::size_t at) {
      return (static_cast<unsigned char>(bytes[at]) << 24) |
             (static_cast<unsigned char>(bytes[at + 1]) << 16) |
             (static_cast<unsigned char>(bytes[at + 2]) << 8) |
             static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(be32(16), size) << png;
    EXPECT_EQ(be32(20), size) << png;
  }
}

TEST_F(Installed, RendersFromAReadOnlyPrefixAndWritesNothingThere) {
  const fs::path home = Scratch("home");
  const fs::path out = Scratch("out");
  const fs::path built_out = Scratch("built-out");
  const fs::path tmp = Scratch("tmp");
  // Root writes through missing write bits, so the listing is what shows nothing changed.
  ASSERT_EQ(std::system(("chmod -R a-w " + Q(prefix_)).c_str()), 0);
  const auto before = Listing(prefix_);

  // A bare background name is one of the shipped backgrounds, read from the data folder.
  const std::string args = " render " + Q(Share("corvanti/media/button/zuri-color.btt")) +
                           " --set Button1-Text.bgpicture.filename=summer-sky.jpg -o ";
  const std::string env = "cd " + Q(home) + " && env -u XDG_DATA_HOME HOME=" + Q(home) +
                          " XDG_CACHE_HOME=" + Q(home / ".cache") + " TMPDIR=" + Q(tmp) + " ";
  const Outcome installed =
      Shell(env + Q(prefix_ / "bin/corvanti-cli") + args + Q(out / "nav.gif"), *root_ / "cli.log");
  ASSERT_EQ(installed.status, 0) << installed.output;
  EXPECT_EQ(installed.output, "");
  EXPECT_EQ(Listing(prefix_), before);

  // The same pictures and page as the program in its build folder makes.
  const Outcome built = Shell(env + Q(test::BinDir() / "corvanti-cli") + args + Q(built_out / "nav.gif"),
                            *root_ / "built-cli.log");
  ASSERT_EQ(built.status, 0) << built.output;
  const std::set<std::string> files = Files(out);
  EXPECT_EQ(files, Files(built_out));
  EXPECT_TRUE(files.count("nav.htm") && files.count("nav_1.gif") && files.count("nav_1_mouseover.gif"));
  for (const std::string& name : files) {
    EXPECT_EQ(ReadWholeFile(out / name), ReadWholeFile(built_out / name)) << name;
  }
  EXPECT_GT(ToPicture24(LoadPicture(out / "nav_1.gif")).Width(), 0);
  EXPECT_NE(ReadWholeFile(out / "nav.htm").find("nav_1_mouseover.gif"), std::string::npos);
}

TEST_F(Installed, TheWindowRunsFromAReadOnlyPrefixWithATemplateGivenToIt) {
  const fs::path home = Scratch("window-home");
  const fs::path shot = Scratch("window-out") / "window.png";
  ASSERT_EQ(std::system(("chmod -R a-w " + Q(prefix_)).c_str()), 0);
  const auto before = Listing(prefix_);
  // As the desktop entry starts it: `corvanti %f`, here without a display.
  const Outcome run = Shell("cd " + Q(home) + " && env -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME=" +
                                Q(home) + " QT_QPA_PLATFORM=offscreen " + Q(prefix_ / "bin/corvanti") +
                                " " + Q(Share("corvanti/media/round/aqua-pill.btt")) +
                                " --screenshot " + Q(shot),
                            *root_ / "window.log");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(FileExists(shot));
  // The loader's scratch pictures went to the user's cache, nothing into the install.
  EXPECT_TRUE(FileExists(home / ".cache" / "corvanti" / "temp" / "xml.bmp"));
  EXPECT_EQ(Listing(prefix_), before);
}

TEST_F(Installed, TheDesktopEntryIsValidAndOpensTemplates) {
  const fs::path entry = Share(std::string("applications/") + kAppId + ".desktop");
  const Outcome valid = Shell("desktop-file-validate " + Q(entry), *root_ / "desktop.log");
  EXPECT_EQ(valid.status, 0) << valid.output;
  EXPECT_EQ(valid.output, "");
  const std::string text = ReadWholeFile(entry);
  EXPECT_NE(text.find("\nExec=corvanti %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=" + std::string(kAppId) + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=" + std::string(kMimeType) + ";\n"), std::string::npos) << text;
}

TEST_F(Installed, TheMetainfoIsValid) {
  const fs::path metainfo = Share(std::string("metainfo/") + kAppId + ".metainfo.xml");
  const Outcome valid = Shell("appstreamcli validate --no-net " + Q(metainfo), *root_ / "metainfo.log");
  EXPECT_EQ(valid.status, 0) << valid.output;
  EXPECT_NE(ReadWholeFile(metainfo).find(std::string("<launchable type=\"desktop-id\">") + kAppId +
                                         ".desktop</launchable>"),
            std::string::npos);
}

TEST_F(Installed, TheMimeTypeGivesTemplatesTheirTypeAndIcon) {
  const fs::path mime = Scratch("mime");
  fs::copy(Share("mime/packages"), mime / "packages");
  const Outcome update = Shell("update-mime-database " + Q(mime), *root_ / "mime.log");
  ASSERT_EQ(update.status, 0) << update.output;
  const std::string type = kMimeType;
  EXPECT_NE(ReadWholeFile(mime / "globs2").find(":" + type + ":*.btt\n"), std::string::npos);
  EXPECT_NE(ReadWholeFile(mime / "icons").find(type + ":application-x-corvanti-template\n"),
            std::string::npos);
}

}  // namespace
}  // namespace corvanti
