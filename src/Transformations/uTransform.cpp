#include "Transformations/uTransform.h"

#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"

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

void TTransform::RunReportingErrors(const std::function<void()>& AWork) {
  try {
    AWork();
  } catch (const common::Exception& error) {
    FStatus = TTransformStatus::tsError;
    DoMessage(u"Error: " + error.Message());
    throw;
  } catch (const std::exception& error) {
    // Running out of memory on a huge file is a failure of that file, reported like any other.
    FStatus = TTransformStatus::tsError;
    DoMessage(u"Error: " + common::Utf8ToUtf16(error.what()));
    throw;
  }
}

}  // namespace tess::transform
