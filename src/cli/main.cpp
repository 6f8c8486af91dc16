// corvanti-cli: renders templates and converts pictures without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  using namespace corvanti::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitDone;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  return RunCommand([&] {
    if (command == "render") return RunRender(args);
    if (command == "convert") return RunConvert(args);
    throw UsageError{"unknown command '" + command + "'"};
  });
}
