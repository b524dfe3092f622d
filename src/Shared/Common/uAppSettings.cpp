#include "Shared/Common/uAppSettings.h"

#include <vector>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::common {

namespace {
// A settings file is a few hundred bytes; anything near this is not one and is not read whole.
constexpr int64_t kMaxSettingsFileSize = 16 * 1024 * 1024;
}  // namespace

TAppSettings::TAppSettings() : FSerializer(std::make_unique<TDXMLSerializer>(TDXMLEncoding::xeUtf8)) {}

TAppSettings::~TAppSettings() = default;

TFilePath TAppSettings::GetFileName() { return {}; }

void TAppSettings::SetFileName(const TFilePath&) {}

void TAppSettings::Load() {
  FLoadError.clear();
  const TFilePath fileName = GetFileName();
  if (fileName.IsEmpty() || !DDirectory::FileExists(fileName)) return;

  std::vector<std::u16string> problems;
  try {
    if (DDirectory::FileSize(fileName) > kMaxSettingsFileSize)
      throw EDXMLError(Format(u"The file is larger than %d bytes", {kMaxSettingsFileSize}));
    // From the bytes rather than the file, so the message names the file once.
    FSerializer->XMLDoc().LoadFromBytes(DDirectory::ReadBytes(fileName));
  } catch (const Exception& error) {
    // Start afresh, so that a later Save writes a clean file rather than the broken tree.
    FSerializer->XMLDoc().Create(TDXMLFileEncoding::feUtf8, u"Root");
    problems.push_back(error.Message());
  }
  if (problems.empty()) {
    FSerializer->PropertyReadError = [&problems](TDXMLSerializer*, TDPersistent*, const std::u16string& APropertyName,
                                                 TDXMLNode, const std::exception& AError, bool& AHandled) {
      const auto* error = dynamic_cast<const Exception*>(&AError);
      problems.push_back(Format(u"%s: %s", {APropertyName, error ? error->Message() : Utf8ToUtf16(AError.what())}));
      AHandled = true;
    };
    try {
      FSerializer->Deserialize(this);
    } catch (const std::exception& error) {
      problems.push_back(Utf8ToUtf16(error.what()));
    }
    FSerializer->PropertyReadError = nullptr;
  }
  if (!problems.empty())
    FLoadError = Format(
        u"The settings file \"%s\" could not be read completely (%s). The default values are kept for "
        u"what could not be read.",
        {fileName.Text(), DString::Join(problems, u"; ")});
}

void TAppSettings::Save() {
  const TFilePath fileName = GetFileName();
  if (fileName.IsEmpty()) return;
  FSerializer->Serialize(this);
  FSerializer->XMLDoc().SaveToFile(fileName);
}

}  // namespace tess::common
