// Compiles arbitrary bytes as a TGrep pattern and searches arbitrary subjects with it,
// walking every match as `krv grep -o` does. Checks that positions stay in range.
//
// Input: a flag byte (bit 0 IgnoreCase, bit 1 StopOnError, bits 2-4 the start position, bits
// 5-6 the search stage, bit 7 the portable scans), the pattern length, the pattern, then the
// subject. Byte 0xFF followed by b stands for the character U+4E00 + b, so that characters
// above 255 are reached too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../src/stringl/internal/grep_engine.h"
#include "korvex/base/exceptions.h"
#include "korvex/stringl/grep.h"

namespace {

krv::String Decode(const std::uint8_t* p, std::size_t n) {
  krv::String out;
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] == 0xFF && i + 1 < n) {
      out.push_back(static_cast<krv::Char>(0x4E00 + p[i + 1]));
      ++i;
    } else {
      out.push_back(static_cast<krv::Char>(p[i]));
    }
  }
  return out;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t plen = std::min<std::size_t>(data[1], size - 2);
  const krv::String pattern = Decode(data + 2, plen);
  const krv::String subject = Decode(data + 2 + plen, size - 2 - plen);

  static constexpr krv::detail::GrepEngine kEngines[] = {
      krv::detail::GrepEngine::kAuto, krv::detail::GrepEngine::kSmallBudget,
      krv::detail::GrepEngine::kLivenessOnly, krv::detail::GrepEngine::kAuto};
  krv::detail::SetGrepEngine(kEngines[(flags >> 5) & 3]);
  krv::detail::SetGrepScanPath((flags & 128) ? krv::detail::GrepScanPath::kPortable
                                             : krv::detail::GrepScanPath::kBest);

  krv::TGrep g;
  g.SetIgnoreCase(flags & 1);
  g.SetStopOnError(flags & 2);
  try {
    g.SetRegExp(pattern);
    Check(g.LastError() == 0 || !g.StopOnError());
  } catch (const krv::EKRVStringlError&) {
    Check(g.LastError() > 0);
  }
  Check(g.LastError() >= 0 && g.LastError() <= krv::kGrepLastError);
  Check(g.NrOfRegExpTokens() >= 0 && g.NrOfRegExpTokens() <= krv::kGrepMaxTokens);
  (void)g.RegExpListing();

  const int length = static_cast<int>(subject.size());
  int from = static_cast<int>((flags >> 2) & 7) - 1;  // -1..6
  for (int round = 0; round <= length + 2; ++round) {
    g.SetSearchStartPos(from);
    krv::Integer pos = 0;
    if (!g.MatchString(subject, pos)) {
      Check(pos == 0 && g.MatchStartPos() == 0 && g.MatchEndPos() == 0);
      break;
    }
    const int start = g.MatchStartPos();
    const int end = g.MatchEndPos();
    Check(pos == start);
    Check(start >= 1 && start <= length + 1);
    Check(end >= start - 1 && end <= std::max(length, 1));
    for (int k = 1; k <= g.NrOfRegExpTokens(); ++k) {
      const int vf = g.GetRegExpToken(k).ValidFrom;
      Check(vf >= 1 && vf <= length + 1);
    }
    from = end >= start ? end + 1 : start + 1;
  }
  return 0;
}
