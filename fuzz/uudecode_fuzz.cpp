// Decodes arbitrary text with UUDecodeStr and checks that the bytes it gives survive an
// encode and decode round trip unchanged.
//
// Input: the text.
#include <cstdint>

#include "korvex/stringl/uucode.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  fuzz::Input in(data, size);
  const String text = in.Text();
  const String bytes = UUDecodeStr(text);
  for (Char c : bytes) fuzz::Check(c <= 255);
  const String block = UUEncodeStr(bytes);
  fuzz::Check(!block.empty());
  fuzz::Check(UUDecodeStr(block) == bytes);
  return 0;
}
