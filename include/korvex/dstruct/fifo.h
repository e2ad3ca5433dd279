// TFifo: a fixed-capacity ring buffer of bytes with overwrite and push-back.
//
// Positions run 0..Size-1 and wrap. The FIFO is empty when the write and read positions are
// equal and full when the write position is one place behind the read position, so it holds
// at most Size - 1 bytes.
//
// Held bytes are never lost silently:
// - SetSize keeps every held byte in order. When the held bytes and both positions fit the
//   new buffer unchanged (nothing wraps and the write position stays below the new size)
//   the positions are kept; otherwise the held bytes move to the front of the new buffer
//   (read position 0, write position CountBytes). A size too small to hold them all
//   (Size - 1 < CountBytes) is refused: nothing changes.
// - LoadBack on a full FIFO has no place to put the byte: it returns false and changes
//   nothing.
// - SenseByte with a negative index returns false.
#pragma once

#include <cstdint>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

class TFifo : public TComponent {
 public:
  // Length 256, all bytes 0, both positions 0. Raises EKRVDStructError
  // "FIFO structure too large" when the buffer cannot be obtained.
  explicit TFifo(TComponent* AOwner = nullptr);

  String ClassName() const override;

  // The buffer length (capacity + 1).
  std::int32_t Size() const { return FLength; }
  // Ignored unless Size > 0 and different (and large enough for the held bytes, see above).
  // Raises EKRVDStructError "FIFO structure too large" when the buffer cannot be obtained.
  void SetSize(std::int32_t Size);

  // Stores a byte; false (nothing stored) when full.
  bool PutByte(std::uint8_t InByte);
  // Stores a byte, first dropping the oldest one when full; true exactly when one was dropped.
  bool ForceByte(std::uint8_t InByte);
  // Puts a byte in front so that the next GetByte delivers it; false when full.
  bool LoadBack(std::uint8_t InByte);
  // Takes the oldest byte; false when empty.
  bool GetByte(std::uint8_t& OutByte);
  // Looks at the byte ix places after the read position; false unless 0 <= ix < CountBytes.
  bool SenseByte(std::int32_t ix, std::uint8_t& OutByte) const;
  // Both positions 0.
  void Clear();
  // Number of bytes held.
  std::int32_t CountBytes() const;

  // The current positions, for tests.
  std::int32_t InPos() const { return FInPoi; }
  std::int32_t OutPos() const { return FOutPoi; }

 private:
  std::int32_t Next(std::int32_t p) const { return p + 1 == FLength ? 0 : p + 1; }
  bool Full() const { return Next(FInPoi) == FOutPoi; }

  std::int32_t FInPoi = 0;
  std::int32_t FOutPoi = 0;
  std::int32_t FLength = 256;
  std::vector<std::uint8_t> FData;
};

}  // namespace krv
KORVEX_API_END
