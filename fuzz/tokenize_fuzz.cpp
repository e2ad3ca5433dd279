// Splits arbitrary text with Tokenize (with and without an escape character) and checks the
// token count and that, without escape, the tokens joined by the delimiter give the text
// back.
//
// Input: byte 0 the escape character, then the delimiter, 0xFE, the text.
#include <cstdint>

#include "korvex/stringl/tokens.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 16384) return 0;
  fuzz::Input in(data, size);
  const Char escape = in.Byte();
  const String delimiter = in.Text();
  const String text = in.Text();

  TStrArray tokens;
  const std::int32_t n = Tokenize(text, delimiter, tokens);
  fuzz::Check(n >= 1 && n <= kMaxTokens && static_cast<std::size_t>(n) == tokens.size());
  String joined = tokens[0];
  for (std::size_t i = 1; i < tokens.size(); ++i) joined += delimiter + tokens[i];
  fuzz::Check(joined == text);
  if (delimiter.empty()) fuzz::Check(n == 1);

  TStrArray escaped;
  const std::int32_t m = Tokenize(text, delimiter, escape, escaped);
  fuzz::Check(m >= 1 && m <= n && static_cast<std::size_t>(m) == escaped.size());
  return 0;
}
