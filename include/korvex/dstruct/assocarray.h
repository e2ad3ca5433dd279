// TAssocArray: text keys mapped to Variant values, in insertion order.
//
// Look-up finds the first entry (in entry order) whose key equals the given one; while
// IgnoreCase is true both sides are compared with A-Z folded to a-z, and Add stores keys
// folded. Remove moves the last entry into the removed one's place. The arrays grow in
// steps of Granularity entries (AllocatedLength shows their length) and never shrink except
// through Clear.
//
// A hash index over both the exact and the folded keys makes look-up, Add and Remove take
// constant time on average; it follows every Add, Remove, SetKeys and Clear, so changing
// IgnoreCase needs no rebuild. (Each index keeps the sorted entry numbers of a key, so keys
// made equal through SetKeys or through IgnoreCase changes still resolve to the first.)
//
// Choices where the original was silent:
// - Granularity is kept within 1..1048576 (values outside are clamped).
// - ResolveAsInt of a text whose digits exceed the 32-bit range saturates at -2147483648 or
//   2147483647; of an integer kind outside that range it raises EVariantError (the
//   platform's conversion).
// - AddXMLAttributes(Attributes) adds every name=value pair of an attribute text (as the tag
//   scanner reads attributes: quoted or plain values) as a text entry through Add and
//   returns the number of pairs added; a syntax error ends the scan. Pairs without a name
//   are skipped.
//
// XML persistence. WriteToXMLStream writes, one byte per character, lines ending in CR LF:
//
//   <?xml version="1.0"?>                                    only when CreateHeader is true
//   <!-- TAssocArray / Korvex -->
//   <assocarray sig="KorvexLib" vers="1.0" id="ID" ignorecase=1 granularity=1024 entries=N>
//     <entry kind=KIND key="KEY">VALUE</entry>               one per entry, in entry order
//   </assocarray>
//
// ID is the DataID argument, or the DataID property when the argument is empty. KIND is one
// of empty null shortint smallint integer int64 byte word longword uint64 single double
// currency date boolean string. VALUE is: decimal for the integer kinds; for single,
// double and date the shortest decimal that reads back to the same value ("inf", "-inf",
// or "nan:" and the bit pattern in hexadecimal for NaN); for currency the amount with four
// decimals; "true" or "false"; the text for string; nothing for empty and null. Text in KEY,
// VALUE and ID is escaped: & < > " as &amp; &lt; &gt; &quot;, and every character below 32
// or above 126 as &#N; with N its UTF-16 code unit, so the stream stays ASCII and any text
// comes back unchanged.
//
// ReadFromXMLStream reads lines from the stream's position until one contains
// "<assocarray" and "korvexlib" (in any case) and, unless the wanted ID (the DataID
// argument, else the DataID property) is empty or blank, an id="..." equal to it without
// regard to case and surrounding blanks; then it reads the entry tags up to "</assocarray>".
// Reading is all or nothing: a missing element or closing tag, an unknown kind, a value or entity
// that does not parse, or a count differing from `entries` gives false and leaves the array
// unchanged. On success the array holds exactly the stored entries (keys as stored, in stored
// order), the stored IgnoreCase and Granularity, and DataID becomes the element's id. The
// stored Granularity is taken as it is, so a read allocates that many entries however short
// the input: at most 1048576 entries of 80 bytes on x86-64, 80 MiB. The `entries` count
// allocates nothing; entries are kept as their tags arrive.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"
#include "korvex/platform/variant.h"

KORVEX_API_BEGIN
namespace krv {

class TAssocArray : public TComponent {
 public:
  // No entries, Granularity 1024, IgnoreCase true, DataID empty, 1024 entries allocated.
  explicit TAssocArray(TComponent* AOwner = nullptr);

  String ClassName() const override;

  void Add(const String& Key, const Variant& Value);
  bool Remove(const String& Key);
  void Clear();

  // The value of Key, or the null variant.
  Variant Resolve(const String& Key) const;
  // VarToStr of the value; empty for an absent key or a null value.
  String ResolveAsString(const String& Key) const;
  // Numeric kinds converted; text read by ScanStringFPNum (exponent, "." or ","); else 0.
  double ResolveAsNumber(const String& Key) const;
  // Integer kinds converted; text: blanks, sign and leading digits; else 0.
  std::int32_t ResolveAsInt(const String& Key) const;
  // 1-based entry number Key resolves to, 0 when absent.
  std::int32_t IndexOfKey(const String& Key) const;

  std::int32_t NumEntries() const { return FNEntries; }
  // Key of entry ix (1-based); "" outside 1..NumEntries.
  String GetKeys(std::int32_t ix) const;
  // Replaces the key as given (no folding, no duplicate check); ignored outside the range.
  void SetKeys(std::int32_t ix, const String& value);
  // Value of entry ix; a variant holding "" outside 1..NumEntries.
  Variant GetValues(std::int32_t ix) const;
  void SetValues(std::int32_t ix, const Variant& value);

  const String& DataID() const { return FDataID; }
  void SetDataID(const String& v) { FDataID = v; }
  bool IgnoreCase() const { return FIgnoreCase; }
  void SetIgnoreCase(bool v) { FIgnoreCase = v; }
  std::int32_t Granularity() const { return FGranularity; }
  void SetGranularity(std::int32_t v);
  // Length of the key and value arrays.
  std::int32_t AllocatedLength() const { return static_cast<std::int32_t>(FKeyArray.size()); }

  bool ReadFromXMLStream(TStream& InStream, const String& DataID);
  void WriteToXMLStream(TStream& OutStream, bool CreateHeader, const String& DataID) const;
  std::int32_t AddXMLAttributes(const String& Attributes);

 private:
  // The entry numbers (0-based) of the entries sharing one key; the smallest is kept apart,
  // so the usual single entry needs no further allocation.
  class Slots {
   public:
    bool empty() const { return first_ < 0; }
    std::int32_t front() const { return first_; }
    void insert(std::int32_t slot);
    void erase(std::int32_t slot);

   private:
    std::int32_t first_ = -1;
    std::vector<std::int32_t> more_;  // ascending, all above first_
  };
  using Index = std::unordered_map<String, Slots>;

  static String Fold(const String& s);
  static void IndexInsert(Index& index, const String& key, std::int32_t slot);
  static void IndexErase(Index& index, const String& key, std::int32_t slot);
  void IndexAdd(std::int32_t slot);
  void IndexDrop(std::int32_t slot);
  // 0-based entry Key resolves to, or -1.
  std::int32_t Find(const String& Key) const;
  void Append(const String& key, const Variant& value);

  std::int32_t FNEntries = 0;
  std::vector<Variant> FDataArray;
  std::vector<String> FKeyArray;
  std::int32_t FGranularity = 1024;
  bool FIgnoreCase = true;
  String FDataID;
  Index exact_;   // stored key -> entries
  Index folded_;  // folded stored key -> entries
};

}  // namespace krv
KORVEX_API_END
