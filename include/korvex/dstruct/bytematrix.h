// TByteMatrix: a matrix of bytes with 1-based columns and rows, addressable by byte or by
// single bit (bit k has the mask 1 << k), with mirroring, bitwise combination and a change
// notification.
#pragma once

#include <cstdint>
#include <vector>

#include "korvex/base/types.h"
#include "korvex/dstruct/logicop.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

class TByteMatrix : public TComponent {
 public:
  // 1 x 1, the byte 0. Raises EKRVDStructError "not enough memory on heap" on failure.
  explicit TByteMatrix(TComponent* AOwner = nullptr);

  String ClassName() const override;
  // From another TByteMatrix: dimensions, bytes and the OnChange handler; no event.
  void Assign(const TPersistent* Source) override;

  std::int32_t NrOfColumns() const { return FNrCols; }
  std::int32_t NrOfRows() const { return FNrRows; }
  // Resize(NrColumns, NrOfRows()) with values <= 0 taken as 1.
  void SetNrCols(std::int32_t NrColumns);
  // Resize(NrOfColumns(), NrRows) with values <= 0 taken as 1.
  void SetNrRows(std::int32_t NrRows);
  // False without change when the dimensions are the current ones or either is <= 0.
  // Otherwise keeps the bytes present in both shapes (new ones 0), fires OnChange and
  // returns true. Raises EKRVDStructError "not enough memory on heap" on failure (then the
  // matrix is unchanged); sizes above 2^40 bytes fail that way without being tried.
  bool Resize(std::int32_t NrColumns, std::int32_t NrRows);

  // 0 outside 1..NrOfColumns x 1..NrOfRows.
  std::uint8_t GetByte(std::int32_t ix, std::int32_t iy) const;
  // Sets the byte and fires OnChange; ignored outside the matrix.
  void SetByte(std::int32_t ix, std::int32_t iy, std::uint8_t value);
  // Bit ixBit (0..7) of a byte; false outside.
  bool GetBit(std::int32_t ix, std::int32_t iy, std::int32_t ixBit) const;
  // Change one bit and fire OnChange; ignored outside the matrix or for ixBit outside 0..7.
  void SetBit(std::int32_t ix, std::int32_t iy, std::int32_t ixBit, bool value);
  void ToggleBit(std::int32_t col, std::int32_t row, std::int32_t ixBit);

  // Every byte becomes value; fires OnChange.
  void Fill(std::uint8_t value);
  // Column i exchanges with column NrOfColumns + 1 - i; fires OnChange.
  void MirrorColumns();
  // Row i exchanges with row NrOfRows + 1 - i; fires OnChange.
  void MirrorRows();
  // this := this <op> Second, byte by byte, when the dimensions agree; no event.
  void CombineWith(const TByteMatrix* SecondByteMatrix, TLogicOp Operation);

  // Fires OnChange(this) if assigned.
  void Changed();
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  bool Inside(std::int32_t ix, std::int32_t iy) const {
    return ix >= 1 && ix <= FNrCols && iy >= 1 && iy <= FNrRows;
  }
  // Column-major: column ix holds rows 1..FNrRows contiguously.
  std::size_t Index(std::int32_t ix, std::int32_t iy) const {
    return static_cast<std::size_t>(ix - 1) * static_cast<std::size_t>(FNrRows) +
           static_cast<std::size_t>(iy - 1);
  }

  std::int32_t FNrCols = 1;
  std::int32_t FNrRows = 1;
  std::vector<std::uint8_t> FByteMat;
  TNotifyEvent FOnChange;
};

}  // namespace krv
KORVEX_API_END
