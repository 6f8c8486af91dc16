#include "render/regenerate.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codecs/error.h"
#include "render/caption.h"
#include "render/compose.h"
#include "render/scaling.h"
#include "templates/template_file.h"

namespace corvanti {

namespace {

constexpr Colour kFrameRed = MakeColour(255, 0, 0);
constexpr Colour kPaneWhite = MakeColour(255, 255, 255);

void FillBlock(Picture& picture, int x0, int y0, int x1, int y1, Colour colour) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, picture.Width());
  y1 = std::min(y1, picture.Height());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) picture.SetPixel(x, y, colour);
  }
}

// The red frame of the selected button: a pen 2 pixels wide along the closed path
// (1, top+1) - (1, top+H-1) - (W-1, top+H-1) - (W-1, top+1), which covers the outer two
// pixels of the button on every side.
void DrawSelectionFrame(Picture& stack, int top, int W, int H) {
  const int bottom = top + H;
  FillBlock(stack, 0, top, W, std::min(top + 2, bottom), kFrameRed);
  FillBlock(stack, 0, std::max(bottom - 2, top), W, bottom, kFrameRed);
  FillBlock(stack, 0, top, std::min(2, W), bottom, kFrameRed);
  FillBlock(stack, std::max(W - 2, 0), top, W, bottom, kFrameRed);
}

// A picture of w x h for a run to overwrite whole: the last run's picture when it has the
// size (its memory is warm and need not be cleared), a new one otherwise.
Picture Reuse(Picture& previous, int w, int h) {
  if (previous.Width() == w && previous.Height() == h) {
    Picture taken = std::move(previous);
    previous = Picture();  // a moved-from picture would keep its size without pixels
    return taken;
  }
  // Let go of the old picture first, so the old previews and the new ones are never held
  // together: a run's memory stays within one budget.
  previous = Picture();
  return Picture(w, h);
}

// The most one run may hold in pictures at once: the fitted templates, the face layout,
// the text mask and its zoomed copy, both stacks and the tool strip. 2.5 GiB holds the
// largest design the controls can set (1000 lines of 400 x 400) at zoom 75 to 150; a
// bigger design, which only a template file or typed text can ask for, fails with a clear
// message before anything is allocated. Counted in floating point: the factors may each
// be near 2^31.
constexpr double kMaxRegenerationBytes = 2.5 * 1024 * 1024 * 1024;
constexpr int kMaxGifSide = 65535;

void CheckBudget(double bytes, double W, double H, double N) {
  if (bytes <= kMaxRegenerationBytes) return;
  throw Error("Design too large to draw (" + std::to_string(static_cast<long long>(W)) + " x " +
              std::to_string(static_cast<long long>(H)) + " pixels, " +
              std::to_string(static_cast<long long>(N)) +
              " lines): the previews may take at most " +
              std::to_string(static_cast<long long>(kMaxRegenerationBytes / (1024 * 1024))) + " MB");
}

// Everything the run makes for a button of W x H (checked before the templates are
// fitted). Each side is also held to what a GIF can hold: no larger button could ever be
// exported, and a side past it would only make the run slow.
void CheckRunBudget(int W, int H, std::int64_t N, int zoom) {
  if (W > kMaxGifSide || H > kMaxGifSide) {
    throw Error("Button too large (" + std::to_string(W) + " x " + std::to_string(H) +
                " pixels): at most " + std::to_string(kMaxGifSide) + " pixels a side");
  }
  const double w = W;
  const double h = H;
  const double n = static_cast<double>(N);
  const double mask_rows = n * h + 1;
  const double stack_rows = (N >= 1 ? n * h : h) + 1;
  double bytes = 3 * (3 * w * h)                 // fitted master and alpha, kept pieces
                 + 12 * w * h                    // face layout
                 + 3 * w * mask_rows             // text mask
                 + 3 * 2 * w * stack_rows        // both stacks
                 + 3 * n * w * (h + 1);          // tool strip
  if (zoom != 100) {
    // The zoomed mask is made at most ZoomedMaskWidth(W) wide.
    bytes += 3 * std::min(std::max(zoom, 0) / 100.0 * w, static_cast<double>(ZoomedMaskWidth(W))) *
             mask_rows;
  }
  CheckBudget(bytes, W, H, n);
}

// The steps of a regeneration that a second thread waits for, when it has one: the thread
// runs the work given to Start, which waits for the steps of this thread it needs. Without
// a second thread every step is this thread's own and nothing waits.
class SharedSteps {
 public:
  enum Step { kComposed, kFramed, kNormalCaptioned, kStepCount };

  explicit SharedSteps(bool alongside) : alongside_(alongside) {}
  // Leaving early (an exception) tells the thread to give up at its next wait.
  ~SharedSteps() { Join(); }
  SharedSteps(const SharedSteps&) = delete;
  SharedSteps& operator=(const SharedSteps&) = delete;

  bool Alongside() const { return alongside_; }

  template <typename Work>
  void Start(Work work) {
    if (!alongside_) return;
    thread_ = std::thread([this, work] {
      try {
        work(*this);
      } catch (...) {
        // Whatever this thread still owed is not coming: nothing waits for it.
        failure_ = std::current_exception();
        GiveUp();
      }
    });
  }
  void Done(Step step) {
    if (!alongside_) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_[step] = true;
    }
    changed_.notify_all();
  }
  // False when the run (or the second thread) gave up instead.
  bool WaitFor(Step step) {
    if (!alongside_) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done_[step] || given_up_; });
    return done_[step];
  }
  // Waits for the thread and passes on what it threw.
  void Finish() {
    Join();
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void GiveUp() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      given_up_ = true;
    }
    changed_.notify_all();
  }
  void Join() {
    if (!thread_.joinable()) return;
    GiveUp();
    thread_.join();
  }

  const bool alongside_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_[kStepCount] = {};
  bool given_up_ = false;
  std::exception_ptr failure_;
};

std::atomic<std::int64_t> g_shared_pixels{std::int64_t{1} << 18};

// Background offsets grow with the line number; keep them within int (the compositing
// moves any offset past the picture back inside it).
int ClampOffset(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT32_MAX));
}

}  // namespace

namespace {

// Sizes and offsets grow with the scale; a template's huge numbers stay huge, not wrapped.
int Scaled(int value, int scale) {
  return static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(value) * scale,
                                                    INT32_MIN, INT32_MAX));
}

void Run(Design& design, int scale, bool settings_text) {
  if (design.Regenerating != 0) return;
  BusyGuard busy(design.Regenerating);

  // Fit the templates, always from the loaded pictures.
  design.ImageSource = design.Imagebackup;
  design.ImageShadow = design.ImageShadowBackup;
  const int requested_width = Scaled(design.buttonwidth.Value(), scale);
  const int requested_height = Scaled(design.buttonheight.Value(), scale);
  const bool fit = requested_width != design.Imagebackup.Width() ||
                   requested_height != design.Imagebackup.Height();
  std::vector<std::string> lines = CaptionLines(design.edit1);
  const std::int64_t N = static_cast<std::int64_t>(lines.size());
  {
    int fitted_width = design.Imagebackup.Width();
    int fitted_height = design.Imagebackup.Height();
    if (fit) {
      FittedSize(fitted_width, fitted_height, requested_width, requested_height, &fitted_width,
                 &fitted_height);
    }
    CheckRunBudget(fitted_width, fitted_height, N, design.fontzoom.Value());
  }
  if (fit) {
    FitTemplate(design.ImageSource, requested_width, requested_height, &design.Image1,
                &design.Image4, &design.Image6);
    FitTemplate(design.ImageShadow, requested_width, requested_height, &design.Image1,
                &design.Image4, &design.Image6);
  }
  const Picture& source = design.ImageSource;
  const int W = source.Width();
  const int H = source.Height();

  // The text mask, built once for both stacks.
  TextMaskInput mask_input;
  mask_input.lines = std::move(lines);
  mask_input.font = design.captionFont;
  mask_input.fontsize = design.fontsize.Value();
  mask_input.scale = scale;
  mask_input.fontzoom = design.fontzoom.Value();
  mask_input.centre = design.ToolButton10;
  mask_input.right = design.ToolButton11;
  mask_input.W = W;
  mask_input.H = H;
  // The last run's mask keeps the rows of the lines that did not change. A large one of
  // another size goes before the new one is made, as the previews do, so that the run's
  // memory stays within its budget.
  constexpr std::size_t kKeptMaskBytes = 64 << 20;
  if ((design.Image3.Width() != W || design.Image3.Height() != N * H + 1) &&
      design.Image3.ByteSize() > kKeptMaskBytes) {
    design.Image3 = Picture();
  }
  // Both stacks carry the buttons (N*H rows, or the bare master when there are no lines)
  // and one key row below them; the mask has as many rows, so this is its size check too.
  const std::int64_t button_rows = N >= 1 ? N * H : H;
  CheckPictureSize(W, button_rows + 1);
  CheckPictureSize(N * W, static_cast<std::int64_t>(H) + 1);
  const int stack_rows = static_cast<int>(button_rows);
  // Every pixel of both stacks and of the strip is written below.
  Picture normal = Reuse(design.Image2, W, stack_rows + 1);
  Picture over = Reuse(design.Image8, W, stack_rows + 1);
  const int strip_width = static_cast<int>(N * W);
  Picture strip;
  int B0 = 0;
  // The strip is made once the mask is, as a run's memory stays within its budget.
  auto build_mask = [&] {
    B0 = BuildTextMask(mask_input, design.Image3, &design.Image3Lines);
    strip = Reuse(design.Image5, strip_width, H + 1);
  };
  // The tool strip: the normal buttons side by side.
  auto copy_to_strip = [&](int first, int end) {
    for (int i = first; i < end; ++i) strip.CopyFrom(normal, 0, i * H, W, H, i * W, 0);
  };
  // The first button's top row as it is before a selection frame covers it: the key
  // colour comes from it, so selecting line 0 does not make the frame's red transparent.
  Picture first_row;
  if (N == 0) {
    build_mask();
    normal.CopyFrom(source, 0, 0, W, H, 0, 0);
    over.CopyFrom(source, 0, 0, W, H, 0, 0);
  } else {
    const bool use_background = design.bgpicture;
    const int bgleft = Scaled(design.bgleft.Value(), scale);
    const int bgtop = Scaled(design.bgtop.Value(), scale);
    // Drawn larger, the background is the same picture with every pixel repeated.
    Picture scaled_background;
    if (use_background && scale != 1) {
      scaled_background = design.Image7;
      CheckPictureSize(static_cast<std::int64_t>(scaled_background.Width()) * scale,
                       static_cast<std::int64_t>(scaled_background.Height()) * scale);
      StretchPicture(scaled_background, scaled_background.Width() * scale,
                     scaled_background.Height() * scale);
    }
    const Picture& background = scale != 1 ? scaled_background : design.Image7;
    // The face and relief are the same for every button: work them out once.
    const FaceLayout face = PrepareFace(design.ImageShadow, source);
    const std::size_t button_bytes = source.ByteSize();
    // A button whose face is composed takes the rest of itself from the master in the same
    // pass; one that is not (no usable face, a background too small, the template's own
    // colour) is a copy of the master. Its rows lie together in the stack.
    auto master_copy = [&](Picture& stack, int top) {
      if (button_bytes > 0) std::memcpy(stack.Row(top), source.Data(), button_bytes);
    };
    // Lines past the colour table have no colour of their own: they keep the template's.
    auto line_colour = [&](int i) {
      return i < kLineColourCount ? design.LineColors[static_cast<std::size_t>(i)]
                                  : design.frontcolordefault;
    };
    auto compose = [&](int i) {
      const int top = i * H;
      if (use_background) {
        std::int64_t x = bgleft;
        std::int64_t y = bgtop;
        if (design.bghorizontal) {
          y += static_cast<std::int64_t>(i) * H;
        } else if (design.bgvertical) {
          x += static_cast<std::int64_t>(i) * W;
        }
        if (!ComposeBackground(normal, over, top, face, ClampOffset(y), ClampOffset(x), background,
                               source)) {
          master_copy(normal, top);
          master_copy(over, top);
        }
      } else {
        const Colour c = line_colour(i);
        if (c == design.frontcolordefault || !ComposeColor(normal, top, face, 0, c, source)) {
          master_copy(normal, top);
        }
        if (!ComposeColor(over, top, face, 50, c, source)) master_copy(over, top);
      }
    };
    constexpr int kButtonsATurn = 8;
    std::atomic<int> next_button{0};
    auto compose_buttons = [&] {
      for (int first; (first = next_button.fetch_add(kButtonsATurn)) < N;) {
        const int end = static_cast<int>(std::min<std::int64_t>(N, first + kButtonsATurn));
        for (int i = first; i < end; ++i) compose(i);
      }
    };
    CaptionStyle style;
    style.fontx = Scaled(design.fontx.Value(), scale);
    style.fonty = Scaled(design.fonty.Value(), scale);
    style.L = Scaled(design.tleft.Value(), scale);
    style.R = Scaled(design.tright.Value(), scale);
    style.scale = scale;
    style.C = design.tt.Value();
    style.shadowMode = !design.ToolButton7 ? 0 : design.StrongShadow ? 2 : 1;
    style.shadowColour = design.shadowcolor;
    style.S = design.shadowcolort.Value();
    style.fontColour = design.fontcolor;
    const bool captioned = !design.edit1.empty();

    // A large design shares its work with a second thread: this one draws the mask (it
    // needs the font engine, which is this thread's) while the other composes buttons,
    // then both compose; each then blends the caption into one stack (each ends as after
    // a blend of its own) and copies half of the strip. No pixel is written by both, and
    // each step reads only what the steps before it finished. A small stack costs less
    // to draw than a thread to start.
    SharedSteps shared(N * W * H >= g_shared_pixels.load());
    shared.Start([&](SharedSteps& steps) {
      compose_buttons();
      steps.Done(SharedSteps::kComposed);
      if (!steps.WaitFor(SharedSteps::kFramed)) return;
      if (captioned) DrawCaption(design.Image3, over, style, stack_rows);
      if (!steps.WaitFor(SharedSteps::kNormalCaptioned)) return;
      copy_to_strip(static_cast<int>(N / 2), static_cast<int>(N));
    });
    build_mask();
    style.B0 = B0;
    compose_buttons();
    shared.WaitFor(SharedSteps::kComposed);
    // 999 means "no line": with a thousand lines or more, line 999 is never framed, so an
    // export (which selects 999) never carries the frame.
    const int selected = design.SelectedLine;
    if (selected >= 0 && selected < N && selected != kNoLineSelected) {
      const int top = selected * H;
      if (selected == 0 && W > 0 && H > 0) {
        first_row = Picture(W, 1);
        first_row.CopyFrom(normal, 0, 0, W, 1, 0, 0);
      }
      DrawSelectionFrame(normal, top, W, H);
      DrawSelectionFrame(over, top, W, H);
      design.frontcolor = line_colour(selected);
    }
    shared.Done(SharedSteps::kFramed);
    if (captioned) {
      if (shared.Alongside()) {
        DrawCaption(design.Image3, normal, style, stack_rows);
      } else {
        DrawCaption(design.Image3, normal, over, style, stack_rows);
      }
      // Row 0 takes only the text of mask row 0 (no shadow reaches it), so a one-row
      // pass gives exactly the pixel an unframed stack would have.
      if (!first_row.Empty()) DrawCaption(design.Image3, first_row, style, 1);
    }
    shared.Done(SharedSteps::kNormalCaptioned);
    copy_to_strip(0, static_cast<int>(shared.Alongside() ? N / 2 : N));
    shared.Finish();
  }

  // The key row: the colour of the first normal button's top-left pixel, which the
  // previews and the export make transparent. A stack without pixels has black.
  const Colour key = !first_row.Empty()                  ? first_row.Pixel(0, 0)
                     : (W > 0 && stack_rows > 0) ? normal.Pixel(0, 0)
                                                 : 0;
  FillBlock(normal, 0, stack_rows, W, stack_rows + 1, key);
  FillBlock(over, 0, stack_rows, W, stack_rows + 1, key);
  const Colour strip_ground = design.tbg ? key : kPaneWhite;
  if (N == 0) {
    strip.Fill(strip_ground);
  } else {
    // The buttons cover every row but the last, which shows the ground.
    FillBlock(strip, 0, H, strip_width, H + 1, strip_ground);
  }

  design.Image2 = std::move(normal);
  design.Image8 = std::move(over);
  design.Image5 = std::move(strip);

  if (settings_text) BuildTemplateSettingsText(design);
}

}  // namespace

void Regenerate(Design& design) { Run(design, 1, true); }

std::int64_t SetSharedRegenerationPixels(std::int64_t pixels) { return g_shared_pixels.exchange(pixels); }

void RegenerateScaled(Design& design, int scale) {
  if (scale < 1) throw Error("The scale of a drawing must be at least 1, not " + std::to_string(scale));
  Run(design, scale, scale == 1);
}

bool RestoreDefaultSize(Design& design) {
  design.ImageSource = design.Imagebackup;
  const bool width_changed = design.buttonwidth.SetValue(design.Imagebackup.Width());
  const bool height_changed = design.buttonheight.SetValue(design.Imagebackup.Height());
  return width_changed || height_changed;
}

}  // namespace corvanti
