// TColorArray: storage, element access, fills, search, copies.
#include "korvex/colors/colorarray.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "korvex/base/exceptions.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/rounding.h"

namespace krv {
namespace {

constexpr std::int32_t kDefaultSize = 1000;

// Runs fn; an allocation failure becomes EKRVColArrayError with the component message text.
template <typename Fn>
void WithHeapGuard(const TComponent& c, const char16_t* text, Fn&& fn) {
  try {
    fn();
  } catch (const std::bad_alloc&) {
    throw EKRVColArrayError(c.ComponentMessage(text));
  } catch (const std::length_error&) {
    throw EKRVColArrayError(c.ComponentMessage(text));
  }
}

// The squared channel distance of two colours (low three bytes only); RGBColorDistance is
// its square root over 3 * 255^2, so it orders colours the same way, ties included.
inline std::int32_t SquaredDistance(TColor a, TColor b) {
  const std::int32_t dr = static_cast<std::int32_t>(a & 0xFF) - static_cast<std::int32_t>(b & 0xFF);
  const std::int32_t dg =
      static_cast<std::int32_t>((a >> 8) & 0xFF) - static_cast<std::int32_t>((b >> 8) & 0xFF);
  const std::int32_t db =
      static_cast<std::int32_t>((a >> 16) & 0xFF) - static_cast<std::int32_t>((b >> 16) & 0xFF);
  return dr * dr + dg * dg + db * db;
}

// The squared distance of black and white: RGBColorDistance 1.
constexpr std::int32_t kUnitSquaredDistance = 3 * 255 * 255;

}  // namespace

TColorArray::TColorArray(TComponent* AOwner) : TComponent(AOwner) {
  WithHeapGuard(*this, u"not enough memory on heap",
                [&] { FColArray.assign(static_cast<std::size_t>(kDefaultSize), 0); });
  FNColors = kDefaultSize;
  FillByInterpolation(0, ColorArray_Rainbow);
}

String TColorArray::ClassName() const {
  return u"TColorArray";
}

void TColorArray::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TColorArray*>(Source)) {
    if (src == this) return;
    WithHeapGuard(*this, u"not enough memory", [&] {
      std::vector<TColor> copy = src->FColArray;
      FColArray.swap(copy);
    });
    FNColors = src->FNColors;
    return;
  }
  TPersistent::Assign(Source);
}

void TColorArray::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TColorArray*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

bool TColorArray::IsEqual(const TColorArray* OtherColorArray) const {
  return OtherColorArray != nullptr && OtherColorArray->FNColors == FNColors &&
         OtherColorArray->FColArray == FColArray;
}

void TColorArray::Changed() {
  if (FOnChange) FOnChange(this);
}

void TColorArray::SetSize(std::int32_t n) {
  if (n > 0 && n != FNColors) Resize(n);
}

bool TColorArray::Resize(std::int32_t n) {
  if (n == FNColors) return true;
  if (n < 1) return false;
  const auto size = static_cast<std::size_t>(n);
  if (size > FColArray.size()) {
    // Exactly n elements, built aside, so a failure leaves the array as it was.
    WithHeapGuard(*this, u"not enough memory", [&] {
      std::vector<TColor> grown;
      grown.reserve(size);
      grown.assign(FColArray.begin(), FColArray.end());
      grown.resize(size);
      FColArray.swap(grown);
    });
  } else {
    FColArray.resize(size);
    FColArray.shrink_to_fit();  // gives memory back; never fails
  }
  FNColors = n;
  Changed();
  return true;
}

TColor TColorArray::GetColorElem(std::int32_t ix) const {
  if (FColArray.empty()) return 0;
  const std::int32_t k = std::clamp(ix, std::int32_t{1}, FNColors);
  return FColArray[static_cast<std::size_t>(k - 1)];
}

void TColorArray::SetColorElem(std::int32_t ix, TColor Value) {
  if (FColArray.empty() || ix < 1 || ix > FNColors) return;
  FColArray[static_cast<std::size_t>(ix - 1)] = Value;
  Changed();
}

void TColorArray::Fill(TColor Color) {
  std::fill(FColArray.begin(), FColArray.end(), Color);
  Changed();
}

// Element i takes the position j: i itself on a smooth scale; with L discrete levels the
// position of its level, c = rnd(i / N * L), j = rnd(c * (N / L)). From j, the key-colour
// index is trunc((j - 1) * H / N) and the fraction (H * j) / N - index, H being the last
// key-colour index. Two elements of the same level get the same colour, so a level's
// colour is computed once. The index comes from integer division: the quotient of two
// integers below 2^63 in 64-bit-mantissa arithmetic never rounds across an integer, so it
// equals the floating-point quotient truncated.
void TColorArray::FillByInterpolation(std::int32_t DiscreteLevels, std::span<const TColor> Colors) {
  if (Colors.empty()) return;
  const std::int64_t H = static_cast<std::int64_t>(Colors.size()) - 1;
  const std::int64_t N = FNColors;
  const Extended level_width = DiscreteLevels > 0 ? Extended(N) / DiscreteLevels : 0;
  auto color_at = [&](std::int64_t j) -> TColor {
    const std::int64_t idx = ((j - 1) * H) / N;
    if (idx < 0) return Colors[0];
    if (idx >= H) return Colors[static_cast<std::size_t>(H)];
    const double frac = static_cast<double>(Extended(H * j) / N - Extended(idx));
    return InterpolateColor(Colors[static_cast<std::size_t>(idx)],
                            Colors[static_cast<std::size_t>(idx + 1)], frac);
  };
  TColor* out = FColArray.data();
  if (DiscreteLevels <= 0) {
    for (std::int64_t i = 1; i <= N; ++i) out[i - 1] = color_at(i);
  } else {
    std::int64_t last_c = -1;
    TColor color = 0;
    for (std::int64_t i = 1; i <= N; ++i) {
      const std::int64_t c = RoundHalfEven(Extended(i) / N * DiscreteLevels);
      if (c != last_c) {
        color = color_at(RoundHalfEven(Extended(c) * level_width));
        last_c = c;
      }
      out[i - 1] = color;
    }
  }
  Changed();
}

// Compares squared channel distances (exact integers): distinct sums give distinct
// distances, so the first nearest element is the one RGBColorDistance would choose.
std::int32_t TColorArray::ColorToIndex(TColor cl, double& distance) const {
  distance = 1;
  if (FNColors < 1 || FColArray.empty()) return 1;
  std::int32_t best = kUnitSquaredDistance;
  std::size_t best_at = 0;
  const std::size_t n = FColArray.size();
  for (std::size_t k = 0; k < n && best > 0; ++k) {
    const std::int32_t d = SquaredDistance(cl, FColArray[k]);
    if (d < best) {
      best = d;
      best_at = k;
    }
  }
  if (best < kUnitSquaredDistance) distance = RGBColorDistance(cl, FColArray[best_at]);
  return static_cast<std::int32_t>(best_at) + 1;
}

void TColorArray::CopyFrom(const TColorArray* ColArraySource, std::int32_t SourceElemLo,
                           std::int32_t SourceElemHi, std::int32_t DestElem) {
  if (ColArraySource == nullptr) return;
  const std::int64_t src_size = ColArraySource->FNColors;
  std::int64_t lo = std::min<std::int64_t>(std::max<std::int64_t>(SourceElemLo, 1), src_size);
  std::int64_t hi = SourceElemHi <= 0 ? 1 : std::min<std::int64_t>(SourceElemHi, src_size);
  if (hi < lo) std::swap(lo, hi);
  // Source element k goes to DestElem + (k - lo); keep the k whose position lies in 1..Size.
  const std::int64_t k_first = std::max(lo, lo + 1 - std::int64_t{DestElem});
  const std::int64_t k_last = std::min(hi, lo + std::int64_t{FNColors} - DestElem);
  if (k_first <= k_last && !ColArraySource->FColArray.empty()) {
    const TColor* from = ColArraySource->FColArray.data() + (k_first - 1);
    const std::size_t count = static_cast<std::size_t>(k_last - k_first + 1);
    TColor* to = FColArray.data() + (DestElem + (k_first - lo) - 1);
    // The ranges overlap only when copying within this array: move them intact.
    if (from < to && to < from + count)
      std::copy_backward(from, from + count, to + count);
    else
      std::copy(from, from + count, to);
  }
  Changed();
}

void TColorArray::MirrorColors() {
  if (FColArray.empty()) return;
  std::reverse(FColArray.begin(), FColArray.end());
  Changed();
}

void TColorArray::InvertColors() {
  if (FColArray.empty()) return;
  for (TColor& c : FColArray) c = InvertColor(c);
  Changed();
}

}  // namespace krv
