#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace corvanti {

// An export's files, made on a second thread while this one writes them: make(i) runs for
// i = 0 .. count-1 on the helper thread (and on this one too, whenever the file it is to
// write next is not ready), and write(i, made) on this thread, in order, as soon as file i
// is ready. `meanwhile` runs here first, while the helper starts. The helper keeps at most
// kMadeAhead files ready beyond the one being written (each may hold an open file). The
// files and their order are those of a plain loop: a failure (a make's, a write's or
// meanwhile's) stops the run there, every file before it is written and none after, and
// the exception comes out of this call.
template <typename Make, typename Write, typename Meanwhile>
void EncodeAheadAndWrite(int count, const Make& make, const Write& write, const Meanwhile& meanwhile) {
  constexpr int kMadeAhead = 64;
  using Made = decltype(make(0));
  struct Slot {
    std::optional<Made> made;
    std::exception_ptr failure;
    bool done = false;
  };
  std::vector<Slot> slots(static_cast<std::size_t>(count));
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<int> next{0};  // the next file nobody is making yet
  int writing = 0;           // the file this thread writes next (under the mutex)
  bool stop = false;         // under the mutex

  // Takes the next file nobody is making and makes it; false when there is none.
  auto make_next = [&] {
    const int i = next.fetch_add(1);
    if (i >= count) return false;
    Slot slot;
    try {
      slot.made.emplace(make(i));
    } catch (...) {
      slot.failure = std::current_exception();
    }
    slot.done = true;
    {
      std::lock_guard<std::mutex> lock(mutex);
      slots[static_cast<std::size_t>(i)] = std::move(slot);
    }
    changed.notify_all();
    return true;
  };
  std::thread helper([&] {
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || next.load() < writing + kMadeAhead; });
        if (stop) return;
      }
      if (!make_next()) return;
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
      while (!slot.done) {
        // Not ready: help with the files after it rather than wait, unless all are taken.
        lock.unlock();
        if (!make_next()) {
          lock.lock();
          changed.wait(lock, [&] { return slot.done; });
        } else {
          lock.lock();
        }
      }
      if (slot.failure) std::rethrow_exception(slot.failure);
      Made made = std::move(*slot.made);
      slot.made.reset();
      lock.unlock();
      write(i, made);
      lock.lock();
      writing = i + 1;
      lock.unlock();
      changed.notify_all();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace corvanti
