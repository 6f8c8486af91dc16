#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvanti {

// An export's files, made on a second thread while this one writes them: encode(i) runs
// for i = 0 .. count-1 on the helper thread (and on this one too, whenever the file it is
// to write next is not ready), and write(i, bytes) on this thread, in order, as soon as
// file i is ready. `meanwhile` runs here first, while the helper starts. The files and
// their order are those of a plain loop: a failure (an encode's, a write's or meanwhile's)
// stops the run there, every file before it is written and none after, and the exception
// comes out of this call.
inline void EncodeAheadAndWrite(int count, const std::function<std::string(int)>& encode,
                                const std::function<void(int, std::string&)>& write,
                                const std::function<void()>& meanwhile) {
  struct Slot {
    std::string bytes;
    std::exception_ptr failure;
    bool done = false;
  };
  std::vector<Slot> slots(static_cast<std::size_t>(count));
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<int> next{0};  // the next file nobody is making yet
  std::atomic<bool> stop{false};

  // Takes the next file nobody is making and makes it; false when there is none.
  auto make_next = [&] {
    const int i = next.fetch_add(1);
    if (i >= count) return false;
    Slot made;
    try {
      made.bytes = encode(i);
    } catch (...) {
      made.failure = std::current_exception();
    }
    made.done = true;
    {
      std::lock_guard<std::mutex> lock(mutex);
      slots[static_cast<std::size_t>(i)] = std::move(made);
    }
    changed.notify_all();
    return true;
  };
  std::thread helper([&] {
    while (!stop.load() && make_next()) {
    }
  });
  auto finish = [&] {
    stop.store(true);
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
      std::string bytes = std::move(slot.bytes);
      lock.unlock();
      write(i, bytes);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace corvanti
