// TColorArray: a colour scale, a list of colours numbered 1..Size (1000 by default, filled
// with the rainbow scale), used to map values to colours. It fills itself by blending key
// colours, finds the entry nearest to a colour, copies, mirrors and inverts, and stores
// ranges of itself in a small text format. Every change fires OnChange.
//
// The text format (colorarray_file.cpp) holds one range: a line "first last" in decimal,
// then one line per element with its value as 8 upper-case hexadecimal digits (the form of
// ColorToHexStr). Lines end in CR LF. Several ranges, or other data, may follow one another
// in one file.
//
// Choices made here:
// - FillByInterpolation with an empty list of key colours changes nothing. Where discrete
//   levels make an element's key-colour index fall below 0 (more key colours than
//   elements), the element takes the first key colour. Index products are taken in 64 bits,
//   so scales of any size blend correctly.
// - CopyFrom with this array as its own source copies as if the source range were read
//   before anything is written, so overlapping ranges move intact.
// - Reading refuses, as a malformed file, a range whose last element is beyond
//   kColorArrayMaxLoadElems when AdjustSize would resize to it, a file that ends (or fails)
//   before the last element line of its range, and a header that is not two integers: the
//   result is false and the array is left as it was, without OnChange. All element lines
//   are read before anything changes; what they take grows with the lines present. The
//   one allocation that follows a number in the file, the AdjustSize resize, is bounded by
//   kColorArrayMaxLoadElems (a range such as "5000000 5000000" with its one line is a valid
//   part of a larger scale).
// - Writing reports an I/O error: WriteToOpenTextFile and StoreOnFile return false when a
//   write (or, for StoreOnFile, creating or closing the file) failed; no exception leaves
//   either. Resize keeps its own behaviour for callers: any size up to INT32_MAX is tried.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "korvex/base/types.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The most memory a file read with AdjustSize may make the array take.
inline constexpr std::int64_t kColorArrayMaxLoadBytes = std::int64_t{128} << 20;
// The largest last element number a file read with AdjustSize may ask for (32 Mi colours).
inline constexpr std::int32_t kColorArrayMaxLoadElems =
    static_cast<std::int32_t>(kColorArrayMaxLoadBytes / sizeof(TColor));

class TColorArray : public TComponent {
 public:
  // 1000 colours filled by FillByInterpolation(0, ColorArray_Rainbow). Raises
  // EKRVColArrayError "not enough memory on heap" when the storage cannot be allocated.
  explicit TColorArray(TComponent* AOwner = nullptr);

  String ClassName() const override;
  // From another TColorArray: its size and colours (not its OnChange handler); no event.
  // Other sources are refused with EConvertError.
  void Assign(const TPersistent* Source) override;
  // Same size and the same value at every position; false for a null pointer.
  bool IsEqual(const TColorArray* OtherColorArray) const;

  void Changed();
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  std::int32_t Size() const { return FNColors; }
  // Resizes when n > 0 and n differs from Size; otherwise nothing.
  void SetSize(std::int32_t n);
  // n = Size: true, nothing else. n < 1: false, nothing changes. Otherwise the array gets n
  // elements (kept ones keep their values, new ones are 0), fires OnChange and returns
  // true. Raises EKRVColArrayError "not enough memory" (the array unchanged) when the
  // storage cannot be allocated.
  bool Resize(std::int32_t n);

  // Element ix; element 1 for ix < 1, the last element for ix > Size.
  TColor GetColorElem(std::int32_t ix) const;
  // Stores Value at 1 <= ix <= Size and fires OnChange; otherwise nothing.
  void SetColorElem(std::int32_t ix, TColor Value);
  // The colours in order (element k at position k - 1).
  std::span<const TColor> Colors() const { return FColArray; }

  // Every element becomes Color.
  void Fill(TColor Color);
  // Blends through Colors (index 0 first). DiscreteLevels <= 0: a smooth scale whose last
  // element is exactly the last colour; L > 0: at most L + 1 distinct steps. One colour
  // fills every element with it.
  void FillByInterpolation(std::int32_t DiscreteLevels, std::span<const TColor> Colors);
  // The first element nearest to cl by RGBColorDistance, with that distance; 1 and distance
  // 1 when no element is nearer than 1.
  std::int32_t ColorToIndex(TColor cl, double& distance) const;
  // Copies source elements SourceElemLo..SourceElemHi (clamped to the source, exchanged when
  // reversed) to DestElem onwards; positions outside this array are skipped. A null source
  // does nothing; otherwise OnChange fires, also when nothing was copied.
  void CopyFrom(const TColorArray* ColArraySource, std::int32_t SourceElemLo,
                std::int32_t SourceElemHi, std::int32_t DestElem);
  // Reverses the order of the elements.
  void MirrorColors();
  // Replaces every element by InvertColor of it.
  void InvertColors();

  // Writes elements first..last (exchanged when reversed, clamped to 1..Size) in the text
  // format; only the numbers line when the range is empty. False when a write failed.
  bool WriteToOpenTextFile(TextFile& f, std::int32_t first, std::int32_t last) const;
  // Creates or overwrites FileName and writes the range; false when the file could not be
  // created, written or closed.
  bool StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem, const String& FileName) const;
  // Reads one stored range from f: resizes to its last element number when AdjustSize, then
  // stores each element line at its number (numbers below 1 are passed over). False for a
  // malformed range (see above) and when the last number exceeds Size; OnChange fires
  // except for a malformed range.
  bool ReadFromOpenTextFile(TextFile& f, bool AdjustSize);
  // Opens FileName and reads one range with ReadFromOpenTextFile; false when it cannot be
  // opened or read.
  bool LoadFromFile(const String& FileName, bool AdjustSize);

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  std::int32_t FNColors = 0;
  std::vector<TColor> FColArray;
  TNotifyEvent FOnChange;
};

}  // namespace krv
KORVEX_API_END
