// TGrep: a small regular-expression matcher.
//
// The dialect: an optional ^; then atoms (a literal character, \c for c taken literally, . for
// any character, a set [abc] with ranges a-z and a leading ^ for negation, or a literal group
// (abc)), each optionally followed by one of *, + or ?; then an optional $, which must come
// last. \#hh stands for the character with hexadecimal code hh and is read like any other
// pattern character. A mark after a run of literal characters applies to the last one only
// (ab* is a followed by any number of b); after a group it applies to the whole group.
//
// A pattern compiles into at most 64 tokens. The search result is that of a recursive
// backtracking search that tries repetitions shortest first; the matcher reaches the same
// result with bounded cost (time proportional to the subject's length and to 1 + tokens / 64),
// so no pattern can make it explode.
//
// Limits (each reported by its own error code, never overrun):
//   - more than 64 tokens: error 10;
//   - a literal token (a run of characters or a group) longer than 255 characters: error 11;
//   - a set member above character code 255: error 12;
//   - *, + or ? after an empty group (): error 13.
// A subject character above 255 is never a member of a set (negated sets included) and equals
// a literal character of the pattern only when the pattern holds that very character.
//
// Choices where the behaviour is open:
//   - No tokens (an empty pattern, or one rejected at its first character): MatchString is
//     false and the match positions are 0.
//   - SearchStartPos below 1 searches from 1; beyond the subject's length + 1 nothing matches
//     (except that a pattern of one * repetition alone keeps its own rule: it matches, reporting
//     the whole subject, whenever the subject is empty or SearchStartPos <= its length).
//   - Subjects of 2147483647 characters or more never match (positions would not fit).
//   - A search that plain backtracking does not settle within a budget proportional to the
//     subject's length needs about one bit per subject character of working memory (plus one
//     per 64 tokens); when it cannot get it, MatchString raises EKRVStringlError "not enough
//     memory on heap".
//   - After a failed search MatchPos, MatchStartPos, MatchEndPos and every ValidFrom are 0.
//   - A minus right after the negation mark of a set ([^-a]) is error 7, like [-a].
//   - A back slash as the last pattern character stands for itself; so does a minus that ends
//     the pattern inside an open set.
//   - With IgnoreCase the pattern is folded to lower case after \#hh escapes are resolved, so
//     \#41 matches both A and a.
//   - Compilation clears all 64 tokens, not only the ones it builds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/types.h"

// The compiled pattern stays inside the library: declared outside the exported block.
namespace krv::detail {
struct GrepProgram;
struct GrepScratch;
}  // namespace krv::detail

KORVEX_API_BEGIN
namespace krv {

// The kind of a compiled token.
enum TGrepTokenAct : std::uint8_t {
  taNormal,   // a literal string
  taAnyByte,  // any one character
  taEol,      // end of subject
  taBol,      // beginning of subject
  taSet,      // one character out of a set
  taMult0,    // zero or more repetitions
  taMult1,    // one or more repetitions
  taOpti      // zero or one occurrence
};

// One compiled token.
struct TGrepToken {
  TGrepTokenAct Action = taNormal;
  // taNormal: number of literal characters. taMult0/taMult1/taOpti: what is repeated:
  // -1 a set, 0 any character, n > 0 a literal string of n characters.
  Integer NumChars = 0;
  // Literal characters at 1..NumChars; for a set, entry c is '*' for a member, ' ' otherwise.
  std::array<Char, 256> Params{};
  // The subject position at which this token last matched (0 after compilation).
  Integer ValidFrom = 0;
};

inline constexpr int kGrepMaxTokens = 64;
inline constexpr int kGrepMaxLiteral = 255;

using TRegExp = IndexedArray<TGrepToken, 1, kGrepMaxTokens>;

// Compile error codes.
enum : int {
  kGrepNoError = 0,
  kGrepBadStart = 1,            // "reg.exp. must not start with $, *, ?, or +"
  kGrepCircumflex = 2,          // "circumflex not allowed here"
  kGrepAfterEol = 3,            // "no character allowed after end of line"
  kGrepEmptySet = 4,            // "empty set"
  kGrepCircumflexInSet = 5,     // "circumflex has to be quoted in set"
  kGrepSetBrackets = 6,         // "mismatch of set brackets"
  kGrepMinus = 7,               // "minus not allowed here"
  kGrepGroupBrackets = 8,       // "mismatch of group brackets"
  kGrepBadMark = 9,             // "*, ?, + have to be applied to groups or sets only"
  kGrepTooManyTokens = 10,      // "too many tokens (at most 64)"
  kGrepLiteralTooLong = 11,     // "literal too long (at most 255 characters)"
  kGrepSetMemberTooLarge = 12,  // "set member above character code 255"
  kGrepEmptyGroupMark = 13,     // "*, ?, + must not be applied to an empty group"
  kGrepLastError = 13
};

// The text of a compile error code; "unknown error" for a code outside 0..kGrepLastError.
String GrepErrorText(int code);

class TGrep : public TComponent {
 public:
  explicit TGrep(TComponent* AOwner = nullptr);
  ~TGrep() override;

  String ClassName() const override;

  // The pattern as last set. Setting it compiles it; with StopOnError true a compile error
  // raises EKRVStringlError "Component \"Name\": error in regular expression - <text>".
  const String& RegExp() const { return FRegExpStr; }
  void SetRegExp(const String& v);
  // Setting it compiles the stored pattern again; never raises.
  bool IgnoreCase() const { return FIgnoreCase; }
  void SetIgnoreCase(bool v);
  Integer SearchStartPos() const { return FSrcStartPos; }
  void SetSearchStartPos(Integer v) { FSrcStartPos = v; }
  bool StopOnError() const { return FStopOnError; }
  void SetStopOnError(bool v) { FStopOnError = v; }

  // A copy of token regix, regix clamped to at most NrOfRegExpTokens, then to at least 1.
  TGrepToken GetRegExpToken(Integer regix) const;
  Integer MatchEndPos() const { return FMatchEndPos; }
  Integer MatchStartPos() const { return FMatchStartPos; }
  Integer NrOfRegExpTokens() const { return FLengRegExp; }
  Integer LastError() const { return FError; }

  // Compiles pattern into the token array (the stored pattern is not changed) and returns the
  // error code, which also stays in LastError. The tokens built before an error remain.
  Integer CompileRegExp(const String& pattern);

  // Searches Instring from SearchStartPos. On success MatchPos and MatchStartPos hold the
  // first position of the match and MatchEndPos its last one (1-based; an empty match ends
  // one before it starts).
  bool MatchString(std::u16string_view Instring, Integer& MatchPos);

  // Writes the listing of the compiled tokens to the text file FName (created or
  // overwritten, Windows-1252, CR LF line ends). File errors raise EInOutError.
  void PrintRegExp(const String& FName) const;
  // The same listing as a string: one line per token and a last line with the text of the
  // current error code, each line ended by CR LF.
  String RegExpListing() const;

 private:
  void Recompile();

  Integer FLengRegExp = 0;
  bool FStopOnError = true;
  TRegExp FregExp{};
  String FRegExpStr;
  bool FIgnoreCase = false;
  Integer FError = 0;
  Integer FMatchEndPos = 0;
  Integer FMatchStartPos = 0;
  Integer FSrcStartPos = 1;
  std::unique_ptr<detail::GrepProgram> program_;
  std::unique_ptr<detail::GrepScratch> scratch_;
};

// How a pattern ends, for callers that want to be stricter than CompileRegExp, which builds
// a set or a group left open at the end as far as it goes and reads a final back slash as
// itself.
enum class TGrepLooseEnd { None, OpenSet, OpenGroup, LoneBackslash };
struct TGrepEnding {
  TGrepLooseEnd Kind = TGrepLooseEnd::None;
  // 1-based, in the pattern as given (before \#hh escapes are resolved): the [ or ( left
  // open, or the final back slash. 0 for None.
  Integer Position = 0;
};
// The loose end of pattern, read as CompileRegExp reads it; None also when it does not
// compile (its error code says why).
TGrepEnding GrepPatternEnding(std::u16string_view pattern);

}  // namespace krv
KORVEX_API_END
