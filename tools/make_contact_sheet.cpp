// Renders every shipped template with the program's own loader and renderer and lays the
// results out on one picture: per template its name, the normal buttons and the mouse-over
// buttons side by side, the key colour shown transparent on white.
//
//   make_contact_sheet [DATA_FOLDER [OUTPUT.png]]   (default: ./data, ./docs/templates.png)

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "codecs/error.h"
#include "render/regenerate.h"
#include "resources/builtin.h"
#include "templates/template_file.h"
#include "tool_main.h"

namespace corvanti {
namespace {

namespace fs = std::filesystem;

const char* const kCategories[] = {"button", "toolbutton", "round", "others"};

struct Card {
  std::string name;
  QImage normal;
  QImage over;
  int width = 0;
  int height = 0;
};

// A preview with its key colour (the bottom-left pixel, which the key row holds) cleared.
QImage Transparent(const Picture& p) {
  QImage img(p.Width(), p.Height(), QImage::Format_ARGB32);
  const Colour key = p.Pixel(0, p.Height() - 1);
  for (int y = 0; y < p.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < p.Width(); ++x) {
      Colour c = p.Pixel(x, y);
      row[x] = c == key ? qRgba(0, 0, 0, 0) : qRgb(RedOf(c), GreenOf(c), BlueOf(c));
    }
  }
  // The key row itself carries nothing worth showing.
  return img.copy(0, 0, img.width(), std::max(1, img.height() - 1));
}

std::vector<fs::path> ShippedTemplates(const fs::path& data) {
  std::vector<fs::path> out;
  for (const char* category : kCategories) {
    std::vector<fs::path> files;
    const fs::path folder = data / "media" / category;
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".btt") files.push_back(entry.path());
    }
    // The start-up template leads its category.
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
      bool za = a.filename() == "zuri-color.btt", zb = b.filename() == "zuri-color.btt";
      return za != zb ? za : a.filename() < b.filename();
    });
    out.insert(out.end(), files.begin(), files.end());
  }
  return out;
}

// The app folder the loader expects: a copy of the data with an empty temp/.
fs::path MakeAppFolder(const fs::path& data) {
  const fs::path folder =
      fs::temp_directory_path() / ("corvanti-contact-sheet-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::copy(data, folder, fs::copy_options::recursive);
  fs::create_directories(folder / "temp");
  return folder;
}

Card RenderCard(const fs::path& app, const fs::path& file, const fs::path& data) {
  Design design = StartupDesign(app);
  LoadTemplate(design, file, [](Design& d) { Regenerate(d); });
  if (design.Image2.Empty() || design.Image8.Empty()) {
    throw Error("Template renders nothing: " + file.string());
  }
  Card card;
  card.name = fs::relative(file, data / "media").generic_string();
  card.normal = Transparent(design.Image2);
  card.over = Transparent(design.Image8);
  card.width = design.ImageSource.Width();
  card.height = design.ImageSource.Height();
  return card;
}

QImage Compose(const std::vector<Card>& cards) {
  const int pad = 14, gap = 16, label = 22, columns = 2;
  int cell_w = 0;
  for (const Card& c : cards) cell_w = std::max(cell_w, 2 * c.normal.width() + gap);
  cell_w += 2 * pad;
  const int rows = (static_cast<int>(cards.size()) + columns - 1) / columns;
  std::vector<int> row_h(rows, 0);
  for (std::size_t i = 0; i < cards.size(); ++i) {
    int h = label + std::max(cards[i].normal.height(), cards[i].over.height()) + 2 * pad;
    row_h[i / columns] = std::max(row_h[i / columns], h);
  }
  const int header = 44;
  int total_h = header + pad;
  for (int h : row_h) total_h += h + pad;
  const int total_w = columns * cell_w + (columns + 1) * pad;

  QImage sheet(total_w, total_h, QImage::Format_ARGB32);
  sheet.fill(QColor(232, 234, 238));
  QPainter p(&sheet);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont title("DejaVu Sans");
  title.setPixelSize(18);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(40, 44, 52));
  p.drawText(pad, 30, "Corvanti shipped templates: normal | mouse-over");

  QFont small("DejaVu Sans");
  small.setPixelSize(12);
  int y = header + pad;
  for (int r = 0; r < rows; ++r) {
    for (int col = 0; col < columns; ++col) {
      const std::size_t i = static_cast<std::size_t>(r * columns + col);
      if (i >= cards.size()) break;
      const Card& c = cards[i];
      const int x = pad + col * (cell_w + pad);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRoundedRect(x, y, cell_w, row_h[r], 6, 6);
      p.setFont(small);
      p.setPen(QColor(60, 64, 72));
      p.drawText(x + pad, y + pad + 11,
                 QString::fromStdString(c.name + "   " + std::to_string(c.width) + " x " +
                                        std::to_string(c.height)));
      p.drawImage(x + pad, y + pad + label, c.normal);
      p.drawImage(x + pad + c.normal.width() + gap, y + pad + label, c.over);
    }
    y += row_h[r] + pad;
  }
  p.end();
  return sheet;
}

void Run(const fs::path& data, const fs::path& output) {
  const std::vector<fs::path> files = ShippedTemplates(data);
  if (files.empty()) throw Error("No templates under " + (data / "media").string());
  const fs::path app = MakeAppFolder(data);
  std::vector<Card> cards;
  try {
    for (const fs::path& f : files) {
      cards.push_back(RenderCard(app, app / fs::relative(f, data), app));
      std::printf("  %s\n", cards.back().name.c_str());
    }
  } catch (...) {
    fs::remove_all(app);
    throw;
  }
  fs::remove_all(app);
  fs::create_directories(output.parent_path());
  if (!Compose(cards).save(QString::fromStdString(output.string()), "PNG")) {
    throw Error("Cannot create file " + output.string());
  }
}

}  // namespace
}  // namespace corvanti

int main(int argc, char** argv) {
  return corvanti::tools::ToolMain(argc, argv, "make_contact_sheet", [&] {
    const std::filesystem::path data = argc > 1 ? argv[1] : "data";
    const std::filesystem::path output = argc > 2 ? argv[2] : "docs/templates.png";
    corvanti::Run(data, output);
    return output.string();
  });
}
