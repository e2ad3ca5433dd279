// Extracts fields from arbitrary text with ExtractSubString and checks each against the
// token of the same index that Tokenize cuts: both find delimiters the same way.
//
// Input: byte 0 the index (signed), then the delimiter, 0xFE, the text.
#include <cstdint>

#include "korvex/stringl/tokens.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 16384) return 0;
  fuzz::Input in(data, size);
  const std::int32_t index = static_cast<std::int8_t>(in.Byte());
  const String delimiter = in.Text();
  const String text = in.Text();

  const String field = ExtractSubString(text, index, delimiter);
  fuzz::Check(field.size() <= text.size());
  fuzz::Check(field.empty() || text.find(field) != String::npos);
  if (!delimiter.empty()) fuzz::Check(field.find(delimiter) == String::npos);

  TStrArray tokens;
  const std::int32_t n = Tokenize(text, delimiter, tokens);
  // Tokenize stops cutting at kMaxTokens while ExtractSubString has no such cap, so fields
  // from index kMaxTokens - 1 on are only comparable when fewer tokens were cut.
  const bool capped = n == kMaxTokens;
  for (std::int32_t i = -1; i <= n; ++i) {
    const String f = ExtractSubString(text, i, delimiter);
    if (i < 0 || (i >= n && !capped) || (delimiter.empty() && i > 0)) {
      fuzz::Check(f.empty());
    } else if (i < kMaxTokens - 1) {
      fuzz::Check(f == tokens[static_cast<std::size_t>(i)]);
    }
  }
  return 0;
}
