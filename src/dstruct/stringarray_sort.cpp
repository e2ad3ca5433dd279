// TStringArray: comb sort of the sort index, CommitSorting and the comparison order.
#include <algorithm>
#include <cmath>
#include <vector>

#include "dstruct/internal/stringarray_order.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/rounding.h"
#include "korvex/platform/text.h"

namespace krv {
namespace detail {

const StringArrayOrder& GetStringArrayOrder() {
  static const StringArrayOrder order = [] {
    StringArrayOrder o{};
    for (int b = 0; b < 256; ++b) {
      const Char c = AnsiToChar(static_cast<unsigned char>(b));
      o.code[static_cast<std::size_t>(b)] = c;
      o.folded[static_cast<std::size_t>(b)] = AsciiLower(c);
    }
    std::vector<std::uint16_t> distinct(o.folded.begin(), o.folded.end());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (std::size_t b = 0; b < 256; ++b)
      o.folded_rank[b] = static_cast<std::uint8_t>(
          1 + (std::lower_bound(distinct.begin(), distinct.end(), o.folded[b]) - distinct.begin()));
    return o;
  }();
  return order;
}

int CompareFoldedStrings(const String& a, const String& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Char ca = AsciiLower(a[i]), cb = AsciiLower(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

ShortString LowerAscii(ShortString s) {
  for (char& c : s) c = AsciiLower(c);
  return s;
}

}  // namespace detail

void TStringArray::BeforeSortExchange(const String& InString, String& OutString) {
  OutString = InString;
  if (FOnBefSortExc) FOnBefSortExc(this, InString, OutString);
}

void TStringArray::Sort(std::int32_t Col, std::int32_t ColSec, bool Ascending) {
  if (FOnPercentDone) FOnPercentDone(this, 0);
  const std::int32_t n = FNRow;
  // The shrink factor is applied in extended precision, as the original did: 13 / 1.3
  // truncates to 10 there (in double it would give 9).
  auto shrink = [](std::int64_t g) {
    const auto next = static_cast<std::int64_t>(static_cast<long double>(g) / 1.3L);
    return next < 1 ? std::int64_t{1} : next;
  };
  std::int64_t total = 0;
  for (std::int64_t g = n;;) {
    g = shrink(g);
    total += n - g;
    if (g == 1) break;
  }
  total += n;

  if (n > 1) {
    const auto& fold = detail::GetStringArrayOrder().folded;
    // <0, 0, >0: sort key of logical row a against that of logical row b in column col.
    auto compare_rows = [&](std::int32_t a, std::int32_t b, std::int32_t col) {
      if (FOnBefSortExc) {
        String ka, kb;
        BeforeSortExchange(FromAnsi(GetString(col, a)), ka);
        BeforeSortExchange(FromAnsi(GetString(col, b)), kb);
        return detail::CompareFoldedStrings(ka, kb);
      }
      if (col < 0 || col > FNCol) return 0;
      const auto& column = FPoiArray[static_cast<std::size_t>(col)];
      std::size_t la, lb;
      const std::uint8_t* sa = CellBytes(
          column[static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(a) - 1]) - 1], la);
      const std::uint8_t* sb = CellBytes(
          column[static_cast<std::size_t>(FSortIx[static_cast<std::size_t>(b) - 1]) - 1], lb);
      return detail::CompareByTable(fold, sa, la, sb, lb);
    };
    // Without a handler every row's primary key is also kept as a prefix number, exchanged
    // together with the sort index, so that most comparisons are one integer comparison on a
    // contiguous array; equal prefixes fall back to the texts. The outcome is the same.
    const bool use_prefix = !FOnBefSortExc && Col >= 0 && Col <= FNCol;
    std::vector<std::uint64_t> prefix;
    if (use_prefix) {
      const auto& order = detail::GetStringArrayOrder();
      const auto& column = FPoiArray[static_cast<std::size_t>(Col)];
      prefix.resize(static_cast<std::size_t>(n));
      for (std::size_t i = 0; i < prefix.size(); ++i) {
        std::size_t len;
        const std::uint8_t* s = CellBytes(column[static_cast<std::size_t>(FSortIx[i]) - 1], len);
        prefix[i] = detail::FoldedPrefixKey(order, s, len);
      }
    }
    auto compare_primary = [&](std::int32_t a, std::int32_t b) {
      if (use_prefix) {
        const std::uint64_t pa = prefix[static_cast<std::size_t>(a) - 1];
        const std::uint64_t pb = prefix[static_cast<std::size_t>(b) - 1];
        if (pa != pb) return pa < pb ? -1 : 1;
      }
      return compare_rows(a, b, Col);
    };
    std::int64_t g = n, counter = 0;
    bool exchanged = false;
    bool aborted = false;
    do {
      g = shrink(g);
      exchanged = false;
      for (std::int64_t i = 1; i + g <= n; ++i) {
        const auto a = static_cast<std::int32_t>(i), b = static_cast<std::int32_t>(i + g);
        int cmp = compare_primary(a, b);
        if (cmp == 0 && ColSec > 0) cmp = compare_rows(a, b, ColSec);
        ++counter;
        // A handler that resized the grid invalidates the pass: stop here.
        if (FNRow != n) {
          aborted = true;
          break;
        }
        if (Ascending ? cmp > 0 : cmp < 0) {
          std::swap(FSortIx[static_cast<std::size_t>(a) - 1],
                    FSortIx[static_cast<std::size_t>(b) - 1]);
          if (use_prefix)
            std::swap(prefix[static_cast<std::size_t>(a) - 1],
                      prefix[static_cast<std::size_t>(b) - 1]);
          exchanged = true;
        }
      }
      if (FOnPercentDone && !aborted) {
        const std::int64_t pct = RoundHalfEven(static_cast<long double>(counter) /
                                               static_cast<long double>(total) * 100.0L);
        FOnPercentDone(this, static_cast<std::int32_t>(std::min<std::int64_t>(pct, 100)));
      }
      if (FNRow != n) aborted = true;
    } while (!aborted && (g > 1 || exchanged));
    Changed();
  }
  if (FOnPercentDone) FOnPercentDone(this, 100);
}

void TStringArray::CommitSorting() {
  const auto n = static_cast<std::size_t>(FNRow);
  std::vector<std::uint32_t> scratch(n);
  for (auto& col : FPoiArray) {
    std::copy_n(col.begin(), n, scratch.begin());
    for (std::size_t i = 0; i < n; ++i) col[i] = scratch[static_cast<std::size_t>(FSortIx[i]) - 1];
  }
  std::vector<std::uint8_t> attr(FRowAttrib.begin(), FRowAttrib.begin() + FNRow);
  for (std::size_t i = 0; i < n; ++i)
    FRowAttrib[i] = attr[static_cast<std::size_t>(FSortIx[i]) - 1];
  IdentitySortIndex();
}

}  // namespace krv
