#include "Shared/Common/uException.h"

#include "Shared/Common/uEncoding.h"

namespace tess::common {

Exception::Exception(std::u16string AMessage) : FMessage(std::move(AMessage)), FUtf8Message(Utf16ToUtf8(FMessage)) {}

}  // namespace tess::common
