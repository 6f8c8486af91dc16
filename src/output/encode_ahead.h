#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvanti {

// An export's files, made on a second thread while this one writes them: encode(i) runs
// for i = 0 .. count-1 in order on the helper thread, and write(i, bytes) on this thread,
// in the same order, as soon as file i is ready. `meanwhile` runs here first, while the
// helper starts. The files and their order are those of a plain loop: a failure (an
// encode's, a write's or meanwhile's) stops the run there, every file before it is written
// and none after, and the exception comes out of this call.
inline void EncodeAheadAndWrite(int count, const std::function<std::string(int)>& encode,
                                const std::function<void(int, std::string&)>& write,
                                const std::function<void()>& meanwhile) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> made(static_cast<std::size_t>(count));
  int ready = 0;               // files made so far
  std::exception_ptr failure;  // what stopped the helper at file `ready`
  bool stop = false;

  std::thread helper([&] {
    for (int i = 0; i < count; ++i) {
      std::string bytes;
      std::exception_ptr error;
      try {
        bytes = encode(i);
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(mutex);
      if (stop) return;
      if (error) {
        failure = error;
        changed.notify_one();
        return;
      }
      made[static_cast<std::size_t>(i)] = std::move(bytes);
      ready = i + 1;
      changed.notify_one();
    }
  });
  auto finish = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    helper.join();
  };

  try {
    meanwhile();
    for (int i = 0; i < count; ++i) {
      std::string bytes;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return ready > i || failure; });
        if (ready <= i) std::rethrow_exception(failure);
        bytes = std::move(made[static_cast<std::size_t>(i)]);
      }
      write(i, bytes);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace corvanti
