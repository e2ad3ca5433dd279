// The grid and the map: TStringArray, a grid of short text cells (columns 0..NrOfColumns, rows
// 1..NrOfRows) whose sort changes only the order the rows are presented in, and TAssocArray,
// text keys (case-insensitive by default) mapped to Variant values. Both have an XML form.
#include <korvex/korvex.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

// A fresh folder under the system's temporary folder, removed with its files at the end.
struct TempFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("korvex_grid_" + std::to_string(std::random_device{}()));
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path); }
  krv::String Name(const char* file) const { return krv::ToUtf16((path / file).string()); }
};

}  // namespace

int main() {
  krv::PackageLoad();
  TempFolder folder;

  // A grid of elements: name in column 1, density in column 2.
  krv::TStringArray grid;
  grid.Resize(2, 4);
  const krv::ShortString rows[4][2] = {
      {"iron", "7.87"}, {"zinc", "7.14"}, {"lead", "11.34"}, {"gold", "19.3"}};
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 2; ++c) grid.SetString(c, r, rows[r - 1][c - 1]);
  grid.Sort(1, 0, true);  // by name, ascending
  for (int r = 1; r <= grid.NrOfRows(); ++r)
    std::printf("%-10s %6.2f\n", grid.GetString(1, r).c_str(), grid.GetAsNumber(2, r));
  Expect(grid.GetString(1, 1) == "gold" && grid.GetString(1, 4) == "zinc", "sorted by name");

  // Finding a cell: column and row come back (all columns, all rows: -1).
  std::int32_t col = 0, row = 0;
  Expect(grid.FindCellExact("iron", false, -1, -1, -1, -1, col, row) && row == 2,
         "iron is in logical row 2");

  // Saved as XML and read into a second grid.
  grid.SaveAsXMLFile(folder.Name("grid.xml"), u"densities");
  krv::TStringArray copy;
  Expect(copy.LoadFromXMLFile(folder.Name("grid.xml"), u"densities"), "the XML file reads back");
  Expect(copy.GetString(1, 1) == "gold" && copy.GetAsNumber(2, 3) == 11.34,
         "the copy has the same cells in the same order");

  // The map: keys to values of any Variant kind.
  krv::TAssocArray settings;
  settings.Add(u"Title", krv::String(u"Densities"));
  settings.Add(u"Columns", 2);
  settings.Add(u"Scale", 0.5);
  std::printf("title=%s columns=%d scale=%g\n",
              krv::ToUtf8(settings.ResolveAsString(u"TITLE")).c_str(),
              settings.ResolveAsInt(u"columns"), settings.ResolveAsNumber(u"scale"));

  // Written as XML to a stream and read back into a second map.
  krv::TMemoryStream xml;
  settings.WriteToXMLStream(xml, true, u"settings");
  xml.SetPosition(0);
  krv::TAssocArray restored;
  Expect(restored.ReadFromXMLStream(xml, u"settings"), "the XML stream reads back");
  Expect(restored.NumEntries() == 3 && restored.ResolveAsNumber(u"SCALE") == 0.5,
         "the same entries, found ignoring case");

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
