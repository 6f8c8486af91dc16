// Regenerates random designs: settings in and out of their ranges (negative, huge, not
// numbers at all), empty and mismatched pictures, backgrounds of any size, 0 to 1200
// caption lines, any font size and zoom, any selected line.
#include "fuzz_main.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  static const Design startup = StartupDesign(std::filesystem::temp_directory_path());
  fuzz::AbortOnProblem("regenerate_fuzzer",
                       fuzz::RunRegenerateInput(fuzz::InputText(data, size), startup));
  return 0;
}
