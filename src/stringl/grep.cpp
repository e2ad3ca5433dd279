// TGrep: properties, compilation entry points, MatchString and the token listing.
#include "korvex/stringl/grep.h"

#include <algorithm>
#include <new>

#include "korvex/base/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "stringl/internal/grep_compile.h"
#include "stringl/internal/grep_program.h"

namespace krv {
namespace {

constexpr const char* kErrorTexts[] = {
    "no errors",
    "reg.exp. must not start with $, *, ?, or +",
    "circumflex not allowed here",
    "no character allowed after end of line",
    "empty set",
    "circumflex has to be quoted in set",
    "mismatch of set brackets",
    "minus not allowed here",
    "mismatch of group brackets",
    "*, ?, + have to be applied to groups or sets only",
    "too many tokens (at most 64)",
    "literal too long (at most 255 characters)",
    "set member above character code 255",
    "*, ?, + must not be applied to an empty group",
};
static_assert(std::size(kErrorTexts) == kGrepLastError + 1);

void AppendMembers(const TGrepToken& tok, String& out) {
  for (unsigned c = 0; c < 256; ++c) {
    if (tok.Params[c] == u'*') out.push_back(static_cast<Char>(c));
  }
}

void AppendChars(const TGrepToken& tok, String& out) {
  const int n = std::clamp<Integer>(tok.NumChars, 0, kGrepMaxLiteral);
  for (int i = 1; i <= n; ++i) out.push_back(tok.Params[static_cast<std::size_t>(i)]);
}

}  // namespace

String GrepErrorText(int code) {
  if (code < 0 || code > kGrepLastError) return u"unknown error";
  return ToUtf16(kErrorTexts[code]);
}

TGrep::TGrep(TComponent* AOwner)
    : TComponent(AOwner),
      program_(std::make_unique<detail::GrepProgram>()),
      scratch_(std::make_unique<detail::GrepScratch>()) {}

TGrep::~TGrep() = default;

String TGrep::ClassName() const {
  return u"TGrep";
}

void TGrep::Recompile() {
  CompileRegExp(FRegExpStr);
}

void TGrep::SetRegExp(const String& v) {
  FRegExpStr = v;
  Recompile();
  if (FError > 0 && FStopOnError) {
    throw EKRVStringlError(
        ComponentMessage(u"error in regular expression - " + GrepErrorText(FError)));
  }
}

void TGrep::SetIgnoreCase(bool v) {
  FIgnoreCase = v;
  Recompile();
}

Integer TGrep::CompileRegExp(const String& pattern) {
  FError = detail::CompileGrepPattern(pattern, FIgnoreCase, FregExp, FLengRegExp);
  detail::BuildGrepProgram(FregExp, FLengRegExp, FIgnoreCase, *program_);
  return FError;
}

TGrepToken TGrep::GetRegExpToken(Integer regix) const {
  regix = std::max<Integer>(std::min(regix, FLengRegExp), 1);
  return FregExp[regix];
}

bool TGrep::MatchString(std::u16string_view Instring, Integer& MatchPos) {
  const auto length = static_cast<std::int64_t>(Instring.size());
  const Integer start = std::max<Integer>(FSrcStartPos, 1);
  bool found = false;
  if (FLengRegExp == 1 && FregExp[1].Action == taMult0) {
    // A lone repetition reports the whole subject.
    if (length < detail::kGrepMaxSubject && (length == 0 || start <= length)) {
      FMatchStartPos = 1;
      FMatchEndPos = static_cast<Integer>(length);
      FregExp[1].ValidFrom = 1;
      found = true;
    }
  } else {
    detail::GrepResult r;
    bool hit = false;
    try {
      hit = detail::GrepSearch(*program_, *scratch_, Instring, start, r);
    } catch (const std::bad_alloc&) {
      *scratch_ = detail::GrepScratch{};
      throw EKRVStringlError(ComponentMessage(u"not enough memory on heap"));
    }
    if (hit) {
      FMatchStartPos = r.start;
      FMatchEndPos = r.end;
      for (int k = 0; k < FLengRegExp; ++k) FregExp[k + 1].ValidFrom = r.valid_from[k];
      found = true;
    }
  }
  if (!found) {
    FMatchStartPos = 0;
    FMatchEndPos = 0;
    for (int k = 1; k <= FLengRegExp; ++k) FregExp[k].ValidFrom = 0;  // the rest stay 0
  }
  MatchPos = FMatchStartPos;
  return found;
}

String TGrep::RegExpListing() const {
  String out;
  for (int k = 1; k <= FLengRegExp; ++k) {
    const TGrepToken& tok = FregExp[k];
    switch (tok.Action) {
      case taNormal:
        out += u" taNormal: ";
        AppendChars(tok, out);
        break;
      case taAnyByte:
        out += u"taAnyByte: ";
        break;
      case taEol:
        out += u"    taEol: ";
        break;
      case taBol:
        out += u"    taBol: ";
        break;
      case taSet:
        out += u"    taSet: ";
        AppendMembers(tok, out);
        break;
      case taMult0:
      case taMult1:
      case taOpti:
        out += tok.Action == taMult0   ? u"  taMult0: "
               : tok.Action == taMult1 ? u"  taMult1: "
                                       : u"   taOpti: ";
        if (tok.NumChars < 0) {
          out += u"(set) ";
          AppendMembers(tok, out);
        } else if (tok.NumChars > 0) {
          out += u"(string) ";
          AppendChars(tok, out);
        } else {
          out += u"(anychar) ";
        }
        break;
    }
    out += u"\r\n";
  }
  out += GrepErrorText(FError);
  out += u"\r\n";
  return out;
}

void TGrep::PrintRegExp(const String& FName) const {
  TextFile f;
  f.Assign(FName);
  f.Rewrite();
  f.Write(RegExpListing());
  f.Close();
}

}  // namespace krv
