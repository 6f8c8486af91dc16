#include "output/web_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <QString>

#include <regex>
#include <set>
#include <string>

#include "codecs/error.h"
#include "codecs/file_io.h"
#include "render/regenerate.h"
#include "render/render_fixtures.h"
#include "support/test_support.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Files(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

QImage Decode(const fs::path& file) {
  return QImage(QString::fromStdString(file.string()));
}

class WebExport : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGuiApplication();
    test::LoadTestTemplate(design, 40, 12);
    design.exeFolder = dir.path();
    design.SelectedLine = kNoLineSelected;
  }
  void Export(const std::string& caption, const std::string& page = "nav.html") {
    design.edit1 = caption;
    Regenerate(design);
    ExportForWeb(design, dir / page);
  }
  std::string Page(const std::string& page = "nav.html") { return ReadWholeFile(dir / page); }
  test::TempDir dir;
  Design design;
};

TEST_F(WebExport, WritesFourPicturesPerLineThenTheStyleSnippetAndPage) {
  Export("");
  EXPECT_EQ(Files(dir.path()), (std::set<std::string>{"nav.css", "nav.html", "nav.snippet.html"}));

  Export("One", "my.nav.html");
  EXPECT_TRUE(Files(dir.path()).count("my.nav_1@2x.png"));
  EXPECT_TRUE(Files(dir.path()).count("my.nav.css"));

  std::string twelve;
  for (int k = 1; k <= 12; ++k) twelve += (k > 1 ? "\r\n" : "") + std::string(k == 5 ? "" : "Line");
  Export(twelve, "b.html");
  for (int k = 1; k <= 12; ++k) {
    for (const char* kind : {"", "_hover", "@2x", "_hover@2x"}) {
      EXPECT_TRUE(FileExists(dir / ("b_" + std::to_string(k) + kind + ".png"))) << k << kind;
    }
  }
  EXPECT_FALSE(FileExists(dir / "b_13.png"));
}

TEST_F(WebExport, PicturesAreTheRegenerationsButtonsWithTheKeyTransparent) {
  design.tbg = true;
  design.LineColors[1] = MakeColour(10, 200, 30);
  Export("A\r\nB");
  const int W = design.ImageSource.Width(), H = design.ImageSource.Height();
  const Colour key = design.Image2.Pixel(0, design.Image2.Height() - 1);
  for (int k = 1; k <= 2; ++k) {
    for (const auto& [kind, stack] : {std::pair{"", &design.Image2}, {"_hover", &design.Image8}}) {
      const QImage png = Decode(dir / ("nav_" + std::to_string(k) + kind + ".png"));
      ASSERT_EQ(png.size(), QSize(W, H)) << k << kind;
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          const Colour c = stack->Pixel(x, (k - 1) * H + y);
          const QRgb p = png.pixel(x, y);
          if (c == key) {
            ASSERT_EQ(qAlpha(p), 0) << k << kind << " " << x << "," << y;
          } else {
            ASSERT_EQ(p, qRgba(RedOf(c), GreenOf(c), BlueOf(c), 255)) << k << kind << " " << x << "," << y;
          }
        }
      }
    }
    EXPECT_EQ(Decode(dir / ("nav_" + std::to_string(k) + "@2x.png")).size(), QSize(2 * W, 2 * H));
    EXPECT_EQ(Decode(dir / ("nav_" + std::to_string(k) + "_hover@2x.png")).size(), QSize(2 * W, 2 * H));
  }
}

TEST_F(WebExport, ThePageHasNoScriptNamesEveryLinkAndOffersTwicePictures) {
  design.links = "https://example.com/a?x=1&y=\"2\"\r\n\r\n  /contact  \r\nextra-ignored\r\nmore";
  Export("Home\r\n\r\nSay \"hi\" <b> & co");
  const std::string page = Page();
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_FALSE(std::regex_search(page, std::regex(R"(\son\w+\s*=)", std::regex::icase)));
  EXPECT_EQ(page.find("style="), std::string::npos);
  EXPECT_NE(page.find("href=\"https://example.com/a?x=1&amp;y=&quot;2&quot;\""), std::string::npos);
  EXPECT_NE(page.find("href=\"#\"><img src=\"nav_2.png\""), std::string::npos);
  EXPECT_NE(page.find("href=\"/contact\""), std::string::npos);
  EXPECT_NE(page.find("alt=\"Home\""), std::string::npos);
  EXPECT_NE(page.find("alt=\"Button 2 (no caption)\""), std::string::npos);
  EXPECT_NE(page.find("alt=\"Say &quot;hi&quot; &lt;b&gt; &amp; co\""), std::string::npos);
  EXPECT_NE(page.find("srcset=\"nav_1.png 1x, nav_1@2x.png 2x\" width=\"40\" height=\"12\""),
            std::string::npos);
  EXPECT_EQ(page.find("extra-ignored"), std::string::npos);
  EXPECT_NE(ReadWholeFile(dir / "nav.css").find("image-set(url(\"nav_3_hover.png\") 1x, url(\"nav_3_hover@2x.png\") 2x)"),
            std::string::npos);

  // A name with characters that mean something in a URL is referred to by its bytes.
  Export("X", "50% #1.html");
  EXPECT_NE(Page("50% #1.html").find("src=\"50%25%20%231_1.png\""), std::string::npos);
  EXPECT_NE(Page("50% #1.html").find("href=\"50%25%20%231.css\""), std::string::npos);
}

TEST_F(WebExport, BadInputGivesAClearErrorAndNothingTorn) {
  // A link that would run a script: refused before anything is written.
  design.links = "\r\n  JavaScript:alert(1)";
  design.edit1 = "A\r\nB";
  Regenerate(design);
  try {
    ExportForWeb(design, dir / "nav.html");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Files(dir.path()).empty());

  design.links.clear();
  EXPECT_THROW(ExportForWeb(design, dir / "missing" / "nav.html"), Error);
  EXPECT_TRUE(Files(dir.path()).empty());

  if (::geteuid() != 0) {
    fs::create_directory(dir / "ro");
    ::chmod((dir / "ro").c_str(), 0555);
    EXPECT_THROW(ExportForWeb(design, dir / "ro" / "nav.html"), Error);
    EXPECT_TRUE(Files(dir / "ro").empty());
  }

  // A thousand lines: every file, the page last.
  std::string many;
  for (int k = 0; k < 1000; ++k) many += (k ? "\r\n" : "") + std::to_string(k);
  Export(many);
  EXPECT_TRUE(FileExists(dir / "nav_1000_hover@2x.png"));
  EXPECT_NE(Page().find("alt=\"999\""), std::string::npos);
}

}  // namespace
}  // namespace corvanti
