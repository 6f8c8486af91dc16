#pragma once

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QObject>
#include <QUndoStack>

#include "design/design.h"

namespace corvanti {

// A design as one undo step remembers it: every setting, and the template and background
// pictures with the file bytes behind them, shared between the steps they did not change.
// The previews are not kept; a restored design is drawn again.
struct DesignSnapshot {
  struct Pictures {
    Picture master, alpha, background;
    std::string masterBmp, alphaBmp, backgroundBytes;
  };
  Design settings;
  std::shared_ptr<const Pictures> pictures;
};

// Undo and redo over the whole design. After every change the window tells it what
// happened; when the design differs from the last one recorded, that is one step. Typing
// merges into one step until a pause.
class DesignHistory : public QObject {
  Q_OBJECT
 public:
  // `redraw` runs after a step is undone or redone (the design holds the restored state).
  DesignHistory(Design& design, std::function<void()> redraw, QObject* parent = nullptr);

  // The design as it is now is where the history starts; nothing to undo.
  void Reset();
  // Records the design after a change, as a step of its own or (typing) merged into the
  // typing step before it when that was less than a pause ago.
  void Record(const QString& what, bool typing = false);
  // The design as it is now is the one on disk.
  void MarkSaved() { stack_.setClean(); }
  bool Unsaved() const { return !stack_.isClean(); }
  QUndoStack& Stack() { return stack_; }

  // Whether a step is being undone or redone just now (changes then are not recorded).
  bool Restoring() const { return restoring_; }

 private:
  friend class DesignStep;
  DesignSnapshot Capture();
  void SetCurrent(DesignSnapshot snapshot);
  bool SameAsCurrent(const DesignSnapshot& snapshot) const;
  void Restore(const DesignSnapshot& snapshot);

  Design& design_;
  std::function<void()> redraw_;
  QUndoStack stack_;
  DesignSnapshot current_;
  std::string currentFingerprint_;  // of current_.settings, kept to compare cheaply
  bool restoring_ = false;
};

}  // namespace corvanti
