#include "Transformations/uBuiltInTransforms.h"

#include <algorithm>
#include <functional>
#include <string>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"
#include "Shared/Common/uDDirectory.h"

namespace tess::transform {

namespace {

using stream::FormFileFormat;

using TConversion = std::function<void(stream::TStream& AInput, stream::TStream& AOutput)>;

// The input is read whole before the output is created: two different names can still lead to
// one file (a link, "a/../x.dfm"), and creating the output first would empty the input.
void Convert(TTransform& ATransform, bool (*AApplies)(FormFileFormat), const TConversion& AConversion) {
  ATransform.SetStatus(TTransformStatus::tsNone);
  if (!ATransform.FilesValid()) return;
  // One read serves the detection and the conversion.
  stream::TMemoryStream input(ATransform.ReadInput());
  const FormFileFormat format = stream::DetectFormFormat(input);
  if (!AApplies(format)) {
    ATransform.SetStatus(TTransformStatus::tsSkipped);
    // A form in the other format needs no word; a file that is no form at all does.
    if (format == FormFileFormat::fmtUnknown && ATransform.OnMessage())
      ATransform.OnMessage()(NotAFormFileMessage(input.Bytes().substr(0, 4)));
    return;
  }
  stream::TMemoryStream converted;
  AConversion(input, converted);
  stream::WriteWholeFile(ATransform.OutFile(), converted.Bytes());
  ATransform.SetStatus(TTransformStatus::tsApplied);
}

bool IsBinary(FormFileFormat AFormat) { return AFormat == FormFileFormat::fmtBinary; }

bool IsText(FormFileFormat AFormat) {
  return AFormat == FormFileFormat::fmtText || AFormat == FormFileFormat::fmtUTF8Text;
}

}  // namespace

std::u16string TBinToTextTransform::GetCaption() const { return u"Binary to text"; }

std::unique_ptr<TTransform> TBinToTextTransform::CreateNew() const { return std::make_unique<TBinToTextTransform>(); }

void TBinToTextTransform::Assign(const TTransform& ASource) {
  TTransform::Assign(ASource);
  if (const auto* source = dynamic_cast<const TBinToTextTransform*>(&ASource)) FLineBreak = source->FLineBreak;
}

void TBinToTextTransform::Execute() {
  RunReportingErrors([this] {
    Convert(*this, IsBinary, [this](stream::TStream& AInput, stream::TStream& AOutput) {
      stream::ResourceToFormText(AInput, AOutput, FLineBreak);
    });
  });
}

std::u16string TTextToBinTransform::GetCaption() const { return u"Text to binary"; }

std::unique_ptr<TTransform> TTextToBinTransform::CreateNew() const { return std::make_unique<TTextToBinTransform>(); }

void TTextToBinTransform::Execute() {
  RunReportingErrors([this] { Convert(*this, IsText, stream::FormTextToResource); });
}

}  // namespace tess::transform
