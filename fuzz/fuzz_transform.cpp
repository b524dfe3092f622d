// Fuzz target: user transformation files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Shared/Common/uFilePath.h"
#include "Transformations/uManualTransform.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  // Load reads only the transformation's own file, so the input goes through one.
  static const std::string folder = fuzz::ScratchDir();
  fuzz::WriteScratchFile(folder + "/Fuzz.xml", std::string_view(reinterpret_cast<const char*>(AData), ASize));

  transform::TManualTransform transformation;
  transformation.SetPath(common::TFilePath(folder));
  transformation.SetFileName(common::TFilePath("Fuzz.xml"));
  if (!fuzz::Accepts([&] { transformation.Load(); })) return 0;

  // A loaded transformation answers about itself and saves without a foreign failure.
  (void)transformation.Valid();
  transformation.SetFileName(common::TFilePath("Saved.xml"));
  fuzz::Accepts([&] { transformation.Save(); });
  return 0;
}
