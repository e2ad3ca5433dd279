// TStringArray: a grid of short text cells (columns 0..NrOfColumns, rows 1..NrOfRows) stored
// in packed 32768-byte string buffers, with a sort index that presents the rows in a sorted
// order without moving data.
//
// Cells hold Windows-1252 text of at most 255 characters (ShortString). A String handed in is
// converted; characters Windows-1252 lacks become '?', and text beyond 255 characters is cut.
// A cell reference holds the 1-based buffer number in its high 16 bits and the 1-based byte
// position of the cell's length byte in its low 16 bits; 0 means an empty cell. A string is
// stored in the first buffer whose first free position f satisfies f + length < 32768, so no
// string ends at or beyond a buffer's last byte; when none has room a buffer is appended.
// Overwriting a cell with a string no longer than the stored one reuses its place.
//
// Guards (the original left these open):
// - AllocRowsBy below 1 is stored as 1, so every allocation step is at least one row.
// - SetSortOrder(ix, position) keeps the sort index a permutation: the logical row that held
//   `position` receives ix's former physical row (an exchange). Setting every entry of a
//   permutation in turn therefore yields exactly that permutation, and no later operation
//   can reach a row twice or a row outside the grid.
// - Resize refuses (returns false) dimensions whose allocation would exceed 2^31 - 1 rows or
//   2^31 - 1 cell references, as it does when memory runs out.
// - At most 65535 buffers exist (the reference has 16 bits for the buffer number); storing a
//   string when all of them are full raises EKRVDStructError.
// - An OnBeforeSortExchange handler that changes the number of rows ends the sort early.
// - Progress reported by OnPercentDone never exceeds 100.
//
// Comparison order (Sort and FindCellInSortedColumn): by the Unicode code of each character
// (Windows-1252 bytes 0x80..0x9F thus order as the characters they stand for), after folding
// the ASCII capitals A-Z to lower case (FindCellInSortedColumn folds only when MatchCase is
// false); a proper prefix sorts first.
//
// XML persistence (WriteToOpenXMLFile/ReadFromOpenXMLFile, SaveAsXMLFile/LoadFromXMLFile).
// The element, written line by line into a Windows-1252 text file (P = one blank of indent):
//
//   <?xml version="1.0"?>                         only when the header flag is true
//   (an empty line)
//   P<!-- TStringArray / Korvex -->
//   P<strarray sig="KorvexLib" vers="1.0" id="ID">
//   P  <dimensions cols=C rows=R allocrowsby=A />
//   P  <colattrib col=c val=v />                  one per column attribute that is not 0
//   P  <row phys=p logical=l attr=a />            one per physical row p whose attribute is
//                                                 not 0 or that is not at logical row p
//   P  <cell col=c row=p>text</cell>              one per stored cell, p the physical row
//   P</strarray>
//
// The element line is found as text labels find theirs: the first line that contains
// "<strarray" and "korvexlib" (in any case) and, unless the wanted ID is empty or blank,
// whose id="..." equals the ID without regard to case and surrounding blanks. Cell text is escaped:
// & < > " as &amp; &lt; &gt; &quot;, and bytes below 32, byte 127 and the unassigned bytes 0x81
// 0x8D 0x8F 0x90 0x9D as
// &#N; with N the byte value; everything else is written as is, so blanks, quotes and line
// breaks all come back. A cell whose reference is set holds text, even the empty text.
// Reading is all or nothing: the element must be complete (closing tag present), every
// number well-formed and in range, no two cells alike, and the logical positions a
// permutation; otherwise the result is false and the grid is unchanged. Grids whose tables
// would take more than 128 MiB when read (the cell references, (columns + 1) x allocated rows
// x 4 bytes, and 10 bytes per row for row attributes, sort order and the reader's
// bookkeeping) are refused, so that a few bytes of input cannot demand gigabytes. On success the
// grid takes the stored dimensions, AllocRowsBy, attributes, cells and sort order (buffers are
// freshly packed), keeps its event handlers, and fires OnChange once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "korvex/base/types.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

namespace krv::detail {
class StringArrayXml;  // the XML reader and writer, internal to the library
}  // namespace krv::detail

KORVEX_API_BEGIN
namespace krv {

// One string buffer.
inline constexpr std::int32_t kStringPoolSize = 32768;
using TStringPool = std::array<std::uint8_t, kStringPoolSize>;

// Lets a handler replace the sort key derived from a cell's text.
using TBeforeSortExchgEvent =
    std::function<void(TObject* Sender, const String& InString, String& OutString)>;

class TStringArray : public TComponent {
 public:
  // 1 column (plus column 0), 1 row, AllocRowsBy 10, 10 rows allocated, one buffer.
  // Raises EKRVDStructError "Class TStringArray: failed to initialize (out of memory)".
  explicit TStringArray(TComponent* AOwner = nullptr);
  ~TStringArray() override;

  String ClassName() const override;
  // Copies another TStringArray completely, event handlers included, without OnChange.
  void Assign(const TPersistent* Source) override;

  // --- size
  std::int32_t NrOfColumns() const { return FNCol; }
  std::int32_t NrOfRows() const { return FNRow; }
  void SetNrCols(std::int32_t Nc) { Resize(Nc, FNRow); }
  void SetNrRows(std::int32_t Nr) { Resize(FNCol, Nr); }
  std::int32_t AllocRowsBy() const { return FAllocRowsBy; }
  void SetAllocRowsBy(std::int32_t value) { FAllocRowsBy = value < 1 ? 1 : value; }
  std::int32_t NumBuffers() const { return static_cast<std::int32_t>(FStgPool.size()); }
  // False for a non-positive dimension or when memory cannot be had; the sort index returns
  // to storage order on any change.
  bool Resize(std::int32_t Nc, std::int32_t Nr);
  std::int32_t AddRow();

  // --- cells (c in 0..NrOfColumns, r a logical row in 1..NrOfRows)
  // The cell's text; "" for an empty cell or outside the grid.
  ShortString GetString(std::int32_t c, std::int32_t r) const;
  // Stores s (cut to 255 characters) and fires OnChange; ignored outside the grid.
  void SetString(std::int32_t c, std::int32_t r, const ShortString& s);
  void SetString(std::int32_t c, std::int32_t r, const String& s);
  // The cell as a number: blanks trimmed, "," read as ".", empty gives 0. Raises
  // EKRVDStructError "Class TStringArray: invalid numeric string: [c,r]: text".
  double GetAsNumber(std::int32_t c, std::int32_t r) const;
  // GetAsNumber clamped to +-2147483647 and rounded half to even.
  std::int32_t GetAsInteger(std::int32_t c, std::int32_t r) const;
  // SetString on every cell (OnChange once per cell); an empty s clears instead.
  void Fill(const ShortString& s);
  void Fill(const String& s);
  // Empties all cells and attributes, unsorts, keeps one empty buffer; no OnChange.
  void Clear();
  // Packs every buffer (cells in column order, then physical row order); no OnChange.
  void GarbageCollection();

  // --- attributes and order
  std::uint8_t GetRowAttrib(std::int32_t r) const;
  void SetRowAttrib(std::int32_t r, std::uint8_t b);
  std::uint8_t GetColAttrib(std::int32_t col) const;
  void SetColAttrib(std::int32_t col, std::uint8_t b);
  // Physical row of logical row ix; -1 outside 1..NrOfRows.
  std::int32_t GetSortOrder(std::int32_t ix) const;
  // See the permutation guard above; no OnChange.
  void SetSortOrder(std::int32_t ix, std::int32_t position);
  // Storage order again; fires OnChange.
  void UnSort();
  // Moves references and row attributes into the logical order, then unsorts; no OnChange.
  void CommitSorting();
  // Comb sort (shrink factor 1.3) of the sort index on column Col, ties broken by column
  // ColSec when ColSec > 0. OnPercentDone gets 0 first, then the share of comparisons done
  // after each pass, then 100. OnChange fires once when there were two rows or more.
  void Sort(std::int32_t Col, std::int32_t ColSec, bool Ascending);
  // OutString = InString, then OnBeforeSortExchange may replace it.
  void BeforeSortExchange(const String& InString, String& OutString);
  // Fires OnChange.
  void Changed();

  // --- rows (these keep the sort order and fire OnChange once)
  // An empty row at logical position r (1..NrOfRows); the rows from r on move down one.
  // Raises EKRVDStructError when the allocation cannot grow.
  void InsertRow(std::int32_t r);
  // Drops logical row r; a single row is emptied instead.
  void RemoveRow(std::int32_t r);
  // Copies the texts (columns 0..NrOfColumns) and the attribute of one logical row to another.
  void CopyRow(std::int32_t Source, std::int32_t Target);
  // Every cell of columns 1..NrOfColumns empty or blanks only; true outside the grid.
  bool RowEmpty(std::int32_t ARow) const;
  // Every cell of the column empty or blanks only; true outside the grid.
  bool ColumnEmpty(std::int32_t ACol) const;

  // --- search. FindCell looks for a substring, FindCellExact for equal text, rows before
  // columns. ColLow or ColHigh -1 means all columns, RowLow and RowHigh both -1 all rows;
  // bounds are clamped and put in order. MatchCase false folds A-Z. Col and row are set only
  // on success.
  bool FindCell(const ShortString& FindStr, bool MatchCase, std::int32_t ColLow,
                std::int32_t ColHigh, std::int32_t RowLow, std::int32_t RowHigh, std::int32_t& Col,
                std::int32_t& row) const;
  bool FindCellExact(const ShortString& FindStr, bool MatchCase, std::int32_t ColLow,
                     std::int32_t ColHigh, std::int32_t RowLow, std::int32_t RowHigh,
                     std::int32_t& Col, std::int32_t& row) const;
  // Binary search of a column sorted in the order above; on success row is the first of a
  // run of equal entries (the walk upward may pass RowLow, never row 1), otherwise the last
  // row probed.
  bool FindCellInSortedColumn(const ShortString& FindStr, bool MatchCase, std::int32_t ColIx,
                              std::int32_t RowLow, std::int32_t RowHigh, bool ColIsAscending,
                              std::int32_t& row) const;

  // --- XML persistence (format in the header comment)
  bool ReadFromOpenXMLFile(TextFile& InFile, const String& DataID);
  bool LoadFromXMLFile(const String& FName, const String& DataID);
  void WriteToOpenXMLFile(TextFile& OutFile, bool CreateHeader, const String& DataID) const;
  void SaveAsXMLFile(const String& FName, const String& DataID) const;

  // --- events
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }
  const TBeforeSortExchgEvent& OnBeforeSortExchange() const { return FOnBefSortExc; }
  void SetOnBeforeSortExchange(TBeforeSortExchgEvent e) { FOnBefSortExc = std::move(e); }
  const TOnPercentDoneEvent& OnPercentDone() const { return FOnPercentDone; }
  void SetOnPercentDone(TOnPercentDoneEvent e) { FOnPercentDone = std::move(e); }

  // --- inspection of the storage
  // First free position (1-based) of buffer k (1..NumBuffers), 0 outside.
  std::int32_t FirstFree(std::int32_t k) const;
  // Reference of cell (c, logical row r), 0 for an empty cell or outside the grid.
  std::uint32_t CellRef(std::int32_t c, std::int32_t r) const;
  // Number of physical rows allocated.
  std::int32_t RowsAllocated() const { return FRAllocated; }

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  bool InGrid(std::int32_t c, std::int32_t r) const {
    return c >= 0 && c <= FNCol && r >= 1 && r <= FNRow;
  }
  // Text of a reference (never null; an empty cell gives the empty view).
  const std::uint8_t* CellBytes(std::uint32_t ref, std::size_t& len) const;
  // Stores s for physical row p (1-based) of column c without firing OnChange.
  void StoreCell(std::int32_t c, std::int32_t p, const std::uint8_t* s, std::size_t len);
  void ResetFitHints() { FFitHint.fill(0); }
  void IdentitySortIndex();
  // Grows the allocation to hold at least `rows` physical rows, keeping everything.
  bool GrowAllocation(std::int64_t rows);
  bool FindCellImpl(const ShortString& FindStr, bool MatchCase, bool Exact, std::int32_t ColLow,
                    std::int32_t ColHigh, std::int32_t RowLow, std::int32_t RowHigh,
                    std::int32_t& Col, std::int32_t& row) const;
  [[noreturn]] void RaiseNumeric(std::int32_t c, std::int32_t r) const;

  std::int32_t FNCol = 1;
  std::int32_t FNRow = 1;
  std::int32_t FAllocRowsBy = 10;
  std::int32_t FRAllocated = 10;
  std::vector<std::int32_t> FFirstFree;               // one per buffer
  std::vector<std::vector<std::uint32_t>> FPoiArray;  // [column][physical row - 1]
  std::vector<std::int32_t> FSortIx;                  // [logical row - 1] = physical row
  std::vector<std::unique_ptr<TStringPool>> FStgPool;
  std::vector<std::uint8_t> FRowAttrib;  // [physical row - 1]
  std::vector<std::uint8_t> FColAttrib;  // [column - 1]
  TNotifyEvent FOnChange;
  TBeforeSortExchgEvent FOnBefSortExc;
  TOnPercentDoneEvent FOnPercentDone;
  // FFitHint[len]: no buffer before this 0-based index has room for a string of length len.
  // First free positions only grow between Clear/GarbageCollection, so the hints stay true.
  std::array<std::int32_t, 256> FFitHint{};
  // FSortInv[p - 1]: the logical row of physical row p, as SetSortOrder last knew it. Other
  // operations do not keep it up to date; SetSortOrder checks an entry against FSortIx
  // before trusting it and rebuilds the whole table when the check fails.
  std::vector<std::int32_t> FSortInv;

  friend class detail::StringArrayXml;
};

}  // namespace krv
KORVEX_API_END
