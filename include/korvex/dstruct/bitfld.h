// TBitFld: a one-dimensional field of bits 0..Size with counting, searching, listing, random
// filling and bitwise combination.
//
// Bit i lives in bit (i mod 8) of storage byte (i div 8); the storage holds Size div 8 + 2
// bytes. Storage bits above Size are kept at 0 by every operation (Invert and CombineWith
// included), so growing the field with SetSize always shows new bits as 0 and a shrink
// followed by a grow never brings old bits back.
#pragma once

#include <cstdint>
#include <vector>

#include "korvex/dstruct/logicop.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

class TBitFld : public TComponent {
 public:
  // Size 1000 (1001 bits), all clear. Raises EKRVDStructError "not enough memory on heap"
  // when the storage cannot be obtained.
  explicit TBitFld(TComponent* AOwner = nullptr);

  String ClassName() const override;
  // From another TBitFld: size and all bits. Anything else: the base class's refusal.
  void Assign(const TPersistent* Source) override;

  // The highest valid bit index.
  std::int32_t Size() const { return FSize; }
  // Ignored unless Size > 0 and different; keeps the bits 0..min(old, new), new bits are 0.
  // Raises EKRVDStructError "not enough memory on heap" when storage cannot be obtained.
  void SetSize(std::int32_t Size);

  // False outside 0..Size.
  bool GetBit(std::int32_t ix) const;
  // Ignored outside 0..Size.
  void SetBit(std::int32_t ix, bool value);
  void ToggleBit(std::int32_t ix);

  // Clears every bit.
  void Clear();
  // Nothing for a null Source; otherwise this field becomes a copy of Source.
  void Clone(const TBitFld* Source);

  // Number of set bits among 0..Size.
  std::int32_t CountTrueBits() const;
  // Lowest set bit index, or -1.
  std::int32_t FirstTrueBit() const;
  // BitList becomes the ascending indices in 0..Size whose bit equals State.
  void MakeListOfBits(std::vector<std::int32_t>& BitList, bool State) const;
  // Complements every bit 0..Size.
  void Invert();
  // this := this <op> Second, bit by bit; nothing when Second is null or sizes differ.
  void CombineWith(const TBitFld* SecondBArray, TLogicOp Operation);

  // Discards the contents and sets round(Percent% of Size) random bits (Percent clamped to
  // 0..100, NaN counts as 0), drawn from the process-wide generator.
  void RandomFill(double Percent);
  // Discards the contents and sets exactly NBits (clamped to 0..Size) random bits.
  void RandomFill(std::int32_t NBits);
  // The common step of both random fills: exactly NBits of the bits 0..Size end up set.
  void SetRandBitsIntern(std::int32_t NBits);

  // The raw storage (Size div 8 + 2 bytes), for tests and bulk users.
  const std::vector<std::uint8_t>& Storage() const { return FBitArray; }

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  // Clears the storage bits above FSize.
  void MaskTail();
  // Draws one position round(Random() * Size).
  std::int32_t DrawPosition() const;

  std::int32_t FSize = 1000;
  std::vector<std::uint8_t> FBitArray;
};

// Reference counter: the number of set bits of one byte, from a 256-entry table.
std::int32_t BitsInByte(std::uint8_t b);

}  // namespace krv
KORVEX_API_END
