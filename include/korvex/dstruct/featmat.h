// TFeatureMatrix: a table of objects 1..NObjects described by features 1..NFeatures, each
// feature with a property record (number, name, kind, comment, presets). Every value is
// kept as text; the typed accessors check and convert it by the feature's kind. The matrix
// saves to and loads from a line-oriented text file (featmat_file.cpp has the format).
//
// Choices made here:
// - Negative counts are refused without change (SetNFeats/SetNObjs ignore them, Resize
//   returns false). A matrix holds at most kFeatMatMaxCells values; larger counts are
//   refused like an allocation failure (Resize returns false, SetNFeats/SetNObjs raise
//   EKRVDStructError "not enough memory on heap").
// - FeatName and Comment are Windows-1252 short strings cut to 20 and 60 characters when a
//   record is stored.
// - Integer texts are written by the 64-bit conversion and read by the 32-bit one, as the
//   accessors require; a text outside the 32-bit range raises EConvertError.
// - Loading refuses a header whose counts would make the matrix take more than
//   kFeatMatMaxLoadBytes (128 MiB, as FeatMatShapeBytes counts it) before any value text is
//   read, so that a few bytes of input cannot demand gigabytes. The refusal is checked
//   before anything is allocated, is a failed read (-3 from Load, -2 from LoadFromOpenFile)
//   and leaves the matrix as it was before the call.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "korvex/base/enums.h"
#include "korvex/base/types.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/textfile.h"

KORVEX_API_BEGIN
namespace krv {

enum TFeatKind : std::uint8_t { fkUndefined, fkInteger, fkDouble, fkString, fkTriState };

// Display names of the kinds, indexed by TFeatKind.
inline constexpr std::array<std::u16string_view, 5> FEATKINDIDS{u"undefined", u"integer", u"double",
                                                                u"string", u"tristate"};

inline constexpr std::size_t kFeatNameMax = 20;
inline constexpr std::size_t kFeatCommentMax = 60;
// The most values one matrix holds (NFeatures x NObjects).
inline constexpr std::int64_t kFeatMatMaxCells = std::int64_t{1} << 26;

struct TFeatProps {
  std::int32_t FeatNum = 0;
  ShortString FeatName;  // at most 20 characters
  TFeatKind FeatKind = fkUndefined;
  ShortString Comment;  // at most 60 characters
  String PresetValues;
  bool Sorted = false;
  void* GUIElem = nullptr;  // for the caller; never saved or loaded
};

// The most memory a loaded file's headers may ask for (see FeatMatShapeBytes).
inline constexpr std::int64_t kFeatMatMaxLoadBytes = std::int64_t{128} << 20;

// The bytes a matrix of nf features and no objects takes before any value text: a property
// record and a value column per feature, and an empty text per value. Counts must not be
// negative; a result that would overflow comes back as INT64_MAX.
constexpr std::int64_t FeatMatShapeBytes(std::int64_t nf, std::int64_t no) {
  constexpr std::int64_t kPerFeature = sizeof(TFeatProps) + sizeof(std::vector<String>);
  constexpr std::int64_t kPerValue = sizeof(String);
  constexpr std::int64_t kMax = INT64_MAX;
  if (no > (kMax - kPerFeature) / kPerValue) return nf == 0 ? 0 : kMax;
  const std::int64_t per_feature = kPerFeature + no * kPerValue;
  return nf > kMax / per_feature ? kMax : nf * per_feature;
}

// FeatNum 0, FeatName "undefined", fkUndefined, empty texts, false, null.
void ClearFeatProps(TFeatProps& FeatProps);

// The validity tests of the accessors. An integer text is a digit, or a sign or digit
// followed by digits only. A floating-point text passes when its accepted prefix is a
// number (blanks in front allowed, exponent at most 4200); what follows the prefix is left
// to the conversion.
bool IsValidFeatInteger(const String& s);
bool IsValidFeatDouble(const String& s);

// The value texts the matrix stores for numbers and tri-states.
String FeatIntToStr(std::int64_t v);
String FeatFloatToStr(double v);        // 15 significant digits, "E" form below 1E-5 and from 1E15
String FeatTriStateToStr(TTriState v);  // "false", "true", empty
// The run-time conversions the getters use; failures raise EConvertError.
std::int32_t FeatStrToInt(const String& s);
double FeatStrToFloat(const String& s);
// The value a floating-point feature's text stands for, in one pass: true, with value set,
// exactly when IsValidFeatDouble(s) passes and FeatStrToFloat(s) converts; false otherwise,
// raising nothing. For readers of many values.
bool TryFeatStrToFloat(std::u16string_view s, double& value);

class TFeatureMatrix : public TComponent {
 public:
  explicit TFeatureMatrix(TComponent* AOwner = nullptr);

  String ClassName() const override;
  // From another TFeatureMatrix: counts, records, values and the OnChange handler; no event.
  void Assign(const TPersistent* Source) override;
  void Changed();
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // Size. Every successful change fires OnChange.
  void Clear();
  std::int32_t GetNFeats() const { return FNFeats; }
  std::int32_t GetNObjs() const { return FNObjs; }
  std::int32_t NFeatures() const { return FNFeats; }
  std::int32_t NObjects() const { return FNObjs; }
  void SetNFeats(std::int32_t n);
  void SetNObjs(std::int32_t n);
  // Sets both counts, keeping records and values where old and new overlap. False (no
  // change, no event) for negative or too large counts or when memory runs out.
  bool Resize(std::int32_t NFeats, std::int32_t NObjs);

  // Property records. Out of range: a record cleared by ClearFeatProps / nothing.
  TFeatProps GetFeatProps(std::int32_t fix) const;
  void SetFeatProps(std::int32_t fix, const TFeatProps& FeatProps);
  // First feature with that name (ASCII letters compared ignoring case) / number, or -1.
  std::int32_t FindFeatName(const String& Name) const;
  std::int32_t FindFeatNum(std::int32_t Num) const;

  // Values. Out-of-range getters give the neutral value, setters do nothing. Failed checks
  // raise EKRVDStructError with the component message.
  String GetFeatValStr(std::int32_t fix, std::int32_t obj) const;
  void SetFeatValStr(std::int32_t fix, std::int32_t obj, const String& FeatVal);
  std::int64_t GetFeatValInt(std::int32_t fix, std::int32_t obj) const;
  void SetFeatValint(std::int32_t fix, std::int32_t obj, std::int64_t FeatVal);
  double GetFeatValDouble(std::int32_t fix, std::int32_t obj) const;
  void SetFeatValDouble(std::int32_t fix, std::int32_t obj, double FeatVal);
  TTriState GetFeatValTriState(std::int32_t fix, std::int32_t obj) const;
  void SetFeatValTriState(std::int32_t fix, std::int32_t obj, TTriState FeatVal);

  // Fills every object's value of one feature; false when fix is out of range.
  bool Fill(std::int32_t fix, const String& FeatVal);
  bool Fill(std::int32_t fix, std::int64_t FeatVal);
  bool Fill(std::int32_t fix, std::int32_t FeatVal) { return Fill(fix, std::int64_t{FeatVal}); }
  bool Fill(std::int32_t fix, double FeatVal);
  bool Fill(std::int32_t fix, TTriState FeatVal);

  // Structure editing (indexes out of range: nothing).
  void InsertObject(std::int32_t obj);
  void RemoveObject(std::int32_t obj);
  void InsertFeature(std::int32_t feat);  // 1..NFeatures + 1
  void ClearObject(std::int32_t obj);     // "0" for integer and double features, else empty
  void ClearFeature(std::int32_t feat);
  void ResetToDefault();
  void CopyObject(std::int32_t Source, std::int32_t Target);

  // Files (featmat_file.cpp).
  // Writes the matrix to FName (created or overwritten); I/O errors raise EInOutError.
  void Save(const String& FName) const;
  void SaveToOpenFile(TextFile& f) const;
  // 0 success, -1 no such file, -2 no section found, -3 reading failed.
  std::int32_t Load(const String& FName);
  // 0 success, -1 no section found, -2 reading failed (what was read stays). Fires OnChange.
  std::int32_t LoadFromOpenFile(TextFile& f);

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  bool InRange(std::int32_t fix, std::int32_t obj) const {
    return fix >= 1 && fix <= FNFeats && obj >= 1 && obj <= FNObjs;
  }
  String& Cell(std::int32_t fix, std::int32_t obj) {
    return FFeatVals[static_cast<std::size_t>(fix - 1)][static_cast<std::size_t>(obj - 1)];
  }
  const String& Cell(std::int32_t fix, std::int32_t obj) const {
    return FFeatVals[static_cast<std::size_t>(fix - 1)][static_cast<std::size_t>(obj - 1)];
  }
  TFeatKind Kind(std::int32_t fix) const {
    return FFeatProps[static_cast<std::size_t>(fix - 1)].FeatKind;
  }
  // Resizes without firing; false on refusal or allocation failure (nothing changed).
  bool ResizeQuietly(std::int32_t NFeats, std::int32_t NObjs);
  // The SetFeatValStr check; empty_ok says whether an empty text passes for numbers.
  void CheckText(std::int32_t fix, const String& FeatVal, bool empty_ok) const;
  // The value ClearObject gives a feature.
  String DefaultValue(std::int32_t fix) const;
  [[noreturn]] void Fail(const String& text) const;
  [[noreturn]] void FailFeature(std::int32_t fix, const String& text) const;
  [[noreturn]] void FailValue(const String& v, const String& text) const;
  // The reading behind LoadFromOpenFile; may raise, the caller turns that into -2.
  std::int32_t ReadSections(TextFile& f, std::int32_t& result);

  std::int32_t FNFeats = 0;
  std::int32_t FNObjs = 0;
  std::vector<TFeatProps> FFeatProps;
  std::vector<std::vector<String>> FFeatVals;  // [feature - 1][object - 1]
  TNotifyEvent FOnChange;
};

}  // namespace krv
KORVEX_API_END
