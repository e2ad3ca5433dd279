#include "korvex/dstruct/stringaccu.h"

#include <limits>

#include "internal/heap_error.h"

namespace krv {

TStringAccu::TStringAccu(TComponent* AOwner) : TComponent(AOwner) {}

String TStringAccu::ClassName() const {
  return u"TStringAccu";
}

void TStringAccu::Add(const String& AString) {
  if (auto it = FIndex.find(AString); it != FIndex.end()) {
    std::int32_t& c = FCntArray[static_cast<std::size_t>(it->second)];
    if (c < std::numeric_limits<std::int32_t>::max()) ++c;
    return;
  }
  if (FStrArray.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    detail::RaiseDStructError(*this, detail::kNoHeapText);
  detail::WithHeapGuard(*this, detail::kNoHeapText, [&] {
    const auto pos = static_cast<std::int32_t>(FStrArray.size());
    FStrArray.push_back(AString);
    try {
      FCntArray.push_back(1);
      FIndex.emplace(AString, pos);
    } catch (...) {
      // Keep the three containers in step.
      FStrArray.pop_back();
      if (FCntArray.size() > FStrArray.size()) FCntArray.pop_back();
      throw;
    }
  });
}

void TStringAccu::Clear() {
  FStrArray.clear();
  FCntArray.clear();
  FIndex.clear();
}

String TStringAccu::GetString(std::int32_t ix) const {
  if (ix < 1 || ix > Size()) return String();
  return FStrArray[static_cast<std::size_t>(ix - 1)];
}

std::int32_t TStringAccu::GetCount(std::int32_t ix) const {
  if (ix < 1 || ix > Size()) return 0;
  return FCntArray[static_cast<std::size_t>(ix - 1)];
}

std::int32_t TStringAccu::IndexOf(const String& AString) const {
  const auto it = FIndex.find(AString);
  return it == FIndex.end() ? 0 : it->second + 1;
}

}  // namespace krv
