// Fuzz target: form text converted to binary form files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uTextToBinary.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  stream::TMemoryStream input(std::string(reinterpret_cast<const char*>(AData), ASize)), resource;
  if (!fuzz::Accepts([&] { stream::FormTextToResource(input, resource); })) return 0;

  // A binary file this system wrote must read back.
  resource.SetPosition(0);
  stream::TMemoryStream text;
  if (!fuzz::Accepts([&] { stream::ResourceToFormText(resource, text); }))
    fuzz::Fail("a binary file written from text does not convert back");
  return 0;
}
