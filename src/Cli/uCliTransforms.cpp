#include "Cli/uCliTransforms.h"

#include <filesystem>

#include "Cli/uCliOptions.h"
#include "Cli/uCliReport.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformList.h"

namespace tess::cli {

using transform::TManualTransform;
using transform::TTransform;
using transform::TTransformList;

namespace {

std::u16string AsciiLower(std::u16string AText) {
  for (char16_t& c : AText)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return AText;
}

void Warn(const std::u16string& AMessage) { PrintDiagnostic(u"warning: " + AMessage); }

}  // namespace

std::unique_ptr<TTransform> CreateConversion(bool AToText, bool ALfBreaks) {
  if (AToText) {
    auto conversion = std::make_unique<transform::TBinToTextTransform>();
    if (ALfBreaks) conversion->SetLineBreak(common::TLineBreak::lbLf);
    return conversion;
  }
  return std::make_unique<transform::TTextToBinTransform>();
}

std::unique_ptr<TTransform> FindTransform(const std::string& AName) {
  std::error_code error;
  if (std::filesystem::is_regular_file(AName, error)) {
    auto transform = std::make_unique<TManualTransform>();
    const common::TFilePath path(AName);
    transform->SetPath(AName.find('/') == std::string::npos ? common::TFilePath() : path.Folder());
    transform->SetFileName(path.Name());
    try {
      transform->Load();
    } catch (const common::Exception& failure) {
      throw EUsageError("cannot read the transformation file '" + AName + "': " + Printable(failure.Message()));
    }
    if (!transform->Valid()) throw EUsageError("the transformation '" + AName + "' has an action that is not valid");
    return transform;
  }

  TTransformList& list = TTransformList::Instance();
  for (const std::u16string& message : list.LoadMessages()) Warn(message);
  const std::u16string name = AsciiLower(common::Utf8ToUtf16(AName));
  std::vector<TTransform*> found;
  // A file name is unique in its folder, so it wins over a caption that happens to read the same.
  for (int i = 0; i < list.Count(); ++i)
    if (!list.Items(i)->FileName().IsEmpty() && AsciiLower(list.Items(i)->FileName().Text()) == name)
      found.push_back(list.Items(i));
  if (found.empty())
    for (int i = 0; i < list.Count(); ++i)
      if (AsciiLower(list.Items(i)->Caption()) == name) found.push_back(list.Items(i));
  if (found.empty()) throw EUsageError("no transformation '" + AName + "': 'tessarine-cli transforms' lists them");
  if (found.size() > 1) {
    std::string files;
    for (TTransform* transform : found) files += " " + Printable(transform->FileName().Text());
    throw EUsageError("'" + AName + "' is the caption of several transformations; name one by its file:" + files);
  }
  if (!found[0]->Valid()) throw EUsageError("the transformation '" + AName + "' has an action that is not valid");
  return found[0]->Clone();
}

int ListTransforms() {
  TTransformList& list = TTransformList::Instance();
  for (int i = 0; i < list.Count(); ++i) {
    const TTransform* transform = list.Items(i);
    const auto* manual = dynamic_cast<const TManualTransform*>(transform);
    const std::string file = transform->FileName().IsEmpty() ? "built-in" : Printable(transform->FileName().Text());
    const std::string actions = manual != nullptr ? std::to_string(manual->ActionCount()) : "-";
    PrintLine(TChannel::chOut, file + "\t" + Printable(transform->Caption()) + "\t" + actions);
  }
  for (const std::u16string& message : list.LoadMessages()) Warn(message);
  return list.LoadMessages().empty() ? 0 : 1;
}

}  // namespace tess::cli
