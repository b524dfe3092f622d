// The one bound on nesting that every reader of forms keeps.
#pragma once

#include <string>

#include "Shared/Common/uFormat.h"

namespace tess::common {

// Objects, lists and collections nested deeper than this are refused by the form-text reader and
// both conversions: real forms stay far below it, and it keeps the recursion of the walks, the
// printers and the documents' destructors well inside a worker thread's stack.
constexpr int kMaxNestingDepth = 1000;

inline std::u16string NestingTooDeepMessage() {
  return Format(u"Objects, lists and collections nest deeper than %d levels", {kMaxNestingDepth});
}

}  // namespace tess::common
