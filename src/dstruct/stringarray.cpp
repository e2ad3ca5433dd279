// TStringArray: construction, copying, size, cell storage and garbage collection.
#include "korvex/dstruct/stringarray.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <stdexcept>

#include "korvex/base/exceptions.h"
#include "korvex/platform/rounding.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/numscan.h"
#include "platform/internal/decimal_number.h"

namespace krv {
namespace {

constexpr std::int32_t kMaxBuffers = 0xFFFF;
constexpr std::int64_t kMaxCellRefs = std::numeric_limits<std::int32_t>::max();

std::unique_ptr<TStringPool> NewPool() {
  return std::make_unique<TStringPool>();
}

}  // namespace

TStringArray::TStringArray(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FPoiArray.assign(2, std::vector<std::uint32_t>(static_cast<std::size_t>(FRAllocated), 0));
    FSortIx.resize(static_cast<std::size_t>(FRAllocated));
    IdentitySortIndex();
    FRowAttrib.assign(static_cast<std::size_t>(FRAllocated), 0);
    FColAttrib.assign(1, 0);
    FStgPool.push_back(NewPool());
    FFirstFree.assign(1, 1);
  } catch (const std::bad_alloc&) {
    throw EKRVDStructError(u"Class TStringArray: failed to initialize (out of memory)");
  }
}

TStringArray::~TStringArray() = default;

String TStringArray::ClassName() const {
  return u"TStringArray";
}

void TStringArray::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TStringArray*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  // Copy into fresh members first so that a failed allocation leaves this grid intact.
  std::vector<std::unique_ptr<TStringPool>> pools;
  pools.reserve(src->FStgPool.size());
  for (const auto& p : src->FStgPool) pools.push_back(std::make_unique<TStringPool>(*p));
  auto poi = src->FPoiArray;
  auto sort_ix = src->FSortIx;
  auto row_attr = src->FRowAttrib;
  auto col_attr = src->FColAttrib;
  auto first_free = src->FFirstFree;

  FNCol = src->FNCol;
  FNRow = src->FNRow;
  FAllocRowsBy = src->FAllocRowsBy;
  FRAllocated = src->FRAllocated;
  FStgPool = std::move(pools);
  FFirstFree = std::move(first_free);
  FPoiArray = std::move(poi);
  FSortIx = std::move(sort_ix);
  FRowAttrib = std::move(row_attr);
  FColAttrib = std::move(col_attr);
  FOnChange = src->FOnChange;
  FOnBefSortExc = src->FOnBefSortExc;
  FOnPercentDone = src->FOnPercentDone;
  FFitHint = src->FFitHint;
}

void TStringArray::AssignTo(TPersistent* Dest) const {
  // Dest.Assign(self) when this object is an instance of Dest's class.
  if (Dest != nullptr && dynamic_cast<const TStringArray*>(Dest) != nullptr) {
    Dest->Assign(this);
    return;
  }
  TComponent::AssignTo(Dest);
}

void TStringArray::IdentitySortIndex() {
  std::iota(FSortIx.begin(), FSortIx.end(), 1);
}

void TStringArray::Changed() {
  if (FOnChange) FOnChange(this);
}

// ---------------------------------------------------------------------------------- size

bool TStringArray::Resize(std::int32_t Nc, std::int32_t Nr) {
  if (Nc == FNCol && Nr == FNRow) return true;
  if (Nc <= 0 || Nr <= 0) return false;
  if (Nc != FNCol || Nr > FRAllocated) {
    const std::int64_t step = FAllocRowsBy;
    const std::int64_t alloc = step * ((Nr - 1) / step + 1);
    if (alloc > std::numeric_limits<std::int32_t>::max()) return false;
    if ((static_cast<std::int64_t>(Nc) + 1) * alloc > kMaxCellRefs) return false;
    const auto a = static_cast<std::size_t>(alloc);
    const auto keep_rows = static_cast<std::size_t>(std::min(FNRow, Nr));
    try {
      std::vector<std::vector<std::uint32_t>> poi(static_cast<std::size_t>(Nc) + 1);
      for (std::size_t c = 0; c < poi.size(); ++c) {
        poi[c].assign(a, 0);
        if (c < FPoiArray.size()) std::copy_n(FPoiArray[c].begin(), keep_rows, poi[c].begin());
      }
      std::vector<std::uint8_t> row_attr(a, 0);
      std::copy_n(FRowAttrib.begin(), keep_rows, row_attr.begin());
      std::vector<std::int32_t> sort_ix(a);
      std::vector<std::uint8_t> col_attr(static_cast<std::size_t>(Nc), 0);
      std::copy_n(FColAttrib.begin(), std::min(FColAttrib.size(), col_attr.size()),
                  col_attr.begin());
      FPoiArray = std::move(poi);
      FRowAttrib = std::move(row_attr);
      FSortIx = std::move(sort_ix);
      FColAttrib = std::move(col_attr);
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
    FRAllocated = static_cast<std::int32_t>(alloc);
    FNCol = Nc;
    FNRow = Nr;
  } else {
    // Same columns and enough rows allocated: empty the rows that appear or disappear.
    const auto lo = static_cast<std::size_t>(std::min(FNRow, Nr));
    const auto hi = static_cast<std::size_t>(std::max(FNRow, Nr));
    for (auto& col : FPoiArray) std::fill(col.begin() + lo, col.begin() + hi, 0u);
    std::fill(FRowAttrib.begin() + lo, FRowAttrib.begin() + hi, 0);
    FNRow = Nr;
  }
  IdentitySortIndex();
  Changed();
  return true;
}

bool TStringArray::GrowAllocation(std::int64_t rows) {
  if (rows <= FRAllocated) return true;
  const std::int64_t step = FAllocRowsBy;
  const std::int64_t alloc = step * ((rows - 1) / step + 1);
  if (alloc > std::numeric_limits<std::int32_t>::max()) return false;
  if ((static_cast<std::int64_t>(FNCol) + 1) * alloc > kMaxCellRefs) return false;
  const auto a = static_cast<std::size_t>(alloc);
  try {
    auto poi = FPoiArray;
    for (auto& col : poi) col.resize(a, 0);
    auto row_attr = FRowAttrib;
    row_attr.resize(a, 0);
    auto sort_ix = FSortIx;
    const std::size_t old = sort_ix.size();
    sort_ix.resize(a);
    std::iota(sort_ix.begin() + static_cast<std::ptrdiff_t>(old), sort_ix.end(),
              static_cast<std::int32_t>(old) + 1);
    FPoiArray = std::move(poi);
    FRowAttrib = std::move(row_attr);
    FSortIx = std::move(sort_ix);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  FRAllocated = static_cast<std::int32_t>(alloc);
  return true;
}

std::int32_t TStringArray::AddRow() {
  if (FNRow < std::numeric_limits<std::int32_t>::max()) SetNrRows(FNRow + 1);
  return FNRow;
}

// ---------------------------------------------------------------------------------- cells

const std::uint8_t* TStringArray::CellBytes(std::uint32_t ref, std::size_t& len) const {
  static const std::uint8_t kEmpty = 0;
  if (ref == 0) {
    len = 0;
    return &kEmpty;
  }
  const std::uint8_t* p = FStgPool[(ref >> 16) - 1]->data() + (ref & 0xFFFF) - 1;
  len = *p;
  return p + 1;
}

std::uint32_t TStringArray::CellRef(std::int32_t c, std::int32_t r) const {
  if (!InGrid(c, r)) return 0;
  const auto p = static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(r) - 1]) - 1;
  return FPoiArray[static_cast<std::size_t>(c)][p];
}

std::int32_t TStringArray::FirstFree(std::int32_t k) const {
  if (k < 1 || k > NumBuffers()) return 0;
  return FFirstFree[static_cast<std::size_t>(k) - 1];
}

ShortString TStringArray::GetString(std::int32_t c, std::int32_t r) const {
  std::size_t len = 0;
  const std::uint8_t* s = CellBytes(CellRef(c, r), len);
  return ShortString(reinterpret_cast<const char*>(s), len);
}

void TStringArray::StoreCell(std::int32_t c, std::int32_t p, const std::uint8_t* s,
                             std::size_t len) {
  if (len > kShortStringMax) len = kShortStringMax;
  std::uint32_t& ref = FPoiArray[static_cast<std::size_t>(c)][static_cast<std::size_t>(p) - 1];
  if (ref != 0) {
    std::uint8_t* at = FStgPool[(ref >> 16) - 1]->data() + (ref & 0xFFFF) - 1;
    if (*at >= len) {
      // memmove: the source may be this very cell's text.
      std::memmove(at + 1, s, len);
      *at = static_cast<std::uint8_t>(len);
      return;
    }
  }
  const auto nbuf = static_cast<std::int32_t>(FStgPool.size());
  std::int32_t k = FFitHint[len];
  while (k < nbuf && FFirstFree[static_cast<std::size_t>(k)] + static_cast<std::int32_t>(len) >=
                         kStringPoolSize)
    ++k;
  FFitHint[len] = k;
  if (k == nbuf) {
    if (nbuf >= kMaxBuffers)
      throw EKRVDStructError(u"Class TStringArray: no room for another string buffer");
    // The new buffer may be filled from s itself (s points into an old buffer: still valid,
    // since pools are held by pointer and never move).
    try {
      FStgPool.push_back(NewPool());
      FFirstFree.push_back(1);
    } catch (const std::bad_alloc&) {
      if (FStgPool.size() > FFirstFree.size()) FStgPool.pop_back();
      throw EKRVDStructError(u"Class TStringArray: out of memory for a string buffer");
    }
  }
  std::int32_t& f = FFirstFree[static_cast<std::size_t>(k)];
  std::uint8_t* at = FStgPool[static_cast<std::size_t>(k)]->data() + f - 1;
  std::memmove(at + 1, s, len);
  *at = static_cast<std::uint8_t>(len);
  ref = (static_cast<std::uint32_t>(k + 1) << 16) | static_cast<std::uint32_t>(f);
  f += static_cast<std::int32_t>(len) + 1;
}

void TStringArray::SetString(std::int32_t c, std::int32_t r, const ShortString& s) {
  if (!InGrid(c, r)) return;
  StoreCell(c, FSortIx[static_cast<std::size_t>(r) - 1],
            reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  Changed();
}

void TStringArray::SetString(std::int32_t c, std::int32_t r, const String& s) {
  SetString(c, r, ToShortString(s));
}

void TStringArray::Fill(const ShortString& s) {
  if (s.empty()) {
    Clear();
    return;
  }
  for (std::int32_t c = 0; c <= FNCol; ++c)
    for (std::int32_t r = 1; r <= FNRow; ++r) SetString(c, r, s);
}

void TStringArray::Fill(const String& s) {
  Fill(ToShortString(s));
}

void TStringArray::Clear() {
  for (auto& col : FPoiArray) std::fill_n(col.begin(), FNRow, 0u);
  std::fill_n(FRowAttrib.begin(), FNRow, 0);
  std::fill(FColAttrib.begin(), FColAttrib.end(), 0);
  IdentitySortIndex();
  FStgPool.resize(1);
  FFirstFree.assign(1, 1);
  ResetFitHints();
}

void TStringArray::GarbageCollection() {
  // All buffers are compacted in one walk over the cells (columns 0..NrOfColumns, physical
  // rows 1..NrOfRows): each cell moves to the next free place of a fresh copy of its own
  // buffer, which is what compacting the buffers one after the other in that walk gives.
  const std::size_t nbuf = FStgPool.size();
  std::vector<std::unique_ptr<TStringPool>> fresh(nbuf);
  std::vector<std::int32_t> next(nbuf, 1);
  try {
    for (auto& p : fresh) p = NewPool();
  } catch (const std::bad_alloc&) {
    throw EKRVDStructError(u"Class TStringArray: out of memory for garbage collection");
  }
  for (auto& col : FPoiArray) {
    for (std::int32_t p = 0; p < FNRow; ++p) {
      std::uint32_t& ref = col[static_cast<std::size_t>(p)];
      if (ref == 0) continue;
      const std::size_t k = (ref >> 16) - 1;
      const std::uint8_t* src = FStgPool[k]->data() + (ref & 0xFFFF) - 1;
      const std::int32_t at = next[k];
      std::memcpy(fresh[k]->data() + at - 1, src, std::size_t{*src} + 1);
      ref = (ref & 0xFFFF0000u) | static_cast<std::uint32_t>(at);
      next[k] = at + *src + 1;
    }
  }
  FStgPool = std::move(fresh);
  FFirstFree = std::move(next);
  ResetFitHints();
}

// ---------------------------------------------------------------------------------- numbers

void TStringArray::RaiseNumeric(std::int32_t c, std::int32_t r) const {
  const std::string cs = std::to_string(c), rs = std::to_string(r);
  throw EKRVDStructError(u"Class TStringArray: invalid numeric string: [" +
                         String(cs.begin(), cs.end()) + u"," + String(rs.begin(), rs.end()) +
                         u"]: " + FromAnsi(GetString(c, r)));
}

double TStringArray::GetAsNumber(std::int32_t c, std::int32_t r) const {
  std::string t = GetString(c, r);
  const auto b = t.find_first_not_of(' ');
  if (b == std::string::npos) return 0;
  t = t.substr(b, t.find_last_not_of(' ') - b + 1);
  std::replace(t.begin(), t.end(), ',', '.');
  if (!detail::IsDecimalNumber(t)) RaiseNumeric(c, r);
  // The text is plain ASCII now; the library's scanner converts it (correctly rounded,
  // clamped to the double range).
  std::int32_t pos = 1;
  return ScanStringFPNum(String(t.begin(), t.end()), true, 1, pos);
}

std::int32_t TStringArray::GetAsInteger(std::int32_t c, std::int32_t r) const {
  const double v = GetAsNumber(c, r);
  if (v < -2147483647.0) return -2147483647;
  if (v > 2147483647.0) return 2147483647;
  return static_cast<std::int32_t>(RoundHalfEven(v));
}

// ---------------------------------------------------------------------------------- attributes

std::uint8_t TStringArray::GetRowAttrib(std::int32_t r) const {
  if (r < 1 || r > FNRow) return 0;
  return FRowAttrib[static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(r) - 1]) - 1];
}

void TStringArray::SetRowAttrib(std::int32_t r, std::uint8_t b) {
  if (r < 1 || r > FNRow) return;
  FRowAttrib[static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(r) - 1]) - 1] = b;
  Changed();
}

std::uint8_t TStringArray::GetColAttrib(std::int32_t col) const {
  if (col < 1 || col > FNCol) return 0;
  return FColAttrib[static_cast<std::size_t>(col) - 1];
}

void TStringArray::SetColAttrib(std::int32_t col, std::uint8_t b) {
  if (col < 1 || col > FNCol) return;
  FColAttrib[static_cast<std::size_t>(col) - 1] = b;
  Changed();
}

std::int32_t TStringArray::GetSortOrder(std::int32_t ix) const {
  if (ix < 1 || ix > FNRow) return -1;
  return FSortIx[static_cast<std::size_t>(ix) - 1];
}

void TStringArray::SetSortOrder(std::int32_t ix, std::int32_t position) {
  if (ix < 1 || ix > FNRow || position < 1 || position > FNRow) return;
  // Exchange with the entry that holds `position`, so the index stays a permutation. The
  // holder comes from the inverse table, rebuilt (in one pass) only when its entry is stale,
  // so setting every entry of a permutation in turn costs linear time.
  const auto pos0 = static_cast<std::size_t>(position) - 1;
  const auto holds = [&](std::int32_t l) {
    return l >= 1 && l <= FNRow && FSortIx[static_cast<std::size_t>(l) - 1] == position;
  };
  if (FSortInv.size() < static_cast<std::size_t>(FNRow) || !holds(FSortInv[pos0])) {
    FSortInv.assign(static_cast<std::size_t>(FNRow), 0);
    for (std::int32_t l = 1; l <= FNRow; ++l) {
      const std::int32_t p = FSortIx[static_cast<std::size_t>(l) - 1];
      if (p >= 1 && p <= FNRow) FSortInv[static_cast<std::size_t>(p) - 1] = l;
    }
  }
  const std::int32_t holder = FSortInv[pos0];
  const std::int32_t old = FSortIx[static_cast<std::size_t>(ix) - 1];
  // Both hold for a permutation; the test keeps a broken index from reaching outside.
  if (!holds(holder) || old < 1 || old > FNRow) return;
  FSortIx[static_cast<std::size_t>(holder) - 1] = old;
  FSortIx[static_cast<std::size_t>(ix) - 1] = position;
  FSortInv[static_cast<std::size_t>(old) - 1] = holder;
  FSortInv[pos0] = ix;
}

void TStringArray::UnSort() {
  IdentitySortIndex();
  Changed();
}

}  // namespace krv
