#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "codecs/bmp_writer.h"
#include "codecs/gif_writer.h"
#include "codecs/picture_loader.h"

namespace corvanti::cli {
// convert INPUT OUTPUT [--transparency none|corner|key]
int RunConvert(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string transparency = "none";
  bool transparency_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--transparency" || a.rfind("--transparency=", 0) == 0) {
      if (a == "--transparency") {
        if (i + 1 >= args.size()) throw UsageError{"--transparency needs a value"};
        transparency = args[++i];
      } else {
        transparency = a.substr(std::string("--transparency=").size());
      }
      transparency_given = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError{"unknown option " + a};
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw UsageError{"convert takes INPUT and OUTPUT"};

  GifTransparency kind;
  if (transparency == "none") kind = GifTransparency::kNone;
  else if (transparency == "corner") kind = GifTransparency::kTopLeftIndex;
  else if (transparency == "key") kind = GifTransparency::kKeyColour;
  else throw UsageError{"--transparency is none, corner or key, not '" + transparency + "'"};

  const std::filesystem::path input = positional[0];
  const std::filesystem::path output = positional[1];
  const std::string out_ext = LowerExtension(output);
  if (out_ext != "gif" && out_ext != "bmp") {
    throw UsageError{"OUTPUT must end in .gif or .bmp"};
  }
  if (out_ext == "bmp" && transparency_given && kind != GifTransparency::kNone) {
    throw UsageError{"a BMP file has no transparency"};
  }

  const Picture picture = ToPicture24(LoadPicture(input));
  if (out_ext == "gif") {
    WriteGifFile(picture, output, kind);
  } else {
    WriteBmpFile(picture, output);
  }
  return kExitDone;
}

}  // namespace corvanti::cli
