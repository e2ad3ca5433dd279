// Fuzz target for TStringArray::ReadFromOpenXMLFile: any file gives true or false, never a
// crash; false leaves the grid untouched. A grid that was read writes a file that reads back
// to the same grid, and writing that grid again gives the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string TempName(const char* tag) {
  return "/tmp/korvex_strarray_fuzz_" + std::to_string(getpid()) + tag;
}

void PutFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string GetFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SameGrid(const krv::TStringArray& a, const krv::TStringArray& b) {
  if (a.NrOfColumns() != b.NrOfColumns() || a.NrOfRows() != b.NrOfRows() ||
      a.AllocRowsBy() != b.AllocRowsBy())
    return false;
  for (int c = 1; c <= a.NrOfColumns(); ++c)
    if (a.GetColAttrib(c) != b.GetColAttrib(c)) return false;
  for (int r = 1; r <= a.NrOfRows(); ++r) {
    if (a.GetSortOrder(r) != b.GetSortOrder(r) || a.GetRowAttrib(r) != b.GetRowAttrib(r))
      return false;
    for (int c = 0; c <= a.NrOfColumns(); ++c)
      if (a.GetString(c, r) != b.GetString(c, r) ||
          (a.CellRef(c, r) == 0) != (b.CellRef(c, r) == 0))
        return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  const std::string in_name = TempName("_in.xml");
  PutFile(in_name, data, size);

  TStringArray a;
  a.SetString(1, 1, "keep");
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  TextFile f;
  f.Assign(ToUtf16(in_name));
  f.Reset();
  const bool ok = a.ReadFromOpenXMLFile(f, u"");
  f.Close();
  std::remove(in_name.c_str());
  if (!ok) {
    Check(changes == 0 && a.NrOfRows() == 1 && a.NrOfColumns() == 1 && a.GetString(1, 1) == "keep");
    return 0;
  }
  Check(changes == 1);
  // The sort index is a permutation.
  std::string seen(static_cast<std::size_t>(a.NrOfRows()) + 1, '\0');
  for (int r = 1; r <= a.NrOfRows(); ++r) {
    const int p = a.GetSortOrder(r);
    Check(p >= 1 && p <= a.NrOfRows() && seen[static_cast<std::size_t>(p)] == 0);
    seen[static_cast<std::size_t>(p)] = 1;
  }
  if (static_cast<long long>(a.NrOfRows()) * (a.NrOfColumns() + 1) > 200000) return 0;

  const std::string out1 = TempName("_out1.xml"), out2 = TempName("_out2.xml");
  a.SaveAsXMLFile(ToUtf16(out1), u"again");
  TStringArray b;
  Check(b.LoadFromXMLFile(ToUtf16(out1), u"AGAIN"));
  Check(SameGrid(a, b));
  b.SaveAsXMLFile(ToUtf16(out2), u"again");
  Check(GetFile(out1) == GetFile(out2));
  std::remove(out1.c_str());
  std::remove(out2.c_str());
  return 0;
}
