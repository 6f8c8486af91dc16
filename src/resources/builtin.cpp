#include "resources/builtin.h"

#include "codecs/picture_loader.h"
#include "resources/embedded_files.h"

namespace corvanti {

std::string BuiltInMasterBmp() {
  return embedded::Bytes(embedded::kBuiltinMasterBmp, embedded::kBuiltinMasterBmpSize);
}

std::string BuiltInAlphaBmp() {
  return embedded::Bytes(embedded::kBuiltinAlphaBmp, embedded::kBuiltinAlphaBmpSize);
}

std::string DefaultBackgroundJpeg() {
  return embedded::Bytes(embedded::kDefaultBackgroundJpeg, embedded::kDefaultBackgroundJpegSize);
}

Picture BuiltInMasterTemplate() { return ToPicture24(ReadBmp(BuiltInMasterBmp())); }

Picture BuiltInAlphaTemplate() { return ToPicture24(ReadBmp(BuiltInAlphaBmp())); }

Design StartupDesign(const std::filesystem::path& exe_folder) {
  Design design;
  design.exeFolder = exe_folder;
  design.Imagebackup = BuiltInMasterTemplate();
  design.ImageSource = design.Imagebackup;
  design.ImageShadowBackup = BuiltInAlphaTemplate();
  design.ImageShadow = design.ImageShadowBackup;
  design.Image7 = ToPicture24(ReadJpeg(DefaultBackgroundJpeg()));
  design.filepath.clear();
  design.filename.clear();
  // A design saved before any template is loaded carries the built-in pictures.
  design.picturesKept = true;
  design.masterBmp = BuiltInMasterBmp();
  design.alphaBmp = BuiltInAlphaBmp();
  return design;
}

}  // namespace corvanti
