// corvanti-cli: renders templates and converts pictures without a window.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace corvanti::cli {

const char* const kUsage =
    "usage: corvanti-cli render TEMPLATE.btt -o OUTPUT [--text-file FILE] [--set KEY=VALUE]...\n"
    "       corvanti-cli render TEMPLATE.btt -o OUTPUT.html --web [--links FILE] [--text-file FILE]\n"
    "                    [--set KEY=VALUE]...\n"
    "       corvanti-cli convert INPUT OUTPUT [--transparency none|corner|key]\n";

}  // namespace corvanti::cli

int main(int argc, char** argv) {
  using namespace corvanti::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitDone;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  try {
    if (command == "render") return RunRender(args);
    if (command == "convert") return RunConvert(args);
    throw UsageError{"unknown command '" + command + "'"};
  } catch (const UsageError& e) {
    std::fprintf(stderr, "corvanti-cli: %s\n%s", e.message.c_str(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvanti-cli: %s\n", e.what());
    return kExitFailed;
  }
}
