#include "Transformations/uTransformList.h"

#include <exception>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"
#include "Transformations/uBuiltInTransforms.h"
#include "Transformations/uManualTransform.h"

namespace tess::transform {

using common::DDirectory;
using common::DString;
using common::Format;

namespace {

// The list that is registered before it loads, so a caller that reaches Instance while it
// loads gets the same list.
std::unique_ptr<TTransformList>& TheList() {
  static std::unique_ptr<TTransformList> list;
  return list;
}

}  // namespace

TTransformList::TTransformList() {
  FList.push_back(std::make_unique<TBinToTextTransform>());
  FList.push_back(std::make_unique<TTextToBinTransform>());
}

TTransformList::~TTransformList() = default;

TTransformList& TTransformList::Instance() {
  std::unique_ptr<TTransformList>& list = TheList();
  if (!list) {
    list = std::make_unique<TTransformList>();
    list->Load();
  }
  return *list;
}

common::TFilePath TTransformList::TransformsFolder() { return common::TDFMPathMan::Instance().Transforms(); }

void TTransformList::Load() {
  FLoadMessages.clear();
  const common::TFilePath folder = TransformsFolder();
  // A pipe or device among the files is named in the messages and never opened: reading one
  // would hold up the start of the program.
  common::TDFileScanner scanner;
  scanner.SetPath(folder);
  scanner.SetFileType(common::TDSearchAttribute::saFiles);
  scanner.SetRecursive(false);
  scanner.SetMask(u"*.xml");
  scanner.OnError = [this](const common::TFilePath& APath, const std::u16string& AReason) {
    FLoadMessages.push_back(Format(u"Skipped transformation file %s: %s", {APath.Text(), AReason}));
  };
  scanner.Execute();
  for (const common::TFilePath& name : scanner.Result()) {
    auto transform = std::make_unique<TManualTransform>();
    transform->SetFileName(name);
    transform->SetPath(folder);
    try {
      transform->Load();
    } catch (const common::Exception& error) {
      FLoadMessages.push_back(
          Format(u"Skipped transformation file %s: %s", {transform->FullName().Text(), error.Message()}));
      continue;
    } catch (const std::exception& error) {
      FLoadMessages.push_back(Format(u"Skipped transformation file %s: %s",
                                     {transform->FullName().Text(), common::Utf8ToUtf16(error.what())}));
      continue;
    }
    FList.push_back(std::move(transform));
  }
}

TTransform* TTransformList::Items(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw common::Exception(Format(u"List index out of bounds (%d)", {AIndex}));
  return FList[static_cast<size_t>(AIndex)].get();
}

int TTransformList::IndexOf(const TTransform* ATransform) const {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i].get() == ATransform) return static_cast<int>(i);
  return -1;
}

TTransform* TTransformList::Add(std::unique_ptr<TTransform> ATransform) {
  if (!ATransform) return nullptr;
  ATransform->SetFileName(NewFileName());
  ATransform->SetPath(TransformsFolder());
  ATransform->Save();
  FList.push_back(std::move(ATransform));
  return FList.back().get();
}

void TTransformList::Remove(TTransform* ATransform) {
  const int index = IndexOf(ATransform);
  // The built-ins stay at the front whatever a caller asks: the chooser relies on them there.
  if (index < 0 || !ATransform->Editable()) return;
  if (!ATransform->FileName().IsEmpty()) DDirectory::RemoveFile(TransformsFolder() / ATransform->FileName());
  FList.erase(FList.begin() + index);
}

void TTransformList::Save() {
  for (const auto& transform : FList)
    if (transform->Editable()) transform->Save();
}

common::TFilePath TTransformList::NewFileName() const {
  const common::TFilePath folder = TransformsFolder();
  int index = Count();
  // Any entry takes a name, not only a file: saving over a folder of that name would fail, and
  // every later Add with it.
  auto taken = [&](int AIndex) {
    const common::TFilePath path = folder / FileNameFor(AIndex);
    return DDirectory::FileExists(path) || DDirectory::Exists(path);
  };
  while (taken(index)) ++index;
  return FileNameFor(index);
}

common::TFilePath TTransformList::FileNameFor(int AIndex) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  auto value = static_cast<unsigned int>(AIndex);
  do {
    digits.insert(digits.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return common::TFilePath(digits + ".xml");
}

}  // namespace tess::transform
