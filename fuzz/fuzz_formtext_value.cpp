// Fuzz target: a single property value as the user types it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "fuzz/FuzzSupport.h"

using namespace tess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  const std::u16string text = common::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(AData), ASize));

  // Both never raise; the noexcept turns any escape into a crash.
  const std::unique_ptr<doc::TDValue> value = helper.LoadValue(text);
  const bool valid = helper.IsValidValue(text);
  if (valid != (value != nullptr)) fuzz::Fail("IsValidValue and LoadValue disagree");
  return 0;
}
