#pragma once

#include <functional>
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

// Runs a command and gives its exit status: a usage mistake prints its message and the
// usage text (status 2), any other failure its message (status 1).
int RunCommand(const std::function<int()>& command);

int RunConvert(const std::vector<std::string>& args);
// In corvanti-cli this loads the renderer module (render_module.cpp), which brings QtGui
// with it; converting pictures never loads Qt, so the program starts in a millisecond.
int RunRender(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace corvanti::cli
