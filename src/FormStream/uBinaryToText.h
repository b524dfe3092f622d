// Conversion of binary form streams into form text.
#pragma once

#include "FormStream/uStreams.h"
#include "Shared/Common/uLineBreak.h"
#include "Shared/Common/uNesting.h"

namespace tess::stream {

using common::kMaxNestingDepth;

// Converts one binary form stream, starting at "TPF0", into form text. The text is collected in
// memory and written only when the whole conversion has succeeded; it starts with the UTF-8
// byte-order mark when a name or identifier holds a non-ASCII character. Raises EReadError on
// malformed input, leaving the output untouched; also when the text would outgrow 64 MiB plus 128
// times the stream, which only streams built to exhaust memory do, and when an identifier is spelt
// as a non-finite number (NAN, INF), which would read back as that number. Lines end with ABreak,
// CR LF as the IDE writes them unless asked otherwise.
void BinaryToFormText(TStream& AInput, TStream& AOutput, common::TLineBreak ABreak = common::TLineBreak::lbCrLf);

// Skips the resource header and converts the stream behind it, the conversion of binary form files.
void ResourceToFormText(TStream& AInput, TStream& AOutput, common::TLineBreak ABreak = common::TLineBreak::lbCrLf);

}  // namespace tess::stream
