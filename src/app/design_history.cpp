#include "app/design_history.h"

#include <iterator>
#include <utility>

#include <QUndoCommand>

namespace corvanti {
namespace {

// Typing merges into one step until it pauses this long.
constexpr qint64 kTypingPauseMs = 1000;
constexpr int kTypingStep = 1;

// The settings that make the design what it is, as one comparable text: the settings text
// (rebuilt by every regeneration), the field texts as typed, and the values the settings
// text does not hold.
std::string Fingerprint(const Design& d) {
  std::string f = d.Memo1;
  for (const NumericField* field : {&d.buttonwidth, &d.buttonheight, &d.fontsize, &d.fontx, &d.fonty,
                                    &d.fontzoom, &d.tt, &d.tleft, &d.tright, &d.shadowcolort,
                                    &d.bgleft, &d.bgtop}) {
    f += '\0' + field->Text();
  }
  f += '\0' + d.edit1 + '\0' + d.links + '\0' + d.fontname + '\0' + d.captionFont.name + '\0' +
       d.bgfilename + '\0' + std::to_string(d.frontcolordefault);
  f.append(reinterpret_cast<const char*>(d.LineColors.data()), sizeof d.LineColors);
  return f;
}

}  // namespace

// One step: the design before and after it.
class DesignStep : public QUndoCommand {
 public:
  DesignStep(DesignHistory& history, DesignSnapshot before, DesignSnapshot after,
             const QString& what, bool typing)
      : QUndoCommand(what),
        history_(history),
        before_(std::move(before)),
        after_(std::move(after)),
        typing_(typing) {
    clock_.start();
  }

  int id() const override { return typing_ ? kTypingStep : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    if (other->id() != id() || clock_.elapsed() > kTypingPauseMs) return false;
    after_ = static_cast<const DesignStep*>(other)->after_;
    clock_.restart();
    return true;
  }
  void undo() override { history_.Restore(before_); }
  void redo() override {
    // Pushing a step runs redo at once; the design is already in that state then.
    if (first_) {
      first_ = false;
      return;
    }
    history_.Restore(after_);
  }

 private:
  DesignHistory& history_;
  DesignSnapshot before_;
  DesignSnapshot after_;
  bool typing_;
  bool first_ = true;
  QElapsedTimer clock_;
};

DesignHistory::DesignHistory(Design& design, std::function<void()> redraw, QObject* parent)
    : QObject(parent), design_(design), redraw_(std::move(redraw)) {
  stack_.setUndoLimit(200);
  SetCurrent(Capture());
}

DesignSnapshot DesignHistory::Capture() {
  Design& d = design_;
  // The pictures stand aside while the settings are copied: this runs after every
  // keystroke, and a large design's previews are many megabytes that a step never keeps.
  Picture* const pictures[] = {&d.Image2, &d.Image8, &d.Image5, &d.Image3, &d.ImageSource,
                               &d.ImageShadow, &d.Image1, &d.Image4, &d.Image6,
                               &d.Imagebackup, &d.ImageShadowBackup, &d.Image7};
  std::string* const files[] = {&d.masterBmp, &d.alphaBmp, &d.backgroundBytes};
  Picture aside_pictures[std::size(pictures)];
  std::string aside_files[std::size(files)];
  for (std::size_t i = 0; i < std::size(pictures); ++i) aside_pictures[i] = std::exchange(*pictures[i], Picture());
  for (std::size_t i = 0; i < std::size(files); ++i) aside_files[i] = std::exchange(*files[i], std::string());
  DesignSnapshot s;
  s.settings = d;
  for (std::size_t i = 0; i < std::size(pictures); ++i) *pictures[i] = std::move(aside_pictures[i]);
  for (std::size_t i = 0; i < std::size(files); ++i) *files[i] = std::move(aside_files[i]);

  // Steps that did not change the template or the background share them.
  const DesignSnapshot::Pictures* last = current_.pictures.get();
  if (last != nullptr && last->master == d.Imagebackup && last->alpha == d.ImageShadowBackup &&
      last->background == d.Image7 && last->masterBmp == d.masterBmp &&
      last->alphaBmp == d.alphaBmp && last->backgroundBytes == d.backgroundBytes) {
    s.pictures = current_.pictures;
  } else {
    s.pictures = std::make_shared<DesignSnapshot::Pictures>(DesignSnapshot::Pictures{
        d.Imagebackup, d.ImageShadowBackup, d.Image7, d.masterBmp, d.alphaBmp, d.backgroundBytes});
  }
  return s;
}

bool DesignHistory::SameAsCurrent(const DesignSnapshot& snapshot) const {
  return snapshot.pictures == current_.pictures && Fingerprint(snapshot.settings) == currentFingerprint_;
}

void DesignHistory::SetCurrent(DesignSnapshot snapshot) {
  currentFingerprint_ = Fingerprint(snapshot.settings);
  current_ = std::move(snapshot);
}

void DesignHistory::Reset() {
  stack_.clear();
  SetCurrent(Capture());
  stack_.setClean();
}

void DesignHistory::Record(const QString& what, bool typing) {
  if (restoring_ || design_.Regenerating != 0) return;
  DesignSnapshot now = Capture();
  if (SameAsCurrent(now)) return;
  DesignSnapshot before = current_;
  SetCurrent(now);
  stack_.push(new DesignStep(*this, std::move(before), std::move(now), what, typing));
}

void DesignHistory::Restore(const DesignSnapshot& snapshot) {
  restoring_ = true;
  // The selection and the working values are the window's, not the design's history.
  const int selected = design_.SelectedLine;
  design_ = snapshot.settings;
  design_.SelectedLine = selected;
  design_.Regenerating = 0;
  design_.PreviewDragging = 0;
  design_.Imagebackup = snapshot.pictures->master;
  design_.ImageShadowBackup = snapshot.pictures->alpha;
  design_.Image7 = snapshot.pictures->background;
  design_.masterBmp = snapshot.pictures->masterBmp;
  design_.alphaBmp = snapshot.pictures->alphaBmp;
  design_.backgroundBytes = snapshot.pictures->backgroundBytes;
  SetCurrent(snapshot);
  redraw_();
  restoring_ = false;
}

}  // namespace corvanti
