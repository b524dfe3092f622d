#include "Transformations/uTransform.h"

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"

namespace tess::transform {

std::u16string StatusCaption(TTransformStatus AStatus) {
  switch (AStatus) {
    case TTransformStatus::tsApplied: return u"Applied";
    case TTransformStatus::tsNoChanges: return u"No changes";
    case TTransformStatus::tsSkipped: return u"Skipped";
    case TTransformStatus::tsError: return u"Error";
    case TTransformStatus::tsProgress: return u"In progress...";
    case TTransformStatus::tsNone: break;
  }
  return {};
}

std::u16string NotAFormFileMessage(std::string_view ALeadingBytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string bytes;
  for (size_t i = 0; i < ALeadingBytes.size() && i < 4; ++i) {
    const auto byte = static_cast<unsigned char>(ALeadingBytes[i]);
    if (!bytes.empty()) bytes.push_back(u' ');
    bytes.push_back(kDigits[byte >> 4]);
    bytes.push_back(kDigits[byte & 0xF]);
  }
  return u"Skipped: not a form file (starts with " + bytes + u")";
}

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

common::TFilePath TTransform::FullName() const { return FPath / FFileName; }

uint64_t TTransform::InputSize() const {
  return FInBytes ? FInBytes->size() : static_cast<uint64_t>(common::DDirectory::FileSize(FInFile));
}

std::string TTransform::ReadInput() {
  if (!FInBytes) return common::DDirectory::ReadBytes(FInFile);
  std::string bytes = std::move(*FInBytes);
  FInBytes.reset();
  return bytes;
}

bool TTransform::FilesValid() const { return !FInFile.IsEmpty() && !FOutFile.IsEmpty() && FInFile != FOutFile; }

void TTransform::DoMessage(const std::u16string& AMessage) const {
  if (FOnMessage) FOnMessage(AMessage);
}

void TTransform::RunReportingErrors(const std::function<void()>& AWork) {
  try {
    AWork();
  } catch (const common::Exception& error) {
    FStatus = TTransformStatus::tsError;
    DoMessage(u"Error: " + formtext::DescribeError(error));
    throw;
  } catch (const std::exception& error) {
    // Running out of memory on a huge file is a failure of that file, reported like any other.
    FStatus = TTransformStatus::tsError;
    DoMessage(u"Error: " + formtext::DescribeError(error));
    throw;
  }
}

}  // namespace tess::transform
