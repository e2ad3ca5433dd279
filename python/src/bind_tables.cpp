// TStringArray as korvex.StringArray, a sequence of rows of short Windows-1252 texts with its
// XML file, and TAssocArray as korvex.AssocArray (tables_assoc.cpp). Rows are 0-based (row i
// is the library's i + 1) and presented in the sort order; a row holds the columns
// 0..n_columns, so column c of Python is the library's column c.
#include <memory>

#include "bind.h"
#include "features_io.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "tables_assoc.h"

namespace korvex_py {
namespace {

struct Grid {
  krv::TStringArray a;
  bool busy = false;
};

constexpr const char* kWhat = "StringArray";

std::int32_t Index(py::ssize_t i, std::int32_t n, const char* what) {
  if (i < 0) i += n;
  if (i < 0 || i >= n) throw py::index_error(std::string(what) + " index out of range");
  return static_cast<std::int32_t>(i);
}

std::int32_t Row(const Grid& g, py::ssize_t r) {
  return Index(r, g.a.NrOfRows(), "row") + 1;
}

std::int32_t Column(const Grid& g, py::ssize_t c) {
  return Index(c, g.a.NrOfColumns() + 1, "column");
}

void Resize(Grid& g, std::int32_t columns, std::int32_t rows) {
  const InUse use(g.busy, kWhat);
  if (!g.a.Resize(columns, rows))
    throw py::value_error("a string array needs at least one column and one row, and memory");
}

py::list RowList(const Grid& g, std::int32_t r) {
  py::list row;
  for (std::int32_t c = 0; c <= g.a.NrOfColumns(); ++c)
    row.append(py::cast(krv::FromAnsi(g.a.GetString(c, r))));
  return row;
}

void SetRow(Grid& g, std::int32_t r, const py::sequence& texts) {
  if (py::len(texts) != static_cast<std::size_t>(g.a.NrOfColumns()) + 1)
    throw py::value_error("a row takes " + std::to_string(g.a.NrOfColumns() + 1) + " texts");
  std::vector<krv::String> row;
  for (const py::handle t : texts) row.push_back(t.cast<krv::String>());
  for (std::size_t c = 0; c < row.size(); ++c)
    g.a.SetString(static_cast<std::int32_t>(c), r, row[c]);
}

// (low, high) of a range argument: None for every index, else a (first, last) pair.
std::pair<std::int32_t, std::int32_t> Bounds(const py::object& range, std::int32_t offset) {
  if (range.is_none()) return {-1, -1};
  const auto [lo, hi] = range.cast<std::pair<std::int32_t, std::int32_t>>();
  return {lo + offset, hi + offset};
}

py::object Find(const Grid& g, const krv::String& text, bool match_case, bool exact,
                const py::object& columns, const py::object& rows) {
  const auto [cl, ch] = Bounds(columns, 0);
  const auto [rl, rh] = Bounds(rows, 1);
  std::int32_t col = 0, row = 0;
  const krv::ShortString s = krv::ToAnsi(text);
  const bool found = exact ? g.a.FindCellExact(s, match_case, cl, ch, rl, rh, col, row)
                           : g.a.FindCell(s, match_case, cl, ch, rl, rh, col, row);
  if (!found) return py::none();
  return py::make_tuple(row - 1, col);
}

std::unique_ptr<Grid> Load(const py::object& path, const krv::String& data_id) {
  auto g = std::make_unique<Grid>();
  const krv::String name = VerbatimName(path);
  const bool ok = WithOpenErrors(path, [&] {
    py::gil_scoped_release release;
    krv::IOResult();
    const krv::IOChecksOn checks;
    krv::TextFile f;
    f.Assign(name);
    f.Reset();
    const bool read = g->a.ReadFromOpenXMLFile(f, data_id);
    f.Close();
    return read;
  });
  if (!ok)
    RaiseFileFormatError(ShownName(path) + ": no complete string array element" +
                         (data_id.empty() ? "" : " with id '" + krv::ToUtf8(data_id) + "'"));
  return g;
}

void Save(Grid& g, const py::object& path, const krv::String& data_id, bool header) {
  const InUse use(g.busy, kWhat);
  const krv::String name = VerbatimName(path);
  WithOpenErrors(path, [&] {
    py::gil_scoped_release release;
    krv::IOResult();
    const krv::IOChecksOn checks;
    krv::TextFile f;
    f.Assign(name);
    f.Rewrite();
    g.a.WriteToOpenXMLFile(f, header, data_id);
    f.Close();
  });
}

std::unique_ptr<Grid> FromStr(const krv::String& text, const krv::String& data_id) {
  auto g = std::make_unique<Grid>();
  const std::string bytes = krv::ToAnsi(text);
  bool ok = false;
  {
    py::gil_scoped_release release;
    ScratchFile scratch;
    scratch.Write(bytes);
    krv::IOResult();
    const krv::IOChecksOn checks;
    krv::TextFile f;
    f.Assign(scratch.Name());
    f.Reset();
    ok = g->a.ReadFromOpenXMLFile(f, data_id);
    f.Close();
  }
  if (!ok) RaiseFileFormatError("no complete string array element in the text");
  return g;
}

krv::String ToStr(Grid& g, const krv::String& data_id, bool header) {
  const InUse use(g.busy, kWhat);
  std::string bytes;
  {
    py::gil_scoped_release release;
    ScratchFile scratch;
    {
      krv::IOResult();
      const krv::IOChecksOn checks;
      krv::TextFile f;
      f.Assign(scratch.Name());
      f.Rewrite();
      g.a.WriteToOpenXMLFile(f, header, data_id);
      f.Close();
    }
    bytes = scratch.Read();
  }
  return krv::FromAnsi(bytes);
}

void BindGridShape(py::class_<Grid>& c) {
  c.def(py::init([](std::int32_t n_columns, std::int32_t n_rows) {
          auto g = std::make_unique<Grid>();
          Resize(*g, n_columns, n_rows);
          return g;
        }),
        py::arg("n_columns") = 1, py::arg("n_rows") = 1)
      .def_property(
          "n_columns", [](const Grid& g) { return g.a.NrOfColumns(); },
          [](Grid& g, std::int32_t n) { Resize(g, n, g.a.NrOfRows()); },
          "Columns besides column 0 (a row holds n_columns + 1 texts).")
      .def_property(
          "n_rows", [](const Grid& g) { return g.a.NrOfRows(); },
          [](Grid& g, std::int32_t n) { Resize(g, g.a.NrOfColumns(), n); },
          "The number of rows; changing it unsorts.")
      .def("resize", &Resize, py::arg("n_columns"), py::arg("n_rows"),
           "Sets both counts (at least 1), keeping what fits; the rows return to storage order.")
      .def_property(
          "alloc_rows_by", [](const Grid& g) { return g.a.AllocRowsBy(); },
          [](Grid& g, std::int32_t n) {
            const InUse use(g.busy, kWhat);
            g.a.SetAllocRowsBy(n);
          },
          "Rows allocated at a time (at least 1).")
      .def("__len__", [](const Grid& g) { return g.a.NrOfRows(); })
      .def(
          "clear",
          [](Grid& g) {
            const InUse use(g.busy, kWhat);
            g.a.Clear();
          },
          "Empties every cell and attribute and unsorts; the counts stay.")
      .def("copy", [](Grid& g) {
        const InUse use(g.busy, kWhat);
        auto h = std::make_unique<Grid>();
        h->a.Assign(&g.a);
        return h;
      });
}

void BindGridCells(py::class_<Grid>& c) {
  c.def(
       "__getitem__",
       [](Grid& g, py::ssize_t r) {
         const InUse use(g.busy, kWhat);
         return RowList(g, Row(g, r));
       },
       "grid[row] is the row's texts, columns 0..n_columns.")
      .def(
          "__getitem__",
          [](Grid& g, std::pair<py::ssize_t, py::ssize_t> key) {
            const InUse use(g.busy, kWhat);
            return krv::FromAnsi(g.a.GetString(Column(g, key.second), Row(g, key.first)));
          },
          "grid[row, column] is one text.")
      .def("__setitem__",
           [](Grid& g, py::ssize_t r, const py::sequence& texts) {
             const InUse use(g.busy, kWhat);
             SetRow(g, Row(g, r), texts);
           })
      .def(
          "__setitem__",
          [](Grid& g, std::pair<py::ssize_t, py::ssize_t> key, const krv::String& text) {
            const InUse use(g.busy, kWhat);
            g.a.SetString(Column(g, key.second), Row(g, key.first), text);
          },
          "Stores Windows-1252 text of at most 255 characters ('?' for what it lacks).")
      .def(
          "__delitem__",
          [](Grid& g, py::ssize_t r) {
            const InUse use(g.busy, kWhat);
            g.a.RemoveRow(Row(g, r));
          },
          "Removes the row; the only row is emptied instead.")
      .def(
          "insert_row",
          [](Grid& g, py::ssize_t r) {
            const InUse use(g.busy, kWhat);
            if (r == g.a.NrOfRows()) {
              if (!g.a.Resize(g.a.NrOfColumns(), g.a.NrOfRows() + 1))
                throw py::value_error("no memory for another row");
              return;
            }
            g.a.InsertRow(Row(g, r));
          },
          py::arg("index"),
          "Inserts an empty row before `index`; n_rows appends (and unsorts, as resizing does).")
      .def(
          "number",
          [](Grid& g, py::ssize_t r, py::ssize_t col) {
            const InUse use(g.busy, kWhat);
            return g.a.GetAsNumber(Column(g, col), Row(g, r));
          },
          py::arg("row"), py::arg("column"),
          "The cell as a number: blanks trimmed, ',' read as '.', empty gives 0.")
      .def(
          "fill",
          [](Grid& g, const krv::String& text) {
            const InUse use(g.busy, kWhat);
            g.a.Fill(text);
          },
          py::arg("text"), "Every cell set to text (the empty text empties them).");
}

void BindGridOrder(py::class_<Grid>& c) {
  c.def(
       "sort",
       [](Grid& g, py::ssize_t column, py::object secondary, bool ascending) {
         const InUse use(g.busy, kWhat);
         const std::int32_t sec =
             secondary.is_none() ? 0 : Column(g, secondary.cast<py::ssize_t>());
         g.a.Sort(Column(g, column), sec, ascending);
       },
       py::arg("column"), py::kw_only(), py::arg("secondary") = py::none(),
       py::arg("ascending") = true,
       "Orders the rows by a column (A-Z folded, by character code), ties by `secondary` "
       "(a column above 0), without moving data: unsort() restores storage order.")
      .def("unsort",
           [](Grid& g) {
             const InUse use(g.busy, kWhat);
             g.a.UnSort();
           })
      .def(
          "commit_sorting",
          [](Grid& g) {
            const InUse use(g.busy, kWhat);
            g.a.CommitSorting();
          },
          "Makes the sorted order the storage order.")
      .def_property_readonly(
          "sort_order",
          [](const Grid& g) {
            std::vector<std::int32_t> order;
            for (std::int32_t r = 1; r <= g.a.NrOfRows(); ++r)
              order.push_back(g.a.GetSortOrder(r) - 1);
            return order;
          },
          "The storage row shown at each row.")
      .def(
          "row_attribute", [](const Grid& g, py::ssize_t r) { return g.a.GetRowAttrib(Row(g, r)); },
          py::arg("row"))
      .def(
          "set_row_attribute",
          [](Grid& g, py::ssize_t r, std::uint8_t v) {
            const InUse use(g.busy, kWhat);
            g.a.SetRowAttrib(Row(g, r), v);
          },
          py::arg("row"), py::arg("value"))
      .def(
          "column_attribute",
          [](const Grid& g, py::ssize_t col) {
            if (col < 1 || col > g.a.NrOfColumns())
              throw py::index_error("column index out of range");
            return g.a.GetColAttrib(static_cast<std::int32_t>(col));
          },
          py::arg("column"), "The attribute byte of a column 1..n_columns.")
      .def(
          "set_column_attribute",
          [](Grid& g, py::ssize_t col, std::uint8_t v) {
            const InUse use(g.busy, kWhat);
            if (col < 1 || col > g.a.NrOfColumns())
              throw py::index_error("column index out of range");
            g.a.SetColAttrib(static_cast<std::int32_t>(col), v);
          },
          py::arg("column"), py::arg("value"))
      .def("find", &Find, py::arg("text"), py::kw_only(), py::arg("match_case") = false,
           py::arg("exact") = false, py::arg("columns") = py::none(), py::arg("rows") = py::none(),
           "(row, column) of the first cell holding text (exact=True: equal to it), rows before "
           "columns; columns and rows limit the search to (first, last) ranges. None when absent.");
}

void BindGridFiles(py::class_<Grid>& c) {
  c.def_static("load", &Load, py::arg("path"), py::arg("data_id") = krv::String(),
               "The grid of the first string array element of an XML file (with that id, when "
               "given). OSError when the file cannot be read, FileFormatError when it holds no "
               "complete element.")
      .def("save", &Save, py::arg("path"), py::arg("data_id") = krv::String(), py::kw_only(),
           py::arg("header") = true, "Writes the grid as an XML file (Windows-1252, CR LF).")
      .def_static("from_str", &FromStr, py::arg("text"), py::arg("data_id") = krv::String())
      .def("to_str", &ToStr, py::arg("data_id") = krv::String(), py::kw_only(),
           py::arg("header") = true, "The text save() writes.")
      .def("__repr__", [](const Grid& g) {
        return "<StringArray: " + std::to_string(g.a.NrOfRows()) + " rows x " +
               std::to_string(g.a.NrOfColumns() + 1) + " columns>";
      });
}

}  // namespace

void BindTables(py::module_& m) {
  py::class_<Grid> c(
      m, "StringArray",
      "A grid of short texts: n_rows rows of columns 0..n_columns, with a sort order "
      "and attribute bytes, saved as XML.");
  BindGridShape(c);
  BindGridCells(c);
  BindGridOrder(c);
  BindGridFiles(c);
  BindAssocArray(m);
}

}  // namespace korvex_py
