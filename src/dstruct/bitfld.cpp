#include "korvex/dstruct/bitfld.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "internal/combine_bytes.h"
#include "internal/heap_error.h"
#include "korvex/platform/random.h"
#include "korvex/platform/rounding.h"

namespace krv {
namespace {

constexpr std::array<std::uint8_t, 256> MakeBitCountTable() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int n = 0;
    for (int b = i; b != 0; b >>= 1) n += b & 1;
    t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n);
  }
  return t;
}
constexpr std::array<std::uint8_t, 256> kBitCount = MakeBitCountTable();

std::size_t StorageBytes(std::int32_t size) {
  return static_cast<std::size_t>(size) / 8 + 2;
}

}  // namespace

std::int32_t BitsInByte(std::uint8_t b) {
  return kBitCount[b];
}

TBitFld::TBitFld(TComponent* AOwner) : TComponent(AOwner) {
  detail::WithHeapGuard(*this, detail::kNoHeapText,
                        [&] { FBitArray.assign(StorageBytes(FSize), 0); });
}

String TBitFld::ClassName() const {
  return u"TBitFld";
}

void TBitFld::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TBitFld*>(Source)) {
    if (src == this) return;
    detail::WithHeapGuard(*this, detail::kNoHeapText, [&] { FBitArray = src->FBitArray; });
    FSize = src->FSize;
    return;
  }
  TPersistent::Assign(Source);
}

void TBitFld::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TBitFld*>(Dest)) {
    dst->TBitFld::Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TBitFld::SetSize(std::int32_t Size) {
  if (Size <= 0 || Size == FSize) return;
  detail::WithHeapGuard(*this, detail::kNoHeapText,
                        [&] { FBitArray.resize(StorageBytes(Size), 0); });
  FSize = Size;
  MaskTail();
}

void TBitFld::MaskTail() {
  if (FBitArray.empty()) return;
  const std::size_t last = static_cast<std::size_t>(FSize) / 8;
  const int keep = FSize % 8 + 1;  // bits 0..FSize mod 8 of the last byte are valid
  FBitArray[last] &= static_cast<std::uint8_t>((1u << keep) - 1u);
  std::fill(FBitArray.begin() + static_cast<std::ptrdiff_t>(last) + 1, FBitArray.end(), 0);
}

bool TBitFld::GetBit(std::int32_t ix) const {
  if (FBitArray.empty() || ix < 0 || ix > FSize) return false;
  return (FBitArray[static_cast<std::size_t>(ix) / 8] >> (ix % 8)) & 1u;
}

void TBitFld::SetBit(std::int32_t ix, bool value) {
  if (FBitArray.empty() || ix < 0 || ix > FSize) return;
  const auto mask = static_cast<std::uint8_t>(1u << (ix % 8));
  std::uint8_t& b = FBitArray[static_cast<std::size_t>(ix) / 8];
  b = value ? static_cast<std::uint8_t>(b | mask) : static_cast<std::uint8_t>(b & ~mask);
}

void TBitFld::ToggleBit(std::int32_t ix) {
  if (FBitArray.empty() || ix < 0 || ix > FSize) return;
  FBitArray[static_cast<std::size_t>(ix) / 8] ^= static_cast<std::uint8_t>(1u << (ix % 8));
}

void TBitFld::Clear() {
  std::fill(FBitArray.begin(), FBitArray.end(), 0);
}

void TBitFld::Clone(const TBitFld* Source) {
  if (Source == nullptr || Source == this) return;
  SetSize(Source->FSize);
  std::copy(Source->FBitArray.begin(), Source->FBitArray.end(), FBitArray.begin());
}

std::int32_t TBitFld::CountTrueBits() const {
  if (FBitArray.empty()) return 0;
  // Whole bytes 0..last-1 eight at a time, the rest through the byte table, the last byte
  // masked to the bits that belong to the field.
  const std::size_t last = static_cast<std::size_t>(FSize) / 8;
  const std::uint8_t* p = FBitArray.data();
  std::int64_t n = 0;
  std::size_t i = 0;
  for (; i + 8 <= last; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    n += std::popcount(w);
  }
  for (; i < last; ++i) n += kBitCount[p[i]];
  n += kBitCount[p[last] & ((1u << (FSize % 8 + 1)) - 1u)];
  return static_cast<std::int32_t>(n);
}

std::int32_t TBitFld::FirstTrueBit() const {
  if (FBitArray.empty()) return -1;
  const std::size_t last = static_cast<std::size_t>(FSize) / 8;
  const std::uint8_t* p = FBitArray.data();
  std::size_t i = 0;
  for (; i + 8 <= last + 1; i += 8) {  // skip zero words
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w != 0) break;
  }
  for (; i <= last; ++i) {
    if (p[i] == 0) continue;
    const auto ix = static_cast<std::int64_t>(i) * 8 + std::countr_zero(p[i]);
    return ix <= FSize ? static_cast<std::int32_t>(ix) : -1;
  }
  return -1;
}

void TBitFld::MakeListOfBits(std::vector<std::int32_t>& BitList, bool State) const {
  if (FBitArray.empty()) return;
  BitList.clear();
  const std::uint8_t flip = State ? 0 : 0xFF;
  for (std::size_t i = 0; i <= static_cast<std::size_t>(FSize) / 8; ++i) {
    unsigned b = static_cast<std::uint8_t>(FBitArray[i] ^ flip);
    while (b != 0) {
      const auto ix = static_cast<std::int64_t>(i) * 8 + std::countr_zero(b);
      if (ix > FSize) return;
      BitList.push_back(static_cast<std::int32_t>(ix));
      b &= b - 1;
    }
  }
}

void TBitFld::Invert() {
  const std::size_t n = std::min(FBitArray.size(), static_cast<std::size_t>(FSize) / 8 + 1);
  for (std::size_t i = 0; i < n; ++i) FBitArray[i] = static_cast<std::uint8_t>(~FBitArray[i]);
  MaskTail();
}

void TBitFld::CombineWith(const TBitFld* SecondBArray, TLogicOp Operation) {
  if (SecondBArray == nullptr || FBitArray.empty() || SecondBArray->FBitArray.empty() ||
      SecondBArray->FSize != FSize)
    return;
  detail::CombineBytes(FBitArray.data(), SecondBArray->FBitArray.data(),
                       static_cast<std::size_t>(FSize) / 8 + 1, Operation);
  MaskTail();
}

void TBitFld::RandomFill(double Percent) {
  if (FBitArray.empty()) return;
  if (std::isnan(Percent) || Percent < 0) Percent = 0;
  if (Percent > 100) Percent = 100;
  SetRandBitsIntern(static_cast<std::int32_t>(RoundHalfEven(Percent * 0.01 * FSize)));
}

void TBitFld::RandomFill(std::int32_t NBits) {
  if (FBitArray.empty()) return;
  SetRandBitsIntern(std::clamp<std::int32_t>(NBits, 0, FSize));
}

std::int32_t TBitFld::DrawPosition() const {
  return static_cast<std::int32_t>(RoundHalfEven(Random() * FSize));
}

void TBitFld::SetRandBitsIntern(std::int32_t NBits) {
  if (FBitArray.empty()) return;
  // A direct caller may ask for anything; more than Size + 1 bits cannot be set.
  const std::int64_t n = std::clamp<std::int64_t>(NBits, 0, std::int64_t{FSize} + 1);
  if (n > FSize / 2) {
    std::fill(FBitArray.begin(), FBitArray.end(), 0xFF);
    MaskTail();
    for (std::int64_t set = std::int64_t{FSize} + 1; set > n;) {
      const std::int32_t ix = DrawPosition();
      if (GetBit(ix)) {
        SetBit(ix, false);
        --set;
      }
    }
  } else {
    Clear();
    for (std::int64_t set = 0; set < n;) {
      const std::int32_t ix = DrawPosition();
      if (!GetBit(ix)) {
        SetBit(ix, true);
        ++set;
      }
    }
  }
}

}  // namespace krv
