// The root of every error the system raises for bad input or a failed operation: a UTF-16 message.
#pragma once

#include <exception>
#include <string>

namespace tess::common {

class Exception : public std::exception {
public:
  explicit Exception(std::u16string AMessage);

  const std::u16string& Message() const noexcept { return FMessage; }
  // The message as UTF-8, for the console and for test output.
  const char* what() const noexcept override { return FUtf8Message.c_str(); }

private:
  std::u16string FMessage;
  std::string FUtf8Message;
};

// A file or folder could not be opened, created, written or renamed.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

}  // namespace tess::common
