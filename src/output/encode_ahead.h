#pragma once

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "codecs/file_io.h"

namespace corvanti {

// An export's files, made on a second thread while this one writes them. Each file goes
// through three steps: make(i) (encode it; at most kMadeAhead ahead of the one being
// written, which bounds the memory they hold), stage(i, made) (put it on disk under no
// name; each staged file holds an open file, so at most kStagedAhead ahead) and
// write(i, made) (name it). The helper thread makes and
// stages ahead; this thread writes the files in order, and makes or stages one itself
// whenever the file it is to write next is not ready. `meanwhile` runs here first, while
// the helper starts. The files and their order are those of a plain loop: a failure (of
// any step, or of meanwhile) stops the run there, every file before it is written and none
// after, and the exception comes out of this call.
template <typename Make, typename Stage, typename Write, typename Meanwhile>
void EncodeAheadAndWrite(int count, const Make& make, const Stage& stage, const Write& write,
                         const Meanwhile& meanwhile) {
  constexpr int kMadeAhead = 1024;
  constexpr int kStagedAhead = 64;
  using Made = decltype(make(0));
  enum class State { kWaiting, kMaking, kMade, kStaging, kReady, kFailed };
  struct Slot {
    State state = State::kWaiting;
    std::optional<Made> made;
    std::exception_ptr failure;
  };
  std::vector<Slot> slots(static_cast<std::size_t>(count));
  std::mutex mutex;
  std::condition_variable changed;
  // Under the mutex: the next file nobody is making, the file this thread writes next, and
  // whether the helper is to stop.
  int next_to_make = 0;
  int writing = 0;
  bool stop = false;

  // Makes or stages file i outside the lock (entered and left holding it).
  auto run = [&](std::unique_lock<std::mutex>& lock, int i, bool staging) {
    Slot& slot = slots[static_cast<std::size_t>(i)];
    slot.state = staging ? State::kStaging : State::kMaking;
    lock.unlock();
    std::optional<Made> made;
    std::exception_ptr failure;
    try {
      if (staging) {
        stage(i, *slot.made);
      } else {
        made.emplace(make(i));
      }
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure) {
      slot.failure = failure;
      slot.state = State::kFailed;
    } else {
      if (!staging) slot.made = std::move(made);
      slot.state = staging ? State::kReady : State::kMade;
    }
    changed.notify_all();
  };

  std::thread helper([&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      int task = -1;
      bool staging = false;
      changed.wait(lock, [&] {
        if (stop || writing >= count) return true;
        // Staging comes first: the earliest made file the window reaches.
        const int window_end = std::min(count, writing + kStagedAhead);
        for (int j = writing; j < window_end; ++j) {
          if (slots[static_cast<std::size_t>(j)].state == State::kMade) {
            task = j;
            staging = true;
            return true;
          }
        }
        if (next_to_make < count && next_to_make < writing + kMadeAhead) {
          task = next_to_make++;
          return true;
        }
        return false;  // until the windows move on
      });
      if (task < 0) return;
      run(lock, task, staging);
    }
  });
  auto finish = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    changed.notify_all();
    helper.join();
  };

  try {
    meanwhile();
    for (int i = 0; i < count; ++i) {
      Slot& slot = slots[static_cast<std::size_t>(i)];
      std::unique_lock<std::mutex> lock(mutex);
      // Not ready: stage it, or help make the files after it, rather than wait.
      while (slot.state != State::kReady && slot.state != State::kFailed) {
        if (slot.state == State::kMade) {
          run(lock, i, true);
        } else if (next_to_make < count) {
          run(lock, next_to_make++, false);
        } else {
          changed.wait(lock);
        }
      }
      if (slot.failure) std::rethrow_exception(slot.failure);
      Made made = std::move(*slot.made);
      slot.made.reset();
      writing = i + 1;
      lock.unlock();
      changed.notify_all();
      write(i, made);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// The exports' files: make(i) gives file i as a StagedFile (its bytes and where it goes),
// which is staged ahead and named in order; a file that cannot be made is reported as
// "Cannot create file".
template <typename Make, typename Meanwhile>
void WriteFilesAhead(int count, const Make& make, const Meanwhile& meanwhile) {
  EncodeAheadAndWrite(
      count, make, [](int, StagedFile& file) { file.Stage(); },
      [](int, StagedFile& file) { file.Commit(CreateFailure::kCannotCreate); }, meanwhile);
}

}  // namespace corvanti
