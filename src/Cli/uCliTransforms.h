// The transformations a command line can name: the two conversions and the user's transformations.
#pragma once

#include <memory>
#include <string>

#include "Transformations/uTransform.h"

namespace tess::cli {

// "Binary to text" (AToText) or "Text to binary", as the transformation list holds them; text
// is written with LF breaks when ALfBreaks, else with CR LF.
std::unique_ptr<transform::TTransform> CreateConversion(bool AToText, bool ALfBreaks = false);

// What TRANSFORM names: an existing transformation file, else the file name, else the caption
// (both without regard to case) of one in the transformation list. Raises EUsageError when it
// names none, names several, or names one whose actions are not all valid.
std::unique_ptr<transform::TTransform> FindTransform(const std::string& AName);

// "FILE<TAB>CAPTION<TAB>ACTIONS" per transformation on standard output, the built-ins first. 1
// when a transformation file could not be read (said on standard error), else 0.
int ListTransforms();

}  // namespace tess::cli
