#include "output/encode_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvanti {
namespace {

// Files 0..count-1 as a plain loop would leave them, whichever step fails; every file is
// staged before it is written, and more files than either window holds go through.
TEST(EncodeAhead, WritesInOrderAndStopsAtTheFirstFailure) {
  constexpr int kCount = 1500;
  struct Case {
    int fail_make, fail_stage, fail_write;
    bool fail_meanwhile;
    int written;  // files 0 .. written-1
  };
  const Case cases[] = {
      {-1, -1, -1, false, kCount},
      {3, -1, -1, false, 3},       // a make fails: the files before it are written
      {-1, 1200, -1, false, 1200},  // so does a staging
      {-1, -1, 1, false, 1},       // a write fails: nothing after it
      {-1, -1, -1, true, 0},       // the stack before them fails
  };
  for (const Case& c : cases) {
    std::vector<int> written;
    std::vector<std::atomic<bool>> staged(kCount);
    bool threw = false;
    try {
      EncodeAheadAndWrite(
          kCount,
          [&](int i) {
            if (i == c.fail_make) throw std::runtime_error("make");
            return std::to_string(i);
          },
          [&](int i, std::string&) {
            if (i == c.fail_stage) throw std::runtime_error("stage");
            staged[static_cast<std::size_t>(i)] = true;
          },
          [&](int i, std::string& bytes) {
            if (i == c.fail_write) throw std::runtime_error("write");
            EXPECT_EQ(bytes, std::to_string(i));
            EXPECT_TRUE(staged[static_cast<std::size_t>(i)]);
            written.push_back(i);
          },
          [&] {
            if (c.fail_meanwhile) throw std::runtime_error("meanwhile");
          });
    } catch (const std::runtime_error&) {
      threw = true;
    }
    ASSERT_EQ(static_cast<int>(written.size()), c.written);
    for (int i = 0; i < c.written; ++i) ASSERT_EQ(written[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(threw, c.written < kCount);
  }
}

}  // namespace
}  // namespace corvanti
