// Forms and conversions the command-line tests build their trees from.
#pragma once

#include <string>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"

namespace tess::cli::testing {

constexpr const char* kForm =
    "object Form1: TForm1\r\n  Left = 8\r\n  ExplicitLeft = 8\r\n  Caption = 'Hello'\r\n"
    "  object Button1: TButton\r\n    ExplicitTop = 2\r\n    Top = 2\r\n  end\r\nend\r\n";

inline std::string ToBinary(const std::string& AText) {
  stream::TMemoryStream input(AText), output;
  stream::FormTextToResource(input, output);
  return output.TakeBytes();
}

inline std::string ToText(const std::string& ABinary) {
  stream::TMemoryStream input(ABinary), output;
  stream::ResourceToFormText(input, output);
  return output.TakeBytes();
}

// The settings file of the desktop program with the given elements inside "Root".
inline std::string Preferences(const std::string& AElements) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n" + AElements + "</Root>\r\n";
}

}  // namespace tess::cli::testing
