// Fuzz target for TAssocArray::ReadFromXMLStream (and AddXMLAttributes on the same bytes):
// any input gives true or false, never a crash; false leaves the array untouched. An array
// that was read writes a stream that reads back to the same array, and writing that array
// again gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "korvex/dstruct/assocarray.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool SameArray(const krv::TAssocArray& a, const krv::TAssocArray& b) {
  if (a.NumEntries() != b.NumEntries() || a.IgnoreCase() != b.IgnoreCase() ||
      a.Granularity() != b.Granularity() || a.DataID() != b.DataID())
    return false;
  for (int i = 1; i <= a.NumEntries(); ++i)
    if (a.GetKeys(i) != b.GetKeys(i) || !(a.GetValues(i) == b.GetValues(i))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  TAssocArray a;
  a.Add(u"keep", Variant(7));
  TStringStream in(bytes);
  if (!a.ReadFromXMLStream(in, u"")) {
    Check(a.NumEntries() == 1 && a.Resolve(u"keep") == Variant(7) && a.IgnoreCase() &&
          a.Granularity() == 1024 && a.DataID().empty());
  } else {
    TStringStream out1;
    a.WriteToXMLStream(out1, true, u"");
    out1.SetPosition(0);
    TAssocArray b;
    b.SetDataID(a.DataID());
    Check(b.ReadFromXMLStream(out1, u""));
    Check(SameArray(a, b));
    TStringStream out2;
    b.WriteToXMLStream(out2, true, u"");
    Check(out1.Bytes() == out2.Bytes());
    // Every stored key resolves (to itself or an earlier equal key).
    for (int i = 1; i <= b.NumEntries(); ++i) {
      const int at = b.IndexOfKey(b.GetKeys(i));
      Check(at >= 1 && at <= i);
    }
  }

  TAssocArray attrs;
  const std::int32_t added = attrs.AddXMLAttributes(FromAnsi(bytes));
  Check(added >= 0 && attrs.NumEntries() <= added);
  return 0;
}
