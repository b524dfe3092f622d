// The two conversions every installation has: binary form files to text and text to binary.
#pragma once

#include <memory>
#include <string>

#include "Shared/Common/uLineBreak.h"
#include "Transformations/uTransform.h"

namespace tess::transform {

// Converts a binary form file to form text; any other file is skipped.
class TBinToTextTransform : public TTransform {
public:
  std::u16string GetCaption() const override;
  std::unique_ptr<TTransform> CreateNew() const override;
  // tsNone for unusable file names, tsSkipped (no output) when the input is not binary,
  // tsApplied once the output is written. A failure sets tsError and propagates.
  void Execute() override;
  // Also copies the line break.
  void Assign(const TTransform& ASource) override;

  // The line break of the text written: CR LF, the IDE's, unless the user chose LF.
  common::TLineBreak LineBreak() const { return FLineBreak; }
  void SetLineBreak(common::TLineBreak ABreak) { FLineBreak = ABreak; }

private:
  common::TLineBreak FLineBreak = common::TLineBreak::lbCrLf;
};

// Converts a form text file (Windows-1252 or UTF-8 with its mark) to a binary form file.
class TTextToBinTransform : public TTransform {
public:
  std::u16string GetCaption() const override;
  std::unique_ptr<TTransform> CreateNew() const override;
  // As TBinToTextTransform, the other way round.
  void Execute() override;
};

}  // namespace tess::transform
