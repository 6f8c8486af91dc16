#include "output/encode_ahead.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace corvanti {
namespace {

// Files 0..count-1 as a plain loop would leave them, whichever step fails.
TEST(EncodeAhead, WritesInOrderAndStopsAtTheFirstFailure) {
  struct Case {
    int fail_encode, fail_write, fail_meanwhile;
    std::vector<int> written;
  };
  const Case cases[] = {
      {-1, -1, 0, {0, 1, 2, 3, 4}},
      {3, -1, 0, {0, 1, 2}},  // an encode fails: the files before it are written
      {-1, 1, 0, {0}},        // a write fails: nothing after it
      {-1, -1, 1, {}},        // the stack before them fails
  };
  for (const Case& c : cases) {
    std::vector<int> written;
    bool threw = false;
    try {
      EncodeAheadAndWrite(
          5,
          [&](int i) {
            if (i == c.fail_encode) throw std::runtime_error("encode");
            return std::to_string(i);
          },
          [&](int i, std::string& bytes) {
            if (i == c.fail_write) throw std::runtime_error("write");
            EXPECT_EQ(bytes, std::to_string(i));
            written.push_back(i);
          },
          [&] {
            if (c.fail_meanwhile) throw std::runtime_error("meanwhile");
          });
    } catch (const std::runtime_error&) {
      threw = true;
    }
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(threw, c.written.size() < 5);
  }
}

}  // namespace
}  // namespace corvanti
