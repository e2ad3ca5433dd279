// Differential fuzzing of krv grep's byte automaton: for patterns of the dialect made from
// the input, whether a line is selected (with -i or not, one pattern or two, the -w blanks,
// fed whole, in pieces, or with jumps to the pattern's first character) must be what TGrep
// finds. A line with a byte beyond ASCII may be answered kNotAscii, or else the verdict TGrep
// gives on its bytes read as Latin-1: one that the ASCII bytes alone decide, as in any reading
// where ASCII bytes are themselves.
//
// Input: a flag byte (bit 0 -i, bit 1 a second pattern, bit 2 the -w blanks, bits 3-4 how the
// line is fed), the first pattern up to a zero byte, the second up to a zero byte, then the
// lines, separated by line feeds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/krv/grep_dfa_support.h"
#include "korvex/stringl/grep.h"

namespace {

using krv::tool::LineDfa;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Compile(krv::TGrep& g, std::string_view pattern, bool fold,
             std::vector<krv::TGrepToken>& out) {
  out = krv::tool::testing::CompileForDfa(g, pattern, fold);
  return !out.empty();
}

std::string_view Take(std::string_view& in) {
  const std::size_t end = in.find('\0');
  const std::string_view part = in.substr(0, end);
  in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const unsigned flags = data[0];
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool fold = flags & 1, two = flags & 2, pad = flags & 4;
  const unsigned feed = (flags >> 3) & 3;
  krv::TGrep g1, g2;
  std::vector<std::vector<krv::TGrepToken>> tokens(1);
  if (!Compile(g1, Take(in), fold, tokens[0])) return 0;
  const std::string_view second = Take(in);
  if (two) {
    tokens.emplace_back();
    if (!Compile(g2, second, fold, tokens[1])) return 0;
  }
  LineDfa dfa(tokens, fold, pad);
  const auto first =
      two || pad ? std::nullopt : krv::tool::testing::FirstChar::For(tokens[0], fold);
  const LineDfa::StartFinder* starts = feed >= 2 && first ? &*first : nullptr;
  while (!in.empty()) {
    const std::size_t nl = in.find('\n');
    const std::string_view line = in.substr(0, nl);
    in.remove_prefix(nl == std::string_view::npos ? in.size() : nl + 1);
    krv::String subject;
    if (pad) subject += u' ';
    for (char c : line) subject += static_cast<char16_t>(static_cast<unsigned char>(c));
    if (pad) subject += u' ';
    bool want = false;
    krv::Integer pos = 0;
    g1.SetSearchStartPos(1);
    want = g1.MatchString(subject, pos);
    if (two && !want) {
      g2.SetSearchStartPos(1);
      want = g2.MatchString(subject, pos);
    }
    LineDfa::Verdict got;
    if (feed == 1 || feed == 3) {
      dfa.Begin();
      for (std::size_t at = 0; at < line.size(); at += 3)
        if (!dfa.Feed(line.substr(at, 3), starts)) break;
      got = dfa.End();
    } else {
      got = dfa.Test(line, 0, starts);
    }
    if (got != LineDfa::Verdict::kNotAscii) {
      Check(got == (want ? LineDfa::Verdict::kYes : LineDfa::Verdict::kNo));
    } else {
      bool wide = false;
      for (char c : line) wide = wide || static_cast<unsigned char>(c) >= 0x80;
      Check(wide);
    }
  }
  return 0;
}
