#pragma once

#include <string>
#include <vector>

namespace corvanti::cli {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A usage mistake: the message goes to stderr with the usage text, exit status 2.
struct UsageError {
  std::string message;
};

int RunConvert(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace corvanti::cli
