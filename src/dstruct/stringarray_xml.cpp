// TStringArray: the XML element in text files (format in stringarray.h).
#include <algorithm>
#include <vector>

#include "dstruct/internal/xml_text.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/streams/tags.h"

namespace krv {

// Reader and writer; a friend, so that it can fill a grid by physical rows.
class detail::StringArrayXml {
 public:
  static bool Read(TStringArray& grid, TextFile& f, const String& id);
  static void Write(const TStringArray& grid, TextFile& f, bool header, const String& id);
};

namespace {

using detail::IntToText;
using detail::ParseXmlInt;

// Reading refuses grids whose tables would take more than this many bytes, so a few bytes of
// malformed input cannot demand gigabytes.
constexpr std::int64_t kMaxReadTableBytes = std::int64_t{1} << 27;

// Whether the tables of a grid read with these dimensions stay within kMaxReadTableBytes: the
// cell references ((cols + 1) x alloc x 4 bytes, and a column's own overhead), the row
// attributes and sort index (5 bytes per allocated row), the reader's own bookkeeping
// (5 bytes per row) and the column attributes. Counts are below 2^31, so once the references
// are known to fit, no sum below can overflow.
bool TablesFit(std::int64_t cols, std::int64_t rows, std::int64_t alloc) {
  const std::int64_t per_column = alloc * 4 + 64;
  if (cols + 1 > kMaxReadTableBytes / per_column) return false;
  return (cols + 1) * per_column + alloc * 5 + rows * 5 + cols <= kMaxReadTableBytes;
}

bool Attr(const String& attributes, const char16_t* name, std::int64_t lo, std::int64_t hi,
          std::int64_t& out) {
  return ParseXmlInt(ScanForXMLAttrib(attributes, name), lo, hi, out);
}

}  // namespace

void detail::StringArrayXml::Write(const TStringArray& g, TextFile& f, bool header,
                                   const String& id) {
  const String p = u" ";
  if (header) f.WriteLn(p + u"<?xml version=\"1.0\"?>");
  f.WriteLn(u"");
  f.WriteLn(p + u"<!-- TStringArray / Korvex -->");
  f.WriteLn(p + u"<strarray sig=\"KorvexLib\" vers=\"1.0\" id=\"" +
            detail::XmlEscape(id, detail::XmlCharset::kWindows1252) + u"\">");
  f.WriteLn(p + u"  <dimensions cols=" + IntToText(g.FNCol) + u" rows=" + IntToText(g.FNRow) +
            u" allocrowsby=" + IntToText(g.FAllocRowsBy) + u" />");
  for (std::int32_t c = 1; c <= g.FNCol; ++c) {
    const std::uint8_t v = g.FColAttrib[static_cast<std::size_t>(c) - 1];
    if (v != 0)
      f.WriteLn(p + u"  <colattrib col=" + IntToText(c) + u" val=" + IntToText(v) + u" />");
  }
  // Logical position of each physical row.
  std::vector<std::int32_t> logical(static_cast<std::size_t>(g.FNRow));
  for (std::int32_t l = 1; l <= g.FNRow; ++l)
    logical[static_cast<std::size_t>(g.FSortIx[static_cast<std::size_t>(l) - 1]) - 1] = l;
  for (std::int32_t ph = 1; ph <= g.FNRow; ++ph) {
    const std::int32_t l = logical[static_cast<std::size_t>(ph) - 1];
    const std::uint8_t a = g.FRowAttrib[static_cast<std::size_t>(ph) - 1];
    if (a != 0 || l != ph)
      f.WriteLn(p + u"  <row phys=" + IntToText(ph) + u" logical=" + IntToText(l) + u" attr=" +
                IntToText(a) + u" />");
  }
  for (std::int32_t c = 0; c <= g.FNCol; ++c) {
    const auto& col = g.FPoiArray[static_cast<std::size_t>(c)];
    for (std::int32_t ph = 1; ph <= g.FNRow; ++ph) {
      const std::uint32_t ref = col[static_cast<std::size_t>(ph) - 1];
      if (ref == 0) continue;
      std::size_t len = 0;
      const std::uint8_t* s = g.CellBytes(ref, len);
      const String text = FromAnsi(std::string_view(reinterpret_cast<const char*>(s), len));
      f.WriteLn(p + u"  <cell col=" + IntToText(c) + u" row=" + IntToText(ph) + u">" +
                detail::XmlEscape(text, detail::XmlCharset::kWindows1252) + u"</cell>");
    }
  }
  f.WriteLn(p + u"</strarray>");
}

bool detail::StringArrayXml::Read(TStringArray& grid, TextFile& f, const String& id) {
  String attributes;
  for (;;) {
    if (f.Eof()) return false;
    if (detail::MatchElementLine(f.ReadLn(), u"<strarray", id, attributes)) break;
  }
  enum Tag { kDimensions, kColAttrib, kRow, kCell, kEnd, kEmpty, kUnknown };
  // The last entry is one no tag can have, so an unknown name is told apart from the
  // empty name of the end of the input.
  const TTagList tags = {u"dimensions", u"colattrib", u"row", u"cell", u"/strarray", u"", u"\x01"};
  TStringArray tmp;
  bool have_dims = false;
  std::int64_t cols = 0, rows = 0;
  std::vector<std::int32_t> phys_of;      // [logical - 1] -> physical row, 0 when not given
  std::vector<std::uint8_t> has_logical;  // [physical - 1] -> 1 when a row element named it
  String contents;
  for (;;) {
    const std::int32_t tag = ReadNextTagInTextFile(f, tags, attributes, contents);
    if (tag == kEmpty) return false;  // end of the input before </strarray>
    if (tag == kUnknown) continue;
    if (tag == kEnd) break;
    if (tag == kDimensions) {
      std::int64_t step = 0;
      if (have_dims || !Attr(attributes, u"cols", 1, INT32_MAX, cols) ||
          !Attr(attributes, u"rows", 1, INT32_MAX, rows) ||
          !Attr(attributes, u"allocrowsby", 1, INT32_MAX, step))
        return false;
      const std::int64_t alloc = step * ((rows - 1) / step + 1);
      if (alloc > INT32_MAX || !TablesFit(cols, rows, alloc)) return false;
      tmp.SetAllocRowsBy(static_cast<std::int32_t>(step));
      if (!tmp.Resize(static_cast<std::int32_t>(cols), static_cast<std::int32_t>(rows)))
        return false;
      phys_of.assign(static_cast<std::size_t>(rows), 0);
      has_logical.assign(static_cast<std::size_t>(rows), 0);
      have_dims = true;
      continue;
    }
    if (!have_dims) return false;
    if (tag == kColAttrib) {
      std::int64_t c = 0, v = 0;
      if (!Attr(attributes, u"col", 1, cols, c) || !Attr(attributes, u"val", 0, 255, v))
        return false;
      tmp.FColAttrib[static_cast<std::size_t>(c) - 1] = static_cast<std::uint8_t>(v);
    } else if (tag == kRow) {
      std::int64_t ph = 0, l = 0, a = 0;
      if (!Attr(attributes, u"phys", 1, rows, ph) || !Attr(attributes, u"logical", 1, rows, l) ||
          !Attr(attributes, u"attr", 0, 255, a))
        return false;
      auto& slot = phys_of[static_cast<std::size_t>(l) - 1];
      auto& named = has_logical[static_cast<std::size_t>(ph) - 1];
      if (slot != 0 || named != 0) return false;  // a row or a position given twice
      slot = static_cast<std::int32_t>(ph);
      named = 1;
      tmp.FRowAttrib[static_cast<std::size_t>(ph) - 1] = static_cast<std::uint8_t>(a);
    } else if (tag == kCell) {
      std::int64_t c = 0, ph = 0;
      String text;
      if (!Attr(attributes, u"col", 0, cols, c) || !Attr(attributes, u"row", 1, rows, ph) ||
          !detail::XmlUnescape(contents, text) || text.size() > kShortStringMax)
        return false;
      std::string bytes(text.size(), '\0');
      for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char b = 0;
        if (!CharToAnsi(text[i], b)) return false;
        bytes[i] = static_cast<char>(b);
      }
      const auto cc = static_cast<std::size_t>(c);
      if (tmp.FPoiArray[cc][static_cast<std::size_t>(ph) - 1] != 0) return false;  // twice
      tmp.StoreCell(static_cast<std::int32_t>(c), static_cast<std::int32_t>(ph),
                    reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
  }
  if (!have_dims) return false;
  // Rows no element named stay at their own position; the result must be a permutation.
  for (std::size_t l = 0; l < phys_of.size(); ++l) {
    if (phys_of[l] != 0) continue;
    if (has_logical[l] != 0) return false;  // physical row l+1 went elsewhere
    phys_of[l] = static_cast<std::int32_t>(l) + 1;
    has_logical[l] = 1;
  }
  std::copy(phys_of.begin(), phys_of.end(), tmp.FSortIx.begin());

  // Take the data (keeping this grid's handlers), then report the change once.
  grid.FNCol = tmp.FNCol;
  grid.FNRow = tmp.FNRow;
  grid.FAllocRowsBy = tmp.FAllocRowsBy;
  grid.FRAllocated = tmp.FRAllocated;
  grid.FFirstFree = std::move(tmp.FFirstFree);
  grid.FPoiArray = std::move(tmp.FPoiArray);
  grid.FSortIx = std::move(tmp.FSortIx);
  grid.FStgPool = std::move(tmp.FStgPool);
  grid.FRowAttrib = std::move(tmp.FRowAttrib);
  grid.FColAttrib = std::move(tmp.FColAttrib);
  grid.FFitHint = tmp.FFitHint;
  grid.Changed();
  return true;
}

bool TStringArray::ReadFromOpenXMLFile(TextFile& InFile, const String& DataID) {
  return detail::StringArrayXml::Read(*this, InFile, DataID);
}

void TStringArray::WriteToOpenXMLFile(TextFile& OutFile, bool CreateHeader,
                                      const String& DataID) const {
  detail::StringArrayXml::Write(*this, OutFile, CreateHeader, DataID);
}

bool TStringArray::LoadFromXMLFile(const String& FName, const String& DataID) {
  TextFile f;
  try {
    f.Assign(FName);
    f.Reset();
    const bool ok = ReadFromOpenXMLFile(f, DataID);
    f.Close();
    return ok;
  } catch (const EInOutError&) {
    return false;
  }
}

void TStringArray::SaveAsXMLFile(const String& FName, const String& DataID) const {
  TextFile f;
  f.Assign(FName);
  f.Rewrite();
  WriteToOpenXMLFile(f, true, DataID);
  f.Close();
}

}  // namespace krv
