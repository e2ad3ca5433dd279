#include "korvex/dstruct/bytematrix.h"

#include <algorithm>

#include "internal/combine_bytes.h"
#include "internal/heap_error.h"

namespace krv {
namespace {
// No matrix is larger than this (1 TiB): bigger requests fail at once, without asking the
// allocator for memory that cannot exist.
constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 40;
}  // namespace

TByteMatrix::TByteMatrix(TComponent* AOwner) : TComponent(AOwner) {
  detail::WithHeapGuard(*this, detail::kNoHeapText, [&] { FByteMat.assign(1, 0); });
}

String TByteMatrix::ClassName() const {
  return u"TByteMatrix";
}

void TByteMatrix::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TByteMatrix*>(Source)) {
    if (src == this) return;
    detail::WithHeapGuard(*this, detail::kNoHeapText, [&] { FByteMat = src->FByteMat; });
    FNrCols = src->FNrCols;
    FNrRows = src->FNrRows;
    FOnChange = src->FOnChange;
    return;
  }
  TPersistent::Assign(Source);
}

void TByteMatrix::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TByteMatrix*>(Dest)) {
    dst->TByteMatrix::Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

bool TByteMatrix::Resize(std::int32_t NrColumns, std::int32_t NrRows) {
  if (NrColumns <= 0 || NrRows <= 0) return false;
  if (NrColumns == FNrCols && NrRows == FNrRows) return false;
  if (static_cast<std::uint64_t>(NrColumns) * static_cast<std::uint64_t>(NrRows) > kMaxBytes)
    detail::RaiseDStructError(*this, detail::kNoHeapText);
  std::vector<std::uint8_t> fresh;
  detail::WithHeapGuard(*this, detail::kNoHeapText, [&] {
    fresh.assign(static_cast<std::size_t>(NrColumns) * static_cast<std::size_t>(NrRows), 0);
  });
  const auto keep_cols = static_cast<std::size_t>(std::min(NrColumns, FNrCols));
  const auto keep_rows = static_cast<std::size_t>(std::min(NrRows, FNrRows));
  for (std::size_t c = 0; c < keep_cols; ++c) {
    const auto* from = FByteMat.data() + c * static_cast<std::size_t>(FNrRows);
    std::copy(from, from + keep_rows, fresh.data() + c * static_cast<std::size_t>(NrRows));
  }
  FByteMat.swap(fresh);
  FNrCols = NrColumns;
  FNrRows = NrRows;
  Changed();
  return true;
}

void TByteMatrix::SetNrCols(std::int32_t NrColumns) {
  Resize(NrColumns <= 0 ? 1 : NrColumns, FNrRows);
}

void TByteMatrix::SetNrRows(std::int32_t NrRows) {
  Resize(FNrCols, NrRows <= 0 ? 1 : NrRows);
}

std::uint8_t TByteMatrix::GetByte(std::int32_t ix, std::int32_t iy) const {
  return Inside(ix, iy) ? FByteMat[Index(ix, iy)] : 0;
}

void TByteMatrix::SetByte(std::int32_t ix, std::int32_t iy, std::uint8_t value) {
  if (!Inside(ix, iy)) return;
  FByteMat[Index(ix, iy)] = value;
  Changed();
}

bool TByteMatrix::GetBit(std::int32_t ix, std::int32_t iy, std::int32_t ixBit) const {
  if (!Inside(ix, iy) || ixBit < 0 || ixBit > 7) return false;
  return (FByteMat[Index(ix, iy)] >> ixBit) & 1u;
}

void TByteMatrix::SetBit(std::int32_t ix, std::int32_t iy, std::int32_t ixBit, bool value) {
  if (!Inside(ix, iy) || ixBit < 0 || ixBit > 7) return;
  std::uint8_t& b = FByteMat[Index(ix, iy)];
  const auto mask = static_cast<std::uint8_t>(1u << ixBit);
  b = value ? static_cast<std::uint8_t>(b | mask) : static_cast<std::uint8_t>(b & ~mask);
  Changed();
}

void TByteMatrix::ToggleBit(std::int32_t col, std::int32_t row, std::int32_t ixBit) {
  if (!Inside(col, row) || ixBit < 0 || ixBit > 7) return;
  FByteMat[Index(col, row)] ^= static_cast<std::uint8_t>(1u << ixBit);
  Changed();
}

void TByteMatrix::Fill(std::uint8_t value) {
  std::fill(FByteMat.begin(), FByteMat.end(), value);
  Changed();
}

void TByteMatrix::MirrorColumns() {
  const auto rows = static_cast<std::ptrdiff_t>(FNrRows);
  for (std::int32_t c = 1, d = FNrCols; c < d; ++c, --d) {
    auto a = FByteMat.begin() + static_cast<std::ptrdiff_t>(Index(c, 1));
    std::swap_ranges(a, a + rows, FByteMat.begin() + static_cast<std::ptrdiff_t>(Index(d, 1)));
  }
  Changed();
}

void TByteMatrix::MirrorRows() {
  for (std::int32_t c = 1; c <= FNrCols; ++c) {
    auto a = FByteMat.begin() + static_cast<std::ptrdiff_t>(Index(c, 1));
    std::reverse(a, a + FNrRows);
  }
  Changed();
}

void TByteMatrix::CombineWith(const TByteMatrix* SecondByteMatrix, TLogicOp Operation) {
  if (SecondByteMatrix == nullptr || SecondByteMatrix->FNrCols != FNrCols ||
      SecondByteMatrix->FNrRows != FNrRows)
    return;
  detail::CombineBytes(FByteMat.data(), SecondByteMatrix->FByteMat.data(), FByteMat.size(),
                       Operation);
}

void TByteMatrix::Changed() {
  if (FOnChange) FOnChange(this);
}

}  // namespace krv
