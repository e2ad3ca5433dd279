// SearchAndReplace over memory streams.
#include "korvex/streams/search_replace.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "korvex/stringl/chars.h"

namespace krv {
namespace {

std::string LowBytes(const String& s) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<char>(s[i] & 0xFF);
  return out;
}

String FoldCommand(const String& s) {
  String out = s;
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

}  // namespace

std::int32_t SearchAndReplace(TMemoryStream& source, TMemoryStream& dest, const String& searchStr,
                              const String& replaceStr, bool ignoreCase, std::int32_t startPos,
                              std::int32_t maxCount, const String& modifier,
                              const TSRUnknownModifierEvent& onUnknownModifier) {
  const std::int64_t source_pos = source.Position();
  const std::size_t size = static_cast<std::size_t>(source.Size());
  const std::string input =
      size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(source.Memory()), size);

  std::string needle = LowBytes(searchStr);
  std::string haystack_folded;
  std::string_view haystack = input;
  if (ignoreCase) {
    std::transform(needle.begin(), needle.end(), needle.begin(), AsciiLower<char>);
    haystack_folded = input;
    std::transform(haystack_folded.begin(), haystack_folded.end(), haystack_folded.begin(),
                   AsciiLower<char>);
    haystack = haystack_folded;
  }

  // The replacement for the fixed commands is computed once; unknown commands ask the event
  // at every occurrence.
  const String command = FoldCommand(modifier);
  const bool ask_event = !command.empty() && command != u"upper" && command != u"lower";
  std::string fixed = LowBytes(replaceStr);
  if (command == u"upper")
    std::transform(fixed.begin(), fixed.end(), fixed.begin(), AsciiUpper<char>);
  if (command == u"lower")
    std::transform(fixed.begin(), fixed.end(), fixed.begin(), AsciiLower<char>);

  std::string out;
  out.reserve(input.size());
  std::size_t from = startPos < 1 ? 0 : std::min<std::size_t>(startPos - 1, input.size());
  out.append(input, 0, from);
  std::int32_t count = 0;
  while (!needle.empty() && (maxCount <= 0 || count < maxCount)) {
    const std::size_t hit = haystack.find(needle, from);
    if (hit == std::string_view::npos) break;
    out.append(input, from, hit - from);
    if (ask_event) {
      String substring = replaceStr;
      if (onUnknownModifier) onUnknownModifier(modifier, substring);
      out += LowBytes(substring);
    } else {
      out += fixed;
    }
    from = hit + needle.size();
    ++count;
  }
  out.append(input, from, std::string::npos);

  dest.Clear();
  dest.WriteBuffer(out.data(), out.size());
  dest.SetPosition(0);
  if (&source != &dest) source.SetPosition(source_pos);
  return count;
}

}  // namespace krv
