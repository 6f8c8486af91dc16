// Loads arbitrary bytes as a template file (settings section and embedded pictures
// together) and regenerates the previews from whatever it set. A first byte of 0 makes the
// rest build a template of known tags and real pictures instead.
#include "fuzz_main.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvanti;
  const std::filesystem::path& folder = fuzz::ScratchAppFolder();
  static const Design startup = StartupDesign(folder);
  fuzz::AbortOnProblem("template_loader_fuzzer",
                       fuzz::RunTemplateLoaderInput(fuzz::InputText(data, size), startup, folder));
  return 0;
}
