// Fuzz target: the form-text language loaded into a document and printed again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FormText/uDFMHelper.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  const std::string_view bytes(reinterpret_cast<const char*>(AData), ASize);

  std::unique_ptr<doc::TDObject> object;
  if (!fuzz::Accepts([&] { object = helper.LoadObjectFromBytes(bytes); })) return 0;
  std::string printed;
  if (!fuzz::Accepts([&] { printed = helper.SaveObjectToBytes(*object); })) return 0;

  // What was printed is a form, and printing it again gives the same bytes.
  std::unique_ptr<doc::TDObject> again;
  if (!fuzz::Accepts([&] { again = helper.LoadObjectFromBytes(printed); }))
    fuzz::Fail("a printed document does not load", printed);
  std::string reprinted;
  if (!fuzz::Accepts([&] { reprinted = helper.SaveObjectToBytes(*again); }))
    fuzz::Fail("a reloaded document does not print");
  if (reprinted != printed)
    fuzz::Fail("load(print(x)) prints differently from print(x)", printed + "\n----\n" + reprinted);
  return 0;
}
