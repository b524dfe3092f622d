// Corpus text files that do not print back byte for byte, each with the reason the writer's fixed
// layout gives for it. Files are named by their git blob id (the git_blob column of MANIFEST.tsv),
// so the list survives renames. Every other file must load and print back exactly, its line
// breaks made CR LF.
#pragma once

#include <string_view>

namespace tess::testing {

struct TCorpusException {
  std::string_view Blob;
  std::string_view Reason;
};

inline constexpr TCorpusException kCorpusPrintExceptions[] = {
    // A one-piece list string ('Database=...', line 170) stands alone on a line below an
    // indentation-only line; the writer puts a string of one piece on the current line.
    {"47e5847f41f998b627cf5b8f65e2c21cbbb6c85a", "one-piece list string written on a line of its own"},
    // Two tab characters after "26" on line 14, typed by hand; the writer regenerates all layout.
    {"0497a3799d5d8b9e0554368c8577972a75a3a6b5", "trailing tab characters on a property line"},
    // "EnableCloseButton= True" on line 94, edited by hand; the writer prints " = ".
    {"0ab31db75a12a2d85ea27b8f17ec3c3a54db6ef3", "no space before the equals sign"},
    // The last "end" has no line break after it; the writer ends every text with CR LF.
    {"93444b7e40c8bc816d950fa0721fc0bb80284876", "no line break after the last end"},
    {"e29d550318617633c460af18ca02ccb55810a6e6", "no line break after the last end"},
    // An object header on line 75 ends with a blank.
    {"9e157cb1af6782b89bafcd9423faa3cb8732291e", "trailing blank after an object header"},
};

}  // namespace tess::testing
