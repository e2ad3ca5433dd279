// The run-time exception classes. The library's own family (EKRVError...) lives in base.
#pragma once

#include <exception>
#include <string>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The general exception: carries a message text (UTF-16); what() gives it as UTF-8.
class Exception : public std::exception {
 public:
  explicit Exception(String message);
  explicit Exception(const char* utf8_message);
  const String& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  String message_;
  std::string utf8_;
};

// Conversion failures, and the refusal of Assign ("Cannot assign a X to a Y").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Input/output failures of text files; ErrorCode() is the IOResult-style code.
class EInOutError : public Exception {
 public:
  EInOutError(String message, int error_code) : Exception(std::move(message)), code_(error_code) {}
  EInOutError(const char* message, int error_code) : Exception(message), code_(error_code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

// A file stream could not open its file.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// ReadBuffer could not read the requested count.
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

// WriteBuffer could not write the requested count.
class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

// A variant could not be converted to the requested kind.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// A bitmap or other drawing resource could not be had ("Out of system resources").
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// A printer operation out of turn ("Printing in progress", "Printer is not currently printing").
class EPrinter : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace krv
KORVEX_API_END
