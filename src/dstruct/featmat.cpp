#include "korvex/dstruct/featmat.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "internal/heap_error.h"
#include "korvex/base/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

ShortString Cut(const ShortString& s, std::size_t max) {
  return s.size() <= max ? s : s.substr(0, max);
}

String AsciiLowerCase(const String& s) {
  String r = s;
  for (auto& c : r) c = AsciiLower(c);
  return r;
}

bool IsTriStateText(const String& s) {
  if (s.empty()) return true;
  const String l = AsciiLowerCase(s);
  return l == u"true" || l == u"false";
}

}  // namespace

void ClearFeatProps(TFeatProps& FeatProps) {
  FeatProps.FeatNum = 0;
  FeatProps.FeatName = "undefined";
  FeatProps.FeatKind = fkUndefined;
  FeatProps.Comment.clear();
  FeatProps.PresetValues.clear();
  FeatProps.Sorted = false;
  FeatProps.GUIElem = nullptr;
}

TFeatureMatrix::TFeatureMatrix(TComponent* AOwner) : TComponent(AOwner) {
  Clear();
}

String TFeatureMatrix::ClassName() const {
  return u"TFeatureMatrix";
}

void TFeatureMatrix::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TFeatureMatrix*>(Source)) {
    if (src == this) return;
    detail::WithHeapGuard(*this, detail::kNoHeapText, [&] {
      auto props = src->FFeatProps;
      auto vals = src->FFeatVals;
      FFeatProps.swap(props);
      FFeatVals.swap(vals);
    });
    FNFeats = src->FNFeats;
    FNObjs = src->FNObjs;
    FOnChange = src->FOnChange;
    return;
  }
  TPersistent::Assign(Source);
}

void TFeatureMatrix::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TFeatureMatrix*>(Dest)) {
    dst->TFeatureMatrix::Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TFeatureMatrix::Changed() {
  if (FOnChange) FOnChange(this);
}

[[noreturn]] void TFeatureMatrix::Fail(const String& text) const {
  detail::RaiseDStructError(*this, text);
}

[[noreturn]] void TFeatureMatrix::FailFeature(std::int32_t fix, const String& text) const {
  Fail(u"feature " + FeatIntToStr(fix) + u" " + text);
}

[[noreturn]] void TFeatureMatrix::FailValue(const String& v, const String& text) const {
  Fail(u"feature value \"" + v + u"\" " + text);
}

// ---- Size ---------------------------------------------------------------------------------

void TFeatureMatrix::Clear() {
  FNFeats = 0;
  FNObjs = 0;
  FFeatProps.clear();
  FFeatVals.clear();
  Changed();
}

bool TFeatureMatrix::ResizeQuietly(std::int32_t NFeats, std::int32_t NObjs) {
  if (NFeats < 0 || NObjs < 0) return false;
  if (std::int64_t{NFeats} * NObjs > kFeatMatMaxCells || NFeats > kFeatMatMaxCells ||
      NObjs > kFeatMatMaxCells)
    return false;
  const auto nf = static_cast<std::size_t>(NFeats);
  const auto no = static_cast<std::size_t>(NObjs);
  const std::size_t kept = std::min(nf, FFeatProps.size());
  std::vector<TFeatProps> props;
  std::vector<std::vector<String>> vals, added;
  std::size_t grown = 0;  // old columns already grown to `no`
  try {
    // Everything that can fail comes first, while the old shape is still intact. Growing a
    // column either succeeds or leaves it unchanged.
    props.reserve(nf);
    vals.reserve(nf);
    added.reserve(nf - kept);
    for (std::size_t f = kept; f < nf; ++f) added.emplace_back(no);
    if (no > static_cast<std::size_t>(FNObjs))
      for (; grown < kept; ++grown) FFeatVals[grown].resize(no);
  } catch (const std::exception&) {
    for (std::size_t f = 0; f < grown; ++f) FFeatVals[f].resize(static_cast<std::size_t>(FNObjs));
    return false;
  }
  // From here on nothing allocates.
  for (std::size_t f = 0; f < kept; ++f) {
    props.push_back(std::move(FFeatProps[f]));
    FFeatVals[f].resize(no);  // shrinks, or already has the size
    vals.push_back(std::move(FFeatVals[f]));
  }
  for (std::size_t f = kept; f < nf; ++f) {
    props.emplace_back();
    vals.push_back(std::move(added[f - kept]));
  }
  FFeatProps.swap(props);
  FFeatVals.swap(vals);
  FNFeats = NFeats;
  FNObjs = NObjs;
  return true;
}

bool TFeatureMatrix::Resize(std::int32_t NFeats, std::int32_t NObjs) {
  if (!ResizeQuietly(NFeats, NObjs)) return false;
  Changed();
  return true;
}

void TFeatureMatrix::SetNFeats(std::int32_t n) {
  if (n < 0) return;
  if (!ResizeQuietly(n, FNObjs)) Fail(detail::kNoHeapText);
  Changed();
}

void TFeatureMatrix::SetNObjs(std::int32_t n) {
  if (n < 0) return;
  if (!ResizeQuietly(FNFeats, n)) Fail(detail::kNoHeapText);
  Changed();
}

// ---- Property records ---------------------------------------------------------------------

TFeatProps TFeatureMatrix::GetFeatProps(std::int32_t fix) const {
  if (fix < 1 || fix > FNFeats) {
    TFeatProps p;
    ClearFeatProps(p);
    return p;
  }
  return FFeatProps[static_cast<std::size_t>(fix - 1)];
}

void TFeatureMatrix::SetFeatProps(std::int32_t fix, const TFeatProps& FeatProps) {
  if (fix < 1 || fix > FNFeats) return;
  TFeatProps p = FeatProps;
  p.FeatName = Cut(p.FeatName, kFeatNameMax);
  p.Comment = Cut(p.Comment, kFeatCommentMax);
  if (p.FeatKind > fkTriState) p.FeatKind = fkUndefined;
  FFeatProps[static_cast<std::size_t>(fix - 1)] = std::move(p);
  Changed();
}

std::int32_t TFeatureMatrix::FindFeatName(const String& Name) const {
  const String want = AsciiLowerCase(Name);
  for (std::int32_t f = 1; f <= FNFeats; ++f) {
    if (AsciiLowerCase(FromAnsi(FFeatProps[static_cast<std::size_t>(f - 1)].FeatName)) == want)
      return f;
  }
  return -1;
}

std::int32_t TFeatureMatrix::FindFeatNum(std::int32_t Num) const {
  for (std::int32_t f = 1; f <= FNFeats; ++f)
    if (FFeatProps[static_cast<std::size_t>(f - 1)].FeatNum == Num) return f;
  return -1;
}

// ---- Values -------------------------------------------------------------------------------

String TFeatureMatrix::GetFeatValStr(std::int32_t fix, std::int32_t obj) const {
  if (!InRange(fix, obj)) return String();
  if (Kind(fix) == fkUndefined) FailFeature(fix, u"is undefined");
  return Cell(fix, obj);
}

void TFeatureMatrix::CheckText(std::int32_t fix, const String& FeatVal, bool empty_ok) const {
  switch (Kind(fix)) {
    case fkUndefined:
      FailFeature(fix, u"is undefined");
    case fkInteger:
      if ((FeatVal.empty() && !empty_ok) || (!FeatVal.empty() && !IsValidFeatInteger(FeatVal)))
        FailValue(FeatVal, u"is not a valid integer number");
      break;
    case fkDouble:
      if ((FeatVal.empty() && !empty_ok) || (!FeatVal.empty() && !IsValidFeatDouble(FeatVal)))
        FailValue(FeatVal, u"is not a valid floating point number");
      break;
    case fkTriState:
      if (!IsTriStateText(FeatVal)) FailValue(FeatVal, u"is not a valid tri-state value");
      break;
    case fkString:
      break;
  }
}

void TFeatureMatrix::SetFeatValStr(std::int32_t fix, std::int32_t obj, const String& FeatVal) {
  if (!InRange(fix, obj)) return;
  CheckText(fix, FeatVal, true);
  Cell(fix, obj) = FeatVal;
  Changed();
}

std::int64_t TFeatureMatrix::GetFeatValInt(std::int32_t fix, std::int32_t obj) const {
  if (!InRange(fix, obj)) return 0;
  const String& s = Cell(fix, obj);
  if (!IsValidFeatInteger(s)) Fail(u"feature is not an integer");
  return FeatStrToInt(s);
}

void TFeatureMatrix::SetFeatValint(std::int32_t fix, std::int32_t obj, std::int64_t FeatVal) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = Kind(fix);
  if (k == fkUndefined || k == fkTriState) Fail(u"feature is not of numeric or string type");
  Cell(fix, obj) = FeatIntToStr(FeatVal);
  Changed();
}

double TFeatureMatrix::GetFeatValDouble(std::int32_t fix, std::int32_t obj) const {
  if (!InRange(fix, obj)) return 0;
  const String& s = Cell(fix, obj);
  if (!IsValidFeatDouble(s)) Fail(u"feature is not a floating point number");
  return FeatStrToFloat(s);
}

void TFeatureMatrix::SetFeatValDouble(std::int32_t fix, std::int32_t obj, double FeatVal) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = Kind(fix);
  if (k != fkDouble && k != fkString) Fail(u"feature is not a floating point or string type");
  Cell(fix, obj) = FeatFloatToStr(FeatVal);
  Changed();
}

TTriState TFeatureMatrix::GetFeatValTriState(std::int32_t fix, std::int32_t obj) const {
  if (!InRange(fix, obj)) return tsUndefined;
  const String l = AsciiLowerCase(Cell(fix, obj));
  if (l == u"true") return tsTrue;
  if (l == u"false") return tsFalse;
  if (l.empty()) return tsUndefined;
  Fail(u"feature is not a tri-state value");
}

void TFeatureMatrix::SetFeatValTriState(std::int32_t fix, std::int32_t obj, TTriState FeatVal) {
  if (!InRange(fix, obj)) return;
  const TFeatKind k = Kind(fix);
  if (k != fkTriState && k != fkString) Fail(u"feature is not a tri-state or string type");
  Cell(fix, obj) = FeatTriStateToStr(FeatVal);
  Changed();
}

// ---- Fills --------------------------------------------------------------------------------

bool TFeatureMatrix::Fill(std::int32_t fix, const String& FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  CheckText(fix, FeatVal, false);
  auto& column = FFeatVals[static_cast<std::size_t>(fix - 1)];
  std::fill(column.begin(), column.end(), FeatVal);
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(std::int32_t fix, std::int64_t FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (Kind(fix) != fkInteger) FailFeature(fix, u"is not an integer number");
  auto& column = FFeatVals[static_cast<std::size_t>(fix - 1)];
  std::fill(column.begin(), column.end(), FeatIntToStr(FeatVal));
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(std::int32_t fix, double FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (Kind(fix) != fkDouble) FailFeature(fix, u"is not floating point number");
  auto& column = FFeatVals[static_cast<std::size_t>(fix - 1)];
  std::fill(column.begin(), column.end(), FeatFloatToStr(FeatVal));
  Changed();
  return true;
}

bool TFeatureMatrix::Fill(std::int32_t fix, TTriState FeatVal) {
  if (fix < 1 || fix > FNFeats) return false;
  if (Kind(fix) != fkTriState) FailFeature(fix, u"is not a tri-state value");
  auto& column = FFeatVals[static_cast<std::size_t>(fix - 1)];
  std::fill(column.begin(), column.end(), FeatTriStateToStr(FeatVal));
  Changed();
  return true;
}

// ---- Structure editing --------------------------------------------------------------------

String TFeatureMatrix::DefaultValue(std::int32_t fix) const {
  const TFeatKind k = Kind(fix);
  return (k == fkInteger || k == fkDouble) ? String(u"0") : String();
}

void TFeatureMatrix::InsertObject(std::int32_t obj) {
  if (obj < 1 || obj > FNObjs) return;
  SetNObjs(FNObjs + 1);
  for (auto& column : FFeatVals) {
    auto first = column.begin() + (obj - 1);
    std::rotate(first, column.end() - 1, column.end());
  }
  ClearObject(obj);
}

void TFeatureMatrix::RemoveObject(std::int32_t obj) {
  if (obj < 1 || obj > FNObjs) return;
  for (auto& column : FFeatVals) column.erase(column.begin() + (obj - 1));
  --FNObjs;
  Changed();
}

void TFeatureMatrix::InsertFeature(std::int32_t feat) {
  if (feat < 1 || feat > FNFeats + 1) return;
  if (!ResizeQuietly(FNFeats + 1, FNObjs)) Fail(detail::kNoHeapText);
  const auto first = static_cast<std::ptrdiff_t>(feat - 1);
  std::rotate(FFeatProps.begin() + first, FFeatProps.end() - 1, FFeatProps.end());
  std::rotate(FFeatVals.begin() + first, FFeatVals.end() - 1, FFeatVals.end());
  ClearFeatProps(FFeatProps[static_cast<std::size_t>(first)]);
  for (auto& v : FFeatVals[static_cast<std::size_t>(first)]) v.clear();
  Changed();
}

void TFeatureMatrix::ClearObject(std::int32_t obj) {
  if (obj < 1 || obj > FNObjs) return;
  for (std::int32_t f = 1; f <= FNFeats; ++f) Cell(f, obj) = DefaultValue(f);
  Changed();
}

void TFeatureMatrix::ClearFeature(std::int32_t feat) {
  if (feat < 1 || feat > FNFeats) return;
  auto& column = FFeatVals[static_cast<std::size_t>(feat - 1)];
  std::fill(column.begin(), column.end(), DefaultValue(feat));
  Changed();
}

void TFeatureMatrix::ResetToDefault() {
  for (std::int32_t o = 1; o <= FNObjs; ++o) ClearObject(o);
}

void TFeatureMatrix::CopyObject(std::int32_t Source, std::int32_t Target) {
  if (Source < 1 || Source > FNObjs || Target < 1 || Target > FNObjs) return;
  for (std::int32_t f = 1; f <= FNFeats; ++f) Cell(f, Target) = Cell(f, Source);
  Changed();
}

}  // namespace krv
