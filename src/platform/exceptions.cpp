#include "korvex/platform/exceptions.h"

#include "korvex/platform/text.h"

namespace krv {

Exception::Exception(String message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}

Exception::Exception(const char* utf8_message)
    : message_(ToUtf16(utf8_message ? utf8_message : "")), utf8_(ToUtf8(message_)) {}

}  // namespace krv
