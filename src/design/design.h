#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "codecs/picture.h"
#include "design/numeric_field.h"

namespace corvanti {

constexpr int kLineColourCount = 1000;
constexpr int kNoLineSelected = 999;
constexpr int kBusy = 100;

// The font the caption mask is drawn with: a name and three style bits. The font chooser
// (`fontname`) and this font can differ: a template may name a font the chooser does not
// list, and the mask still takes that name.
struct CaptionFont {
  std::string name = "MS Sans Serif";
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// What a caption mask's rows hold, so that the next drawing redraws only the lines that
// changed: the settings every line shares, and each line's text, advance and left edge.
// Empty settings: nothing is known and every line is drawn.
struct TextMaskRecord {
  std::string settings;
  std::vector<std::string> lines;
  std::vector<int> widths;
  std::vector<int> lefts;
  bool oneByOne = true;  // false: some line's ink reaches beyond its own rows
};

// One button design: every Button setting as a value named after the control that edits
// it, the values kept beside the controls, and the pictures of the design. The window and
// the command-line program each own one; nothing here knows of widgets.
//
// Text (the caption, the font name) is UTF-8; the template files keep it in their own
// code page (templates/template_file.cpp). Paths are the file system's own bytes.
struct Design {
  Design();

  // The folder of the running program, which holds media/, background/, temp/ and
  // script.txt.
  std::filesystem::path exeFolder;
  // Where the loaders and the browser preview write their scratch files; empty means the
  // app folder's temp/ (TempFolder below).
  std::filesystem::path tempFolder;

  // Template size.
  NumericField buttonwidth{0, 400, 1, 0};
  NumericField buttonheight{0, 400, 1, 0};

  // Caption: one button per line; lines are joined by CR LF.
  std::string edit1 = "Button Test1\r\nButton Test2\r\nButton Test3\r\nButton Test4\r\n"
                      "Button Test5\r\nButton Test6";
  std::string fontname = "MS Sans Serif";
  CaptionFont captionFont;
  NumericField fontsize{8, 96, 2, 16};
  Colour fontcolor = MakeColour(255, 255, 255);
  NumericField fontx{0, 1000, 1, 0};
  NumericField fonty{0, 1000, 1, 0};
  NumericField fontzoom{75, 1000, 5, 100};
  NumericField tt{0, 100, 5, 100};
  NumericField tleft{0, 1000, 5, 0};
  NumericField tright{0, 1000, 5, 0};
  bool ToolButton1 = false;   // bold
  bool ToolButton2 = false;   // italic
  bool ToolButton3 = false;   // underline
  bool ToolButton7 = false;   // shadow
  bool ToolButton9 = true;    // align left
  bool ToolButton10 = false;  // centre
  bool ToolButton11 = false;  // align right
  Colour shadowcolor = MakeColour(255, 255, 255);
  NumericField shadowcolort{0, 100, 5, 50};
  bool StrongShadow = true;

  // Background and faces.
  bool tbg = true;
  Colour frontcolor = MakeColour(128, 255, 0);
  Colour frontcolordefault = MakeColour(128, 0, 64);
  bool bgpicture = true;
  NumericField bgleft{0, 2000, 1, 0};
  NumericField bgtop{0, 2000, 1, 0};
  bool bghorizontal = true;
  bool bgvertical = false;
  bool bgsame = false;
  std::string bgfilename;

  // Where each button of the web export leads: one target per line, matched to the
  // caption lines by number; lines joined by CR LF like edit1.
  std::string links;

  // Values without a control.
  std::array<Colour, kLineColourCount> LineColors{};
  int SelectedLine = 0;
  int Regenerating = 0;

  // Preview dragging.
  int PreviewDragging = 0;
  int PreviewDragX0 = 0;
  int PreviewDragY0 = 0;
  int PreviewDragF0 = 0;
  int PreviewDragG0 = 0;

  // Pictures, all 24 bits per pixel.
  Picture Imagebackup;        // Master Template as loaded
  Picture ImageShadowBackup;  // Alpha Template as loaded
  Picture ImageSource;        // Master fitted to the button size
  Picture ImageShadow;        // Alpha fitted the same way
  Picture Image7;             // background picture
  Picture Image2;             // "Button": normal buttons stacked, then the key row
  Picture Image8;             // "Button Mouse Over"
  Picture Image5;             // "Tool Button": normal buttons side by side
  Picture Image3;             // caption text mask
  TextMaskRecord Image3Lines;  // what Image3's rows were drawn from (render/caption.h)
  Picture Image1;             // left cap of the last three-piece fit
  Picture Image4;             // right cap
  Picture Image6;             // middle

  // The template settings text, and the master picture file of the current template.
  std::string Memo1;
  std::string filename;
  std::string filepath;

  // The files the pictures on screen were read from, kept with the design: Save Template
  // embeds these, so a scratch file that another load overwrote in the meantime cannot
  // slip into the saved template. `picturesKept` is false until a template supplies them.
  bool picturesKept = false;
  std::string masterBmp;
  std::string alphaBmp;
  // The background picture file behind Image7 and its bytes as read, empty for none.
  std::string backgroundFile;
  std::string backgroundBytes;

  // Whether the font chooser lists a font; the window answers from the installed fonts.
  std::function<bool(const std::string&)> isFontListed = [](const std::string&) { return true; };
};

// Sets a busy flag for its lifetime and clears it however the scope ends, so an error can
// never leave a regeneration or a load blocking the next one.
class BusyGuard {
 public:
  explicit BusyGuard(int& flag) : flag_(flag) { flag_ = kBusy; }
  ~BusyGuard() { flag_ = 0; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  int& flag_;
};

// The caption font's bold, italic and underline bits from ToolButton1, ToolButton2 and
// ToolButton3: the one place they are derived.
void TakeCaptionStyleFromToggles(Design& design);

// The folder the design's scratch files go to.
std::filesystem::path TempFolder(const Design& design);

// The caption lines of edit1, split at CR LF, LF or a lone CR. A last empty line after a
// final line break is not counted; other empty lines are.
std::vector<std::string> CaptionLines(const std::string& text);

}  // namespace corvanti
