// TStringArray: row insertion, removal and copying, emptiness tests and the searches.
#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "dstruct/internal/stringarray_order.h"
#include "korvex/base/exceptions.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/stringl/chars.h"

namespace krv {

void TStringArray::InsertRow(std::int32_t r) {
  if (r < 1 || r > FNRow || FNRow == std::numeric_limits<std::int32_t>::max()) return;
  if (!GrowAllocation(static_cast<std::int64_t>(FNRow) + 1))
    throw EKRVDStructError(u"Class TStringArray: out of memory inserting a row");
  const auto n = static_cast<std::size_t>(FNRow);
  const std::int32_t q = FSortIx[static_cast<std::size_t>(r) - 1];
  const auto q0 = static_cast<std::size_t>(q) - 1;
  // Physical rows q..N move down one place; physical row q becomes the new, empty row.
  for (auto& col : FPoiArray) {
    std::copy_backward(col.begin() + static_cast<std::ptrdiff_t>(q0),
                       col.begin() + static_cast<std::ptrdiff_t>(n),
                       col.begin() + static_cast<std::ptrdiff_t>(n) + 1);
    col[q0] = 0;
  }
  std::copy_backward(FRowAttrib.begin() + static_cast<std::ptrdiff_t>(q0),
                     FRowAttrib.begin() + static_cast<std::ptrdiff_t>(n),
                     FRowAttrib.begin() + static_cast<std::ptrdiff_t>(n) + 1);
  FRowAttrib[q0] = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (FSortIx[i] >= q) ++FSortIx[i];
  const auto r0 = static_cast<std::size_t>(r) - 1;
  std::copy_backward(FSortIx.begin() + static_cast<std::ptrdiff_t>(r0),
                     FSortIx.begin() + static_cast<std::ptrdiff_t>(n),
                     FSortIx.begin() + static_cast<std::ptrdiff_t>(n) + 1);
  FSortIx[r0] = q;
  ++FNRow;
  Changed();
}

void TStringArray::RemoveRow(std::int32_t r) {
  if (r < 1 || r > FNRow) return;
  if (FNRow == 1) {
    const auto p = static_cast<std::size_t>(FSortIx[0]) - 1;
    for (auto& col : FPoiArray) col[p] = 0;
    FRowAttrib[p] = 0;
    Changed();
    return;
  }
  const auto n = static_cast<std::size_t>(FNRow);
  const std::int32_t q = FSortIx[static_cast<std::size_t>(r) - 1];
  const auto q0 = static_cast<std::size_t>(q) - 1;
  // Physical rows q+1..N move up one place; the freed last row is left empty.
  for (auto& col : FPoiArray) {
    std::copy(col.begin() + static_cast<std::ptrdiff_t>(q0) + 1,
              col.begin() + static_cast<std::ptrdiff_t>(n),
              col.begin() + static_cast<std::ptrdiff_t>(q0));
    col[n - 1] = 0;
  }
  std::copy(FRowAttrib.begin() + static_cast<std::ptrdiff_t>(q0) + 1,
            FRowAttrib.begin() + static_cast<std::ptrdiff_t>(n),
            FRowAttrib.begin() + static_cast<std::ptrdiff_t>(q0));
  FRowAttrib[n - 1] = 0;
  const auto r0 = static_cast<std::size_t>(r) - 1;
  std::copy(FSortIx.begin() + static_cast<std::ptrdiff_t>(r0) + 1,
            FSortIx.begin() + static_cast<std::ptrdiff_t>(n),
            FSortIx.begin() + static_cast<std::ptrdiff_t>(r0));
  for (std::size_t i = 0; i + 1 < n; ++i)
    if (FSortIx[i] > q) --FSortIx[i];
  FSortIx[n - 1] = static_cast<std::int32_t>(n);  // beyond the grid: storage order
  --FNRow;
  Changed();
}

void TStringArray::CopyRow(std::int32_t Source, std::int32_t Target) {
  if (Source < 1 || Source > FNRow || Target < 1 || Target > FNRow) return;
  const std::int32_t ps = FSortIx[static_cast<std::size_t>(Source) - 1];
  const std::int32_t pt = FSortIx[static_cast<std::size_t>(Target) - 1];
  for (std::int32_t c = 0; c <= FNCol; ++c) {
    auto& col = FPoiArray[static_cast<std::size_t>(c)];
    const std::uint32_t src = col[static_cast<std::size_t>(ps) - 1];
    if (src == 0) {
      col[static_cast<std::size_t>(pt) - 1] = 0;  // the target's old text becomes garbage
      continue;
    }
    std::size_t len = 0;
    const std::uint8_t* s = CellBytes(src, len);
    StoreCell(c, pt, s, len);
  }
  FRowAttrib[static_cast<std::size_t>(pt) - 1] = FRowAttrib[static_cast<std::size_t>(ps) - 1];
  Changed();
}

namespace {

bool BlankOnly(const std::uint8_t* s, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i)
    if (s[i] != ' ') return false;
  return true;
}

}  // namespace

bool TStringArray::RowEmpty(std::int32_t ARow) const {
  if (ARow < 1 || ARow > FNRow) return true;
  const auto p = static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(ARow) - 1]) - 1;
  for (std::int32_t c = 1; c <= FNCol; ++c) {
    std::size_t len = 0;
    const std::uint8_t* s = CellBytes(FPoiArray[static_cast<std::size_t>(c)][p], len);
    if (!BlankOnly(s, len)) return false;
  }
  return true;
}

bool TStringArray::ColumnEmpty(std::int32_t ACol) const {
  if (ACol < 0 || ACol > FNCol) return true;
  const auto& col = FPoiArray[static_cast<std::size_t>(ACol)];
  for (std::int32_t p = 0; p < FNRow; ++p) {
    std::size_t len = 0;
    const std::uint8_t* s = CellBytes(col[static_cast<std::size_t>(p)], len);
    if (!BlankOnly(s, len)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------- search

namespace {

void ClampPair(std::int32_t& lo, std::int32_t& hi, std::int32_t min, std::int32_t max) {
  lo = std::clamp(lo, min, max);
  hi = std::clamp(hi, min, max);
  if (lo > hi) std::swap(lo, hi);
}

// The len bytes at s, with A-Z folded to a-z when fold is set, as a view: either s itself or
// the copy in buf (at least len bytes), so no text is allocated.
std::string_view CellView(const std::uint8_t* s, std::size_t len, bool fold, char* buf) {
  const auto* text = reinterpret_cast<const char*>(s);
  if (!fold) return {text, len};
  for (std::size_t i = 0; i < len; ++i)
    buf[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(text[i])));
  return {buf, len};
}

}  // namespace

bool TStringArray::FindCellImpl(const ShortString& FindStr, bool MatchCase, bool Exact,
                                std::int32_t ColLow, std::int32_t ColHigh, std::int32_t RowLow,
                                std::int32_t RowHigh, std::int32_t& Col, std::int32_t& row) const {
  if (!Exact && FindStr.empty()) return false;
  if (FindStr.size() > kShortStringMax) return false;  // longer than any cell
  std::array<char, kShortStringMax> want_buf, cell_buf;
  const std::string_view wanted = CellView(reinterpret_cast<const std::uint8_t*>(FindStr.data()),
                                           FindStr.size(), !MatchCase, want_buf.data());
  if (ColLow == -1 || ColHigh == -1) {
    ColLow = 0;
    ColHigh = FNCol;
  }
  if (RowLow == -1 && RowHigh == -1) {
    RowLow = 1;
    RowHigh = FNRow;
  }
  ClampPair(ColLow, ColHigh, 0, FNCol);
  ClampPair(RowLow, RowHigh, 1, FNRow);
  for (std::int32_t r = RowLow; r <= RowHigh; ++r) {
    const auto p = static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(r) - 1]) - 1;
    for (std::int32_t c = ColLow; c <= ColHigh; ++c) {
      std::size_t len = 0;
      const std::uint8_t* s = CellBytes(FPoiArray[static_cast<std::size_t>(c)][p], len);
      // Cells that cannot match are skipped before any byte is looked at.
      if (Exact ? len != wanted.size() : len < wanted.size()) continue;
      const std::string_view text = CellView(s, len, !MatchCase, cell_buf.data());
      if (Exact ? text == wanted : text.find(wanted) != std::string_view::npos) {
        Col = c;
        row = r;
        return true;
      }
    }
  }
  return false;
}

bool TStringArray::FindCell(const ShortString& FindStr, bool MatchCase, std::int32_t ColLow,
                            std::int32_t ColHigh, std::int32_t RowLow, std::int32_t RowHigh,
                            std::int32_t& Col, std::int32_t& row) const {
  return FindCellImpl(FindStr, MatchCase, false, ColLow, ColHigh, RowLow, RowHigh, Col, row);
}

bool TStringArray::FindCellExact(const ShortString& FindStr, bool MatchCase, std::int32_t ColLow,
                                 std::int32_t ColHigh, std::int32_t RowLow, std::int32_t RowHigh,
                                 std::int32_t& Col, std::int32_t& row) const {
  return FindCellImpl(FindStr, MatchCase, true, ColLow, ColHigh, RowLow, RowHigh, Col, row);
}

bool TStringArray::FindCellInSortedColumn(const ShortString& FindStr, bool MatchCase,
                                          std::int32_t ColIx, std::int32_t RowLow,
                                          std::int32_t RowHigh, bool ColIsAscending,
                                          std::int32_t& row) const {
  const auto& order = detail::GetStringArrayOrder();
  const auto& key = MatchCase ? order.code : order.folded;
  const ShortString wanted = MatchCase ? FindStr : detail::LowerAscii(FindStr);
  const auto* w = reinterpret_cast<const std::uint8_t*>(wanted.data());
  if (RowLow == -1 && RowHigh == -1) {
    RowLow = 1;
    RowHigh = FNRow;
  }
  ColIx = std::clamp(ColIx, 0, FNCol);
  ClampPair(RowLow, RowHigh, 1, FNRow);
  // <0, 0, >0: the wanted text against the cell of logical row r.
  auto compare = [&](std::int32_t r) {
    std::size_t len = 0;
    const std::uint8_t* s = CellBytes(CellRef(ColIx, r), len);
    return detail::CompareByTable(key, w, wanted.size(), s, len);
  };
  std::int32_t lo = RowLow, hi = RowHigh;
  bool found = false;
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    row = mid;
    const int cmp = compare(mid);
    if (cmp == 0) {
      found = true;
      break;
    }
    if (ColIsAscending ? cmp < 0 : cmp > 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  if (!found) return false;
  while (row > 1 && compare(row - 1) == 0) --row;
  return true;
}

}  // namespace krv
