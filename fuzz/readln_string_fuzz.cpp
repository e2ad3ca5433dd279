// Reads arbitrary text line by line with ReadLnString in every mode and checks that lines
// hold no control characters, that every call moves forward, and that the line characters
// are exactly the text's characters of code 32 and above.
//
// Input: byte 0 the mode, byte 1 the start position (signed), then the text.
#include <algorithm>
#include <cstdint>

#include "korvex/stringl/tokens.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 16384) return 0;
  fuzz::Input in(data, size);
  const std::int32_t mode = static_cast<std::int8_t>(in.Byte()) % 7;
  const std::int32_t start = static_cast<std::int8_t>(in.Byte());
  const String text = in.Text();

  String visible;
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  for (std::size_t i = from; i < text.size(); ++i)
    if (text[i] >= 32) visible += text[i];

  std::int32_t pos = start;
  bool eos = false;
  String all;
  std::size_t calls = 0;
  while (!eos) {
    const std::int32_t before = pos;
    const String line = ReadLnString(text, pos, eos, mode);
    for (Char c : line) fuzz::Check(c >= 32);
    all += line;
    fuzz::Check(eos || pos > std::max(before, 1));
    fuzz::Check(++calls <= text.size() + 2);
  }
  fuzz::Check(all == visible);
  return 0;
}
