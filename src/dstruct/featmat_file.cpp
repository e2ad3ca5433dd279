// The text file of TFeatureMatrix. Lines end in CR LF, characters are Windows-1252, fields on
// a line are separated by one blank, numbers are decimal without padding:
//
//   #featdef N 1                       definition header: N features, format version 1
//   i fplFeatNum <number>              six lines for each feature i = 1..N
//   i fplFeatName <name>
//   i fplFeatKind <fkUndefined|fkInteger|fkDouble|fkString|fkTriState>
//   i fplComment <comment>
//   i fplPresets <preset text>
//   i fplSorted <TRUE|FALSE>
//   #featvals N M                      value header: N features, M objects
//   f o <value>                        one line per non-empty value, objects outer
//   #featend
//
// Texts cannot hold line breaks in this format: CR and LF inside a name, comment, preset or
// value are written as blanks, so that no text can break the file's structure. Characters
// that Windows-1252 lacks are written as '?'. The reader trims lines of blanks on both
// sides, so leading and trailing blanks of a value, and trailing blanks of a name, comment or
// preset text, do not survive a save and load.
//
// Reading choices:
// - The featdef count sets NFeatures (with NObjects 0); a featvals section then sets both
//   counts, and when its feature count differs the records follow it (missing ones are
//   zeroed, those beyond it are dropped). Negative counts end the reading with -2.
// - Memory follows the input, not the counts it declares. A header whose counts would make
//   the matrix take more than kFeatMatMaxLoadBytes is refused before anything is
//   allocated: -2, and the matrix keeps what it held before the call. Property records are
//   collected as their lines arrive, and the featdef count takes effect only once its
//   N x 6 lines have been read, so a count the file does not back costs nothing. (A featvals
//   count cannot be checked against the input, since empty values are not written; the cap
//   bounds it.)
// - Property and value lines whose index lies outside the declared counts are skipped.
// - An fplFeatKind value that names none of the five kinds reads as fkUndefined.
// - A definition section that ends before its N x 6 property lines, or holds a value that
//   does not convert, ends the reading with -2 and leaves no trace: the records stay as
//   they were before that section.
#include <algorithm>
#include <exception>
#include <map>
#include <string_view>
#include <utility>

#include "korvex/dstruct/featmat.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace krv {
namespace {

constexpr std::u16string_view kKindIds[] = {u"fkUndefined", u"fkInteger", u"fkDouble", u"fkString",
                                            u"fkTriState"};

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// Appends s with CR and LF turned into blanks.
void AppendOneLine(String& line, std::u16string_view s) {
  const std::size_t from = line.size();
  line.append(s);
  for (std::size_t i = from; i < line.size(); ++i)
    if (line[i] == u'\r' || line[i] == u'\n') line[i] = u' ';
}

// Splits s at its first blank: the text before it, and everything after it.
void SplitAtBlank(std::u16string_view s, std::u16string_view& head, std::u16string_view& tail) {
  const std::size_t b = s.find(u' ');
  head = s.substr(0, b);
  tail = b == std::u16string_view::npos ? std::u16string_view() : s.substr(b + 1);
}

// A line index: blanks skipped, an optional sign, decimal digits up to the first non-digit
// (none gives 0). Values beyond the 32-bit range come back as -1, which no index matches.
std::int64_t ParseIndex(std::u16string_view s, std::size_t& i) {
  while (i < s.size() && s[i] == u' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
  std::int64_t v = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
    if (v <= 0x7FFFFFFF) v = v * 10 + (s[i] - u'0');
  if (v > 0x7FFFFFFF) return -1;
  return neg ? -v : v;
}

// Signals a malformed section; LoadFromOpenFile turns it into -2.
struct MalformedFile : std::exception {};
// Signals a header beyond kFeatMatMaxLoadBytes; LoadFromOpenFile turns it into -2 and keeps
// the matrix as it was.
struct DeclaredTooLarge : std::exception {};

void CheckShape(std::int32_t nf, std::int32_t no) {
  if (nf < 0 || no < 0) throw MalformedFile();
  if (FeatMatShapeBytes(nf, no) > kFeatMatMaxLoadBytes) throw DeclaredTooLarge();
}

// Stores one property line's value in the field its keyword names.
void ApplyProperty(TFeatProps& p, std::u16string_view key, std::u16string_view value) {
  if (EqualsIgnoreCase(key, u"fplFeatNum")) {
    p.FeatNum = FeatStrToInt(String(value));
  } else if (EqualsIgnoreCase(key, u"fplFeatName")) {
    p.FeatName = ToAnsi(String(value.substr(0, kFeatNameMax)));
  } else if (EqualsIgnoreCase(key, u"fplFeatKind")) {
    p.FeatKind = fkUndefined;
    for (std::uint8_t k = fkUndefined; k <= fkTriState; ++k)
      if (EqualsIgnoreCase(value, kKindIds[k])) p.FeatKind = static_cast<TFeatKind>(k);
  } else if (EqualsIgnoreCase(key, u"fplComment")) {
    p.Comment = ToAnsi(String(value.substr(0, kFeatCommentMax)));
  } else if (EqualsIgnoreCase(key, u"fplPresets")) {
    p.PresetValues = String(value);
  } else if (EqualsIgnoreCase(key, u"fplSorted")) {
    p.Sorted = EqualsIgnoreCase(value, u"true");
  }
  // fplGUIElem and unknown keywords are ignored.
}

// Reads the count x 6 property lines of a definition section. Only the records that lines
// name are kept (keyed by feature index), so memory grows with the lines read. Raises
// MalformedFile when the input ends first.
std::map<std::int32_t, TFeatProps> ReadPropertyLines(TextFile& f, std::int32_t count) {
  std::map<std::int32_t, TFeatProps> records;
  auto last = records.end();
  for (std::int64_t k = 0; k < std::int64_t{count} * 6; ++k) {
    if (f.SeekEof()) throw MalformedFile();
    const std::int32_t i = f.ReadInteger();
    const String rest = f.ReadLn();
    std::u16string_view key, value;
    SplitAtBlank(TrimBlanks(rest), key, value);
    if (i < 1 || i > count) continue;
    // Written files give each feature's six lines together: they share one search.
    if (last == records.end() || last->first != i)
      last = records.try_emplace(records.lower_bound(i), i);
    ApplyProperty(last->second, key, value);
  }
  return records;
}

}  // namespace

// ---- Writing ------------------------------------------------------------------------------

void TFeatureMatrix::SaveToOpenFile(TextFile& f) const {
  const String n = FeatIntToStr(FNFeats);
  f.WriteLn(u"#featdef " + n + u" 1");
  String line;
  for (std::int32_t i = 1; i <= FNFeats; ++i) {
    const TFeatProps& p = FFeatProps[static_cast<std::size_t>(i - 1)];
    const String ix = FeatIntToStr(i) + u" ";
    auto put = [&](std::u16string_view keyword, std::u16string_view value) {
      line.assign(ix);
      line.append(keyword);
      line.push_back(u' ');
      AppendOneLine(line, value);
      f.WriteLn(line);
    };
    put(u"fplFeatNum", FeatIntToStr(p.FeatNum));
    put(u"fplFeatName", FromAnsi(p.FeatName));
    put(u"fplFeatKind", kKindIds[p.FeatKind <= fkTriState ? p.FeatKind : fkUndefined]);
    put(u"fplComment", FromAnsi(p.Comment));
    put(u"fplPresets", p.PresetValues);
    put(u"fplSorted", p.Sorted ? u"TRUE" : u"FALSE");
  }
  f.WriteLn(u"#featvals " + n + u" " + FeatIntToStr(FNObjs));
  std::vector<String> feature_prefix;
  feature_prefix.reserve(static_cast<std::size_t>(FNFeats));
  for (std::int32_t i = 1; i <= FNFeats; ++i) feature_prefix.push_back(FeatIntToStr(i) + u" ");
  for (std::int32_t o = 1; o <= FNObjs; ++o) {
    String obj;  // made for the object's first value: most objects of a large matrix have none
    for (std::int32_t fi = 1; fi <= FNFeats; ++fi) {
      const String& v = Cell(fi, o);
      if (v.empty()) continue;
      if (obj.empty()) obj = FeatIntToStr(o) + u" ";
      line.assign(feature_prefix[static_cast<std::size_t>(fi - 1)]);
      line.append(obj);
      AppendOneLine(line, v);
      f.WriteLn(line);
    }
  }
  f.WriteLn(u"#featend");
}

void TFeatureMatrix::Save(const String& FName) const {
  IOChecksOn checks;
  TextFile f;
  f.Assign(FName);
  f.Rewrite();
  SaveToOpenFile(f);
  f.Close();
}

// ---- Reading ------------------------------------------------------------------------------

std::int32_t TFeatureMatrix::Load(const String& FName) {
  TextFile f;
  {
    IOChecksOff quiet;
    IOResult();  // start from a clean state
    f.Assign(FName);
    f.Reset();
    const int code = IOResult();
    if (code == kIoFileNotFound || code == kIoPathNotFound) return -1;
    if (code != 0) return -3;
  }
  const std::int32_t r = LoadFromOpenFile(f);
  {
    IOChecksOff quiet;
    f.Close();
    IOResult();
  }
  if (r == -1) return -2;
  if (r == -2) return -3;
  return r;
}

std::int32_t TFeatureMatrix::LoadFromOpenFile(TextFile& f) {
  // Reads into a fresh matrix, so that a header beyond the cap can leave this one as it was.
  TFeatureMatrix read;
  std::int32_t result = -1;
  bool keep_old = false;
  {
    IOChecksOn checks;
    try {
      read.ReadSections(f, result);
    } catch (const DeclaredTooLarge&) {
      result = -2;
      keep_old = true;
    } catch (const std::exception&) {
      result = -2;
    }
  }
  if (!keep_old) {
    Clear();
    std::swap(FNFeats, read.FNFeats);
    std::swap(FNObjs, read.FNObjs);
    FFeatProps.swap(read.FFeatProps);
    FFeatVals.swap(read.FFeatVals);
  }
  Changed();
  return result;
}

std::int32_t TFeatureMatrix::ReadSections(TextFile& f, std::int32_t& result) {
  while (!f.Eof()) {
    const String line = f.ReadLn();
    if (line.empty() || line[0] != u'#') continue;
    std::u16string_view keyword, params;
    SplitAtBlank(std::u16string_view(line).substr(1), keyword, params);
    params = TrimBlanks(params);

    if (EqualsIgnoreCase(keyword, u"featdef")) {
      result = 0;
      std::u16string_view count_text, version_text;
      SplitAtBlank(params, count_text, version_text);
      const std::int32_t count = FeatStrToInt(String(count_text));
      const std::int32_t version = FeatStrToInt(String(TrimBlanks(version_text)));
      if (version != 1) continue;  // its lines are skipped as ordinary lines
      CheckShape(count, 0);
      auto records = ReadPropertyLines(f, count);
      // All count x 6 lines are there, so the count is backed by the input.
      if (!ResizeQuietly(count, 0)) throw MalformedFile();
      for (auto& [i, p] : records) FFeatProps[static_cast<std::size_t>(i - 1)] = std::move(p);
    } else if (EqualsIgnoreCase(keyword, u"featvals")) {
      result = 0;
      std::u16string_view feats_text, objs_text;
      SplitAtBlank(params, feats_text, objs_text);
      const std::int32_t nf = FeatStrToInt(String(feats_text));
      const std::int32_t no = FeatStrToInt(String(TrimBlanks(objs_text)));
      CheckShape(nf, no);
      if (!ResizeQuietly(nf, no)) throw MalformedFile();
      while (!f.Eof()) {
        const String v = f.ReadLn();
        if (v.empty() || v[0] == u'#') break;
        std::size_t pos = 0;
        const std::int64_t fi = ParseIndex(v, pos);
        const std::int64_t oi = ParseIndex(v, pos);
        if (fi < 1 || fi > FNFeats || oi < 1 || oi > FNObjs) continue;
        Cell(static_cast<std::int32_t>(fi), static_cast<std::int32_t>(oi)) =
            String(TrimBlanks(std::u16string_view(v).substr(pos)));
      }
      return result;  // the value section ends the reading
    }
  }
  return result;
}

}  // namespace krv
