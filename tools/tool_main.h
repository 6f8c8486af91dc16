#pragma once

// The frame of every data tool: Qt on the offscreen platform (fonts and the JPEG writer
// need no display), the work, and its outcome on stdout or stderr.
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>

namespace corvanti::tools {

inline int ToolMain(int argc, char** argv, const char* name,
                    const std::function<std::string()>& work) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  try {
    const std::string wrote = work();
    std::printf("%s: wrote %s\n", name, wrote.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 1;
  }
}

}  // namespace corvanti::tools
