#include "app/design_history.h"

#include <cstring>

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

bool DesignSnapshot::Pictures::operator==(const Pictures& other) const {
  return master == other.master && alpha == other.alpha && background == other.background &&
         masterBmp == other.masterBmp && alphaBmp == other.alphaBmp &&
         backgroundBytes == other.backgroundBytes;
}

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
  current_ = Capture();
}

DesignSnapshot DesignHistory::Capture() const {
  DesignSnapshot s;
  s.settings = design_;
  Design& d = s.settings;
  // What a regeneration makes again is not kept.
  for (Picture* p : {&d.Image2, &d.Image8, &d.Image5, &d.Image3, &d.ImageSource, &d.ImageShadow,
                     &d.Image1, &d.Image4, &d.Image6}) {
    *p = Picture();
  }
  auto pictures = std::make_shared<DesignSnapshot::Pictures>();
  pictures->master = std::move(d.Imagebackup);
  pictures->alpha = std::move(d.ImageShadowBackup);
  pictures->background = std::move(d.Image7);
  pictures->masterBmp = std::move(d.masterBmp);
  pictures->alphaBmp = std::move(d.alphaBmp);
  pictures->backgroundBytes = std::move(d.backgroundBytes);
  d.Imagebackup = d.ImageShadowBackup = d.Image7 = Picture();
  d.masterBmp.clear();
  d.alphaBmp.clear();
  d.backgroundBytes.clear();
  // Steps that did not change the pictures share the ones before them.
  if (current_.pictures && *current_.pictures == *pictures) {
    s.pictures = current_.pictures;
  } else {
    s.pictures = std::move(pictures);
  }
  return s;
}

bool DesignHistory::SameAsCurrent(const DesignSnapshot& snapshot) const {
  return snapshot.pictures == current_.pictures &&
         Fingerprint(snapshot.settings) == Fingerprint(current_.settings);
}

void DesignHistory::Reset() {
  stack_.clear();
  current_ = Capture();
  stack_.setClean();
}

void DesignHistory::Record(const QString& what, bool typing) {
  if (restoring_ || design_.Regenerating != 0) return;
  DesignSnapshot now = Capture();
  if (SameAsCurrent(now)) return;
  DesignSnapshot before = std::move(current_);
  current_ = now;
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
  current_ = snapshot;
  redraw_();
  restoring_ = false;
}

}  // namespace corvanti
