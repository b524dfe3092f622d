// Fuzz target: binary form files and bare binary form streams converted to form text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uTextToBinary.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string bytes(reinterpret_cast<const char*>(AData), ASize);

  // The file form, behind its resource header.
  {
    stream::TMemoryStream input(bytes), output;
    fuzz::Accepts([&] { stream::ResourceToFormText(input, output); });
  }

  // The bare stream, and then the text it printed through the text reader. That text need not
  // read back: a stream may hold names of any bytes, and they are printed as they stand, as the
  // IDE prints them (a NUL inside a property name, say). It must only fail cleanly.
  stream::TMemoryStream input(bytes), text;
  if (!fuzz::Accepts([&] { stream::BinaryToFormText(input, text); })) return 0;
  text.SetPosition(0);
  stream::TMemoryStream binary;
  fuzz::Accepts([&] { stream::FormTextToBinary(text, binary); });
  return 0;
}
