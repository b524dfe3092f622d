#include "Transformations/uTransform.h"

#include "Shared/Common/uDString.h"

namespace tess::transform {

std::u16string TTransform::GetCaption() const { return u"Transformation"; }

void TTransform::SetCaption(const std::u16string&) {}

std::unique_ptr<TTransform> TTransform::CreateNew() const { return nullptr; }

void TTransform::Assign(const TTransform& ASource) {
  if (&ASource == this) return;
  FInFile = ASource.FInFile;
  FOutFile = ASource.FOutFile;
  FChanged = ASource.FChanged;
}

void TTransform::Save() {}

void TTransform::Load() {}

bool TTransform::Editable() const { return false; }

bool TTransform::Valid() const { return true; }

std::u16string TTransform::Description() const { return {}; }

std::unique_ptr<TTransform> TTransform::Clone() const {
  std::unique_ptr<TTransform> copy = CreateNew();
  if (copy) copy->Assign(*this);
  return copy;
}

std::u16string TTransform::FullName() const { return common::DString::MakePath(FPath, FFileName); }

bool TTransform::FilesValid() const { return !FInFile.empty() && !FOutFile.empty() && FInFile != FOutFile; }

void TTransform::DoMessage(const std::u16string& AMessage) const {
  if (FOnMessage) FOnMessage(AMessage);
}

}  // namespace tess::transform
