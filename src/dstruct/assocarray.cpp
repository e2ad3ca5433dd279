// TAssocArray: entries, the hash index and the typed resolution.
#include "korvex/dstruct/assocarray.h"

#include <algorithm>
#include <limits>

#include "korvex/platform/casefold.h"
#include "korvex/stringl/numscan.h"

namespace krv {
namespace {

constexpr std::int32_t kMaxGranularity = 1 << 20;

}  // namespace

TAssocArray::TAssocArray(TComponent* AOwner) : TComponent(AOwner) {
  FDataArray.resize(static_cast<std::size_t>(FGranularity));
  FKeyArray.resize(static_cast<std::size_t>(FGranularity));
}

String TAssocArray::ClassName() const {
  return u"TAssocArray";
}

void TAssocArray::SetGranularity(std::int32_t v) {
  FGranularity = std::clamp(v, 1, kMaxGranularity);
}

String TAssocArray::Fold(const String& s) {
  String out = s;
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

// ---------------------------------------------------------------------------------- index

void TAssocArray::Slots::insert(std::int32_t slot) {
  if (first_ < 0) {
    first_ = slot;
    return;
  }
  if (slot < first_) std::swap(slot, first_);
  more_.insert(std::lower_bound(more_.begin(), more_.end(), slot), slot);
}

void TAssocArray::Slots::erase(std::int32_t slot) {
  if (slot == first_) {
    if (more_.empty()) {
      first_ = -1;
    } else {
      first_ = more_.front();
      more_.erase(more_.begin());
    }
    return;
  }
  auto pos = std::lower_bound(more_.begin(), more_.end(), slot);
  if (pos != more_.end() && *pos == slot) more_.erase(pos);
}

void TAssocArray::IndexInsert(Index& index, const String& key, std::int32_t slot) {
  index[key].insert(slot);
}

void TAssocArray::IndexErase(Index& index, const String& key, std::int32_t slot) {
  auto it = index.find(key);
  if (it == index.end()) return;
  it->second.erase(slot);
  if (it->second.empty()) index.erase(it);
}

void TAssocArray::IndexAdd(std::int32_t slot) {
  const String& key = FKeyArray[static_cast<std::size_t>(slot)];
  IndexInsert(exact_, key, slot);
  IndexInsert(folded_, Fold(key), slot);
}

void TAssocArray::IndexDrop(std::int32_t slot) {
  const String& key = FKeyArray[static_cast<std::size_t>(slot)];
  IndexErase(exact_, key, slot);
  IndexErase(folded_, Fold(key), slot);
}

std::int32_t TAssocArray::Find(const String& Key) const {
  const Index& index = FIgnoreCase ? folded_ : exact_;
  const auto it = FIgnoreCase ? index.find(Fold(Key)) : index.find(Key);
  return it == index.end() ? -1 : it->second.front();
}

std::int32_t TAssocArray::IndexOfKey(const String& Key) const {
  return Find(Key) + 1;
}

// ---------------------------------------------------------------------------------- entries

void TAssocArray::Append(const String& key, const Variant& value) {
  if (FNEntries == std::numeric_limits<std::int32_t>::max()) return;
  const std::int32_t count = FNEntries + 1;
  if (static_cast<std::int64_t>(FKeyArray.size()) < count) {
    const auto length = static_cast<std::size_t>(count) + static_cast<std::size_t>(FGranularity);
    FKeyArray.resize(length);
    FDataArray.resize(length);
  }
  FKeyArray[static_cast<std::size_t>(FNEntries)] = key;
  FDataArray[static_cast<std::size_t>(FNEntries)] = value;
  IndexAdd(FNEntries);
  FNEntries = count;
}

void TAssocArray::Add(const String& Key, const Variant& Value) {
  const String key = FIgnoreCase ? Fold(Key) : Key;
  const std::int32_t at = Find(key);
  if (at >= 0) {
    FDataArray[static_cast<std::size_t>(at)] = Value;
    return;
  }
  Append(key, Value);
}

bool TAssocArray::Remove(const String& Key) {
  const std::int32_t at = Find(Key);
  if (at < 0) return false;
  const std::int32_t last = FNEntries - 1;
  IndexDrop(at);
  if (at != last) {
    IndexDrop(last);
    FKeyArray[static_cast<std::size_t>(at)] = std::move(FKeyArray[static_cast<std::size_t>(last)]);
    FDataArray[static_cast<std::size_t>(at)] =
        std::move(FDataArray[static_cast<std::size_t>(last)]);
    IndexAdd(at);
  }
  FKeyArray[static_cast<std::size_t>(last)] = String();
  FDataArray[static_cast<std::size_t>(last)] = Variant();
  --FNEntries;
  return true;
}

void TAssocArray::Clear() {
  FNEntries = 0;
  FKeyArray.assign(static_cast<std::size_t>(FGranularity), String());
  FDataArray.assign(static_cast<std::size_t>(FGranularity), Variant());
  FKeyArray.shrink_to_fit();
  FDataArray.shrink_to_fit();
  exact_.clear();
  folded_.clear();
}

String TAssocArray::GetKeys(std::int32_t ix) const {
  if (ix < 1 || ix > FNEntries) return String();
  return FKeyArray[static_cast<std::size_t>(ix) - 1];
}

void TAssocArray::SetKeys(std::int32_t ix, const String& value) {
  if (ix < 1 || ix > FNEntries) return;
  IndexDrop(ix - 1);
  FKeyArray[static_cast<std::size_t>(ix) - 1] = value;
  IndexAdd(ix - 1);
}

Variant TAssocArray::GetValues(std::int32_t ix) const {
  if (ix < 1 || ix > FNEntries) return Variant(String());
  return FDataArray[static_cast<std::size_t>(ix) - 1];
}

void TAssocArray::SetValues(std::int32_t ix, const Variant& value) {
  if (ix < 1 || ix > FNEntries) return;
  FDataArray[static_cast<std::size_t>(ix) - 1] = value;
}

// ---------------------------------------------------------------------------------- resolution

Variant TAssocArray::Resolve(const String& Key) const {
  const std::int32_t at = Find(Key);
  return at < 0 ? Variant::Null() : FDataArray[static_cast<std::size_t>(at)];
}

String TAssocArray::ResolveAsString(const String& Key) const {
  const std::int32_t at = Find(Key);
  return at < 0 ? String() : VarToStr(FDataArray[static_cast<std::size_t>(at)]);
}

double TAssocArray::ResolveAsNumber(const String& Key) const {
  const std::int32_t at = Find(Key);
  if (at < 0) return 0;
  const Variant& v = FDataArray[static_cast<std::size_t>(at)];
  if (v.IsIntegerKind() || v.IsFloatKind() || v.VarType() == varCurrency) return v.AsDouble();
  if (v.VarType() == varUString) {
    std::int32_t pos = 1;
    return ScanStringFPNum(v.RawString(), true, 3, pos);
  }
  return 0;
}

std::int32_t TAssocArray::ResolveAsInt(const String& Key) const {
  const std::int32_t at = Find(Key);
  if (at < 0) return 0;
  const Variant& v = FDataArray[static_cast<std::size_t>(at)];
  if (v.IsIntegerKind()) return v.AsInteger();
  if (v.VarType() != varUString) return 0;
  const String& s = v.RawString();
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  std::int64_t n = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
    n = std::min<std::int64_t>(n * 10 + (s[i] - u'0'), std::int64_t{1} << 32);
  if (negative) n = -n;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      n, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace krv
