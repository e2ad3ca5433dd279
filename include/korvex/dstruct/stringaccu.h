// TStringAccu: counts distinct strings, keeping them in the order of first appearance.
//
// Strings compare exactly (case-sensitive). A hash index makes Add constant time on
// average; counts saturate at the largest 32-bit value.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

class TStringAccu : public TComponent {
 public:
  explicit TStringAccu(TComponent* AOwner = nullptr);

  String ClassName() const override;

  // A string seen before counts once more; a new one is appended with count 1. Raises
  // EKRVDStructError "not enough memory on heap" when it cannot be stored.
  void Add(const String& AString);
  // No entries.
  void Clear();
  // Number of distinct strings.
  std::int32_t Size() const { return static_cast<std::int32_t>(FStrArray.size()); }
  // The ix-th distinct string (1-based); empty outside 1..Size.
  String GetString(std::int32_t ix) const;
  // Its count; 0 outside 1..Size.
  std::int32_t GetCount(std::int32_t ix) const;
  // The 1-based index of AString, or 0 when it has not been added.
  std::int32_t IndexOf(const String& AString) const;

 private:
  std::vector<String> FStrArray;
  std::vector<std::int32_t> FCntArray;
  std::unordered_map<String, std::int32_t> FIndex;  // string -> 0-based position
};

}  // namespace krv
KORVEX_API_END
