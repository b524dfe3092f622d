// Fuzz target: the settings file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "App/uDFMSettings.h"
#include "Shared/Common/uFilePath.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

namespace {

// The settings with their file in the scratch folder rather than the user's data folder.
class TFuzzSettings : public app::TDFMSettings {
public:
  explicit TFuzzSettings(common::TFilePath AFileName) : FFileName(std::move(AFileName)) {}
  common::TFilePath GetFileName() override { return FFileName; }

private:
  common::TFilePath FFileName;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  static const std::string path = fuzz::ScratchDir() + "/Preferences.xml";
  fuzz::WriteScratchFile(path, std::string_view(reinterpret_cast<const char*>(AData), ASize));

  // Load never raises, whatever the file holds.
  TFuzzSettings settings{common::TFilePath(path)};
  try {
    settings.Load();
  } catch (...) {
    fuzz::Fail("Load raised");
  }
  return 0;
}
