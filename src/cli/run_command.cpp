#include <cstdio>
#include <exception>

#include "cli/cli.h"

namespace corvanti::cli {

const char* const kUsage =
    "usage: corvanti-cli render TEMPLATE.btt -o OUTPUT [--text-file FILE] [--set KEY=VALUE]...\n"
    "       corvanti-cli render TEMPLATE.btt -o OUTPUT.html --web [--links FILE] [--text-file FILE]\n"
    "                    [--set KEY=VALUE]...\n"
    "       corvanti-cli convert INPUT OUTPUT [--transparency none|corner|key]\n";

int RunCommand(const std::function<int()>& command) {
  try {
    return command();
  } catch (const UsageError& e) {
    std::fprintf(stderr, "corvanti-cli: %s\n%s", e.message.c_str(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvanti-cli: %s\n", e.what());
    return kExitFailed;
  }
}

}  // namespace corvanti::cli
