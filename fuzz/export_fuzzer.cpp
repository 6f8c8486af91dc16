// Exports small random designs under random names into a scratch folder with a page
// pattern, then reads every picture back.
#include "fuzz_main.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  const std::filesystem::path& folder = fuzz::ScratchAppFolder();
  static const Design startup = StartupDesign(folder);
  fuzz::AbortOnProblem("export_fuzzer",
                       fuzz::RunExportInput(fuzz::InputText(data, size), startup, folder));
  return 0;
}
