// The label's XML element: the written lines, write -> read round trips of random labels, the
// reader's search and attribute rules, and the attribute scanner against a slow reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "korvex/base/labels.h"
#include "korvex/platform/text.h"
#include "labels/internal/label_attrib.h"
#include "test_support/temp_dir.h"
#include "test_support/trickle_stream.h"

namespace krv {
namespace {

using testing::TempDir;

// The bytes WriteToOpenXMLFile writes for each label (ids "l1", "l2", ...).
std::string Written(const std::vector<const TCustomTextLabel*>& labels, bool header,
                    std::int32_t indent) {
  const TempDir dir("label_xml_write");
  TextFile f;
  f.Assign(ToUtf16(dir.File("out.xml").string()));
  f.Rewrite();
  for (std::size_t i = 0; i < labels.size(); ++i)
    labels[i]->WriteToOpenXMLFile(f, header, u"l" + ToUtf16(std::to_string(i + 1)), indent);
  f.Close();
  return dir.Read("out.xml");
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Reads label from a file holding bytes; counts OnChange calls in events.
bool ReadBack(const std::string& bytes, const String& id, TCustomTextLabel& label,
              int* events = nullptr) {
  const TempDir dir("label_xml_read");
  dir.Write("in.xml", bytes);
  TextFile f;
  f.Assign(ToUtf16(dir.File("in.xml").string()));
  f.Reset();
  int count = 0;
  label.SetOnChange([&](TObject*) { ++count; });
  const bool ok = label.ReadFromOpenXMLFile(f, id);
  label.SetOnChange(nullptr);
  if (events != nullptr) *events = count;
  return ok;
}

// The same through ReadFromXMLStream over a stream that gives 7 bytes per read.
bool StreamBack(const std::string& bytes, const String& id, TCustomTextLabel& label,
                int* events = nullptr, bool* other = nullptr) {
  testing::TrickleStream in(bytes, 7);
  int count = 0;
  label.SetOnChange([&](TObject*) { ++count; });
  const bool ok = label.ReadFromXMLStream(in, id, other);
  label.SetOnChange(nullptr);
  if (events != nullptr) *events = count;
  return ok;
}

TEST(LabelXml, LinesOfANewLabel) {
  TCustomTextLabel l;
  l.Font()->SetName(u"Arial");
  l.Font()->SetSize(10);
  const std::string x = "1.0000000000000000E+02", y = "1.0000000000000000E+01";
  const std::vector<std::string> want = {
      "  <?xml version=\"1.0\"?>",
      "",
      "  <!-- TCustomTextLabel / Korvex -->",
      "  <custtextlbl sig=\"KorvexLib\" vers=\"1.0\" id=\"l1\">",
      "    <posxy x=" + x + " y=" + y + " />",
      "    <caption></caption>",
      "    <colors brd=$000000 bg=$C0C0C0 shdw=$808080 />",
      "    <shadowofs dx=0 dy=0 />",
      "    <layer val=1 />",
      "    <transparent val=0 />",
      "    <visible val=1 />",
      "    <alignment horiz=taCenter vert=vaBottom />",
      "    <attachmode val=tlamNone />",
      "    <font name=\"Arial\" size=10 color=$000000 style=\"\" />",
      "    <style val=tlsimple />",
      "  </custtextlbl>",
  };
  const std::string bytes = Written({&l}, true, 2);
  EXPECT_EQ(Lines(bytes), want);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(LabelXml, IndentClampsAndColourBytes) {
  TCustomTextLabel l;
  l.SetTxtLblColorBrd(0x80123456);  // a high byte is not written
  l.SetTxtLblShadowDx(-7);
  l.SetTxtLblPosX(-0.1);
  l.Font()->SetStyle({fsStrikeOut, fsBold});
  for (const auto& [indent, blanks] : {std::pair{0, 1}, {-5, 1}, {255, 255}, {300, 255}}) {
    const std::vector<std::string> lines = Lines(Written({&l}, false, indent));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "");
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const bool inner = i > 2 && i < 14;  // element lines are indented two more
      EXPECT_EQ(lines[i].find_first_not_of(' '), static_cast<std::size_t>(blanks + 2 * inner));
    }
    EXPECT_NE(lines[5].find("<colors brd=$123456 bg="), std::string::npos);
    EXPECT_NE(lines[6].find("<shadowofs dx=-7 dy=0 />"), std::string::npos);
    EXPECT_NE(lines[3].find("<posxy x=-1.0000000000000001E-01 y="), std::string::npos);
    EXPECT_NE(lines[12].find("style=\"fsBold fsStrikeOut\""), std::string::npos);
  }
  TCustomTextLabel back;
  ASSERT_TRUE(ReadBack(Written({&l}, false, 0), u"", back));
  EXPECT_EQ(back.ColorBrd(), 0x123456u);
  EXPECT_EQ(back.PosX(), -0.1);
}

// A label with every setting random; captions and font names avoid "<", ">" and '"', which
// the element does not escape.
void Randomize(TCustomTextLabel& l, std::mt19937_64& rng) {
  auto pick = [&](std::uint64_t n) { return static_cast<std::int64_t>(rng() % n); };
  auto coordinate = [&] {
    double v;
    do {
      const std::uint64_t bits = rng();
      std::memcpy(&v, &bits, sizeof v);
    } while (!std::isfinite(v) || std::fabs(v) > 1.7e308);
    return pick(4) == 0 ? static_cast<double>(pick(2001) - 1000) / 8 : v;
  };
  auto text = [&](bool line_feeds) {
    static const char16_t kChars[] = u"abcXYZ 019.,;:=$&'/\\!?-_\xe9\xfc\x20ac\x2013";
    String s;
    for (std::int64_t n = pick(12); n > 0; --n)
      s.push_back(line_feeds && pick(10) == 0 ? u'\n' : kChars[pick(std::size(kChars) - 1)]);
    return s;
  };
  l.SetTxtLblPosX(coordinate());
  l.SetTxtLblPosY(coordinate());
  l.SetTxtLblLayer(static_cast<std::int32_t>(1 + pick(16)));
  l.SetTxtLblShadowDx(static_cast<std::int32_t>(rng()));
  l.SetTxtLblShadowDy(static_cast<std::int32_t>(pick(21) - 10));
  l.SetTxtLblColorShadow(static_cast<TColor>(rng()) & 0xFFFFFF);
  l.SetTxtLblColorBkg(static_cast<TColor>(rng()) & 0xFFFFFF);
  l.SetTxtLblColorBrd(static_cast<TColor>(rng()) & 0xFFFFFF);
  l.SetTxtLblAlignment(static_cast<TAlignment>(pick(3)));
  l.SetTxtLblVertAlignment(static_cast<TVerticalAlignment>(pick(3)));
  l.SetTxtLblScreenPos(static_cast<TTxtLblAttachMode>(pick(4)));
  l.SetTxtLblTranspar(pick(2) == 1);
  l.SetTxtLblVisible(pick(2) == 1);
  l.SetTxtLblMode(static_cast<TTxtLblMode>(pick(5)));
  l.SetTxtLblCaption(text(true));
  TFont font;
  font.SetName(text(false));
  font.SetSize(static_cast<std::int32_t>(pick(120) - 20));
  font.SetColor(static_cast<TColor>(rng()) & 0xFFFFFF);
  TFontStyles styles;
  for (int k = 0; k < 4; ++k)
    if (pick(2) == 1) styles.Include(static_cast<TFontStyle>(k));
  font.SetStyle(styles);
  l.SetTxtLblFont(&font);
}

TEST(LabelXml, RandomLabelsReadBackEqual) {
  std::mt19937_64 rng(20261208);
  for (int round = 0; round < 60; ++round) {
    TCustomTextLabel labels[5];
    std::vector<const TCustomTextLabel*> all;
    for (TCustomTextLabel& l : labels) {
      Randomize(l, rng);
      all.push_back(&l);
    }
    const std::string bytes = Written(all, round % 2 == 0, round);
    for (std::size_t i = std::size(labels); i-- > 0;) {
      TCustomTextLabel back;
      int events = 0;
      ASSERT_TRUE(ReadBack(bytes, u"L" + ToUtf16(std::to_string(i + 1)), back, &events));
      EXPECT_EQ(events, 1);
      // The element holds every setting (its lines are checked above), so equal elements
      // mean equal labels.
      EXPECT_EQ(Written({&back}, false, 1), Written({&labels[i]}, false, 1));
    }
  }
}

// The element around body lines, with id "lbl1".
std::string Element(const std::string& body) {
  return "<custtextlbl sig=\"KorvexLib\" id=\"lbl1\">\r\n" + body + "</custtextlbl>\r\n";
}

std::string Chop(std::string s) {
  s.resize(s.size() - 2);
  return s;
}

struct ReadCase {
  const char* what;
  std::string file;
  const char16_t* id;
  bool result;
  int events;
  std::function<void(const TCustomTextLabel&)> check;
};

TEST(LabelXml, ReadingCases) {
  const auto unchanged = [](const TCustomTextLabel& l) { EXPECT_EQ(l.PosX(), 100.0); };
  const ReadCase cases[] = {
      {"quoted values and comma decimals", Element("<posxy x=\"1.5\" y = \"2,5e1\" />"), u"lbl1",
       true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_EQ(l.PosX(), 1.5);
         EXPECT_EQ(l.PosY(), 25.0);
       }},
      {"unquoted values", Element("<posxy y=-3 X=1,5 />"), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_EQ(l.PosX(), 1.5);
         EXPECT_EQ(l.PosY(), -3.0);
       }},
      {"id in another case", Element("<layer val=3 />"), u"LBL1", true, 1,
       [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 3); }},
      {"file id in another case",
       "<CustTextLbl sig=KORVEXLIB id=\" LBL1 \">\n<layer val=4 />\n"
       "</CUSTTEXTLBL>",
       u"lbl1", true, 1, [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 4); }},
      {"empty id takes the first", Element("<layer val=5 />") + Element("<layer val=6 />"), u"",
       true, 1, [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 5); }},
      {"missing signature and other id skipped",
       "<custtextlbl id=\"lbl1\">\n<layer val=7 />\n</custtextlbl>\n"
       "<custtextlbl sig=\"KorvexLib\" id=\"lbl2\">\n<layer val=8 />\n</custtextlbl>\n" +
           Element("<layer val=9 />"),
       u"lbl1", true, 1, [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 9); }},
      {"no element", "<custtextlbl id=\"lbl1\">\n<posxy x=1 />\n</custtextlbl>\n", u"lbl1", false,
       0, unchanged},
      {"empty file", "", u"", false, 0, unchanged},
      {"file ends inside the element",
       "<custtextlbl sig=\"KorvexLib\" id=\"lbl1\">\n<posxy x=1 y=2 />\n<caption>ab", u"lbl1",
       false, 1, [](const TCustomTextLabel& l) { EXPECT_EQ(l.PosX(), 1.0); }},
      {"layer outside the setter's range", Element("<layer val=40 />"), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 40); }},
      {"alignment words compared with case", Element("<alignment horiz=tacenter vert=vaTop />"),
       u"lbl1", true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_EQ(l.Alignment(), taLeftJustify);
         EXPECT_EQ(l.VertAlign(), vaTop);
       }},
      {"transparent 2 is false", Element("<transparent val=2 /><visible val=\" -1\" />"), u"lbl1",
       true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_FALSE(l.TransPar());
         EXPECT_FALSE(l.Visible());
       }},
      {"colours and shadow",
       Element("<colors brd=$abcdef bg=12 shdw=\" $1\" />"
               "<shadowofs dx=-12x dy=z />"),
       u"lbl1", true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_EQ(l.ColorBrd(), 0xABCDEFu);
         EXPECT_EQ(l.ColorBkg(), 0x12u);
         EXPECT_EQ(l.ColorShadow(), 0u);
         EXPECT_EQ(l.XShadow(), -12);
         EXPECT_EQ(l.YShadow(), 0);
       }},
      {"caption as read, across lines", Element("<caption>a\tb\r\nc<d</caption>"), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) { EXPECT_EQ(l.Caption(), u"a\tb\r\nc<d"); }},
      {"missing extended elements keep values", Element("<font size=12 />"), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) {
         EXPECT_EQ(l.Font()->Name(), u"Keep");
         EXPECT_EQ(l.Font()->Size(), 12);
         EXPECT_EQ(l.Mode(), tlBox);
         EXPECT_EQ(l.AttachDat(), tlamXOnly);
       }},
      {"syntax error gives an empty value", Element("<layer a\"=1 val=3 />"), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 0); }},
      {"closing tag at the end of the file", Chop(Element("<layer val=2 />")), u"lbl1", true, 1,
       [](const TCustomTextLabel& l) { EXPECT_EQ(l.Layer(), 2); }},
      {"over-long tag", Element("<posxy x=1 />\n<caption " + std::string(kTxtLblMaxTextChars, 'a')),
       u"lbl1", false, 1, [](const TCustomTextLabel& l) { EXPECT_EQ(l.PosX(), 1.0); }},
      {"over-long search line", std::string(kTxtLblMaxTextChars, ' ') + Element(""), u"lbl1", false,
       0, unchanged},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    TCustomTextLabel from_file, from_stream;
    for (TCustomTextLabel* l : {&from_file, &from_stream}) {
      l->SetTxtLblAlignment(taLeftJustify);
      l->SetTxtLblMode(tlBox);
      l->SetTxtLblScreenPos(tlamXOnly);
      l->Font()->SetName(u"Keep");
    }
    int events = -1, stream_events = -1;
    EXPECT_EQ(ReadBack(c.file, c.id, from_file, &events), c.result);
    EXPECT_EQ(events, c.events);
    c.check(from_file);
    // A stream reads the same.
    EXPECT_EQ(StreamBack(c.file, c.id, from_stream, &stream_events), c.result);
    EXPECT_EQ(stream_events, c.events);
    EXPECT_EQ(Written({&from_stream}, false, 1), Written({&from_file}, false, 1));
  }
}

// A stream tells whether other label elements were passed over, and a stream that can seek
// is left right after the element, so elements back to back read one after the other.
TEST(LabelXml, StreamReading) {
  const std::string other = "<custtextlbl sig=\"KorvexLib\" id=\"lbl2\">\n</custtextlbl>\n";
  const std::string unsigned_element = "<custtextlbl id=\"lbl1\">\n</custtextlbl>\n";
  const struct {
    std::string bytes;
    String id;
    bool result, other;
  } cases[] = {
      {"", u"", false, false},
      {"\x80\xFF\x01random bytes\n<a><b>", u"", false, false},
      {unsigned_element, u"lbl1", false, false},
      {other, u"lbl1", false, true},
      {other + Element(""), u"lbl1", true, true},
      {Element(""), u"lbl1", true, false},
      {other, u"", true, false},
  };
  for (const auto& c : cases) {
    TCustomTextLabel l;
    bool seen = !c.other;
    EXPECT_EQ(StreamBack(c.bytes, c.id, l, nullptr, &seen), c.result) << c.bytes;
    EXPECT_EQ(seen, c.other) << c.bytes;
  }
  std::string bytes;
  for (int layer = 2; layer <= 4; ++layer) {
    bytes += "<custtextlbl sig=\"KorvexLib\" id=\"l" + std::to_string(layer) + "\">\r\n";
    bytes += "<layer val=" + std::to_string(layer) + " /></custtextlbl>\r\n";
  }
  TStringStream in(bytes);
  TCustomTextLabel label;
  for (int layer = 2; layer <= 4; ++layer) {
    ASSERT_TRUE(label.ReadFromXMLStream(in, u"")) << layer;
    EXPECT_EQ(label.Layer(), layer);
  }
  EXPECT_FALSE(label.ReadFromXMLStream(in, u""));
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
}

// The attribute rules read off as substrings, one pair at a time.
bool SlowAttribute(std::u16string_view text, std::u16string_view wanted, String& value) {
  value.clear();
  while (!text.empty()) {
    const std::size_t stop = text.find_first_of(u"=\"");
    String name;
    for (Char c : text.substr(0, stop))
      if (c != u' ') name.push_back(c >= u'A' && c <= u'Z' ? c + 32 : c);
    std::u16string_view rest;
    String v;
    if (stop != std::u16string_view::npos) {
      if (text[stop] == u'"') return false;
      rest = text.substr(stop + 1);
      while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
      if (!rest.empty() && rest.front() == u'=') return false;
      if (!rest.empty() && rest.front() == u'"') {
        const std::size_t close = rest.find(u'"', 1);
        v = rest.substr(1, close == std::u16string_view::npos ? close : close - 1);
        rest = close == std::u16string_view::npos ? std::u16string_view() : rest.substr(close + 1);
      } else {
        const std::size_t end = rest.find_first_of(u" \"=");
        if (end != std::u16string_view::npos && rest[end] == u'=') return false;
        v = rest.substr(0, end);
        rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
      }
    }
    if (name == wanted) {
      value = v;
      return true;
    }
    text = rest;
  }
  return false;
}

// Elements back to back in one open file read one after the other: the closing tag takes
// nothing after it, so the next element's start line is still there to be found.
TEST(LabelXml, ElementsBackToBackReadInSequence) {
  const TempDir dir("label_xml_seq");
  std::string bytes;
  for (int layer = 2; layer <= 4; ++layer) {
    bytes += "<custtextlbl sig=\"KorvexLib\" id=\"l" + std::to_string(layer) + "\">\r\n";
    bytes += "<layer val=" + std::to_string(layer) + " /></custtextlbl>\r\n";
  }
  dir.Write("in.xml", bytes);
  TextFile f;
  f.Assign(ToUtf16(dir.File("in.xml").string()));
  f.Reset();
  TCustomTextLabel label;
  for (int layer = 2; layer <= 4; ++layer) {
    ASSERT_TRUE(label.ReadFromOpenXMLFile(f, u"")) << layer;
    EXPECT_EQ(label.Layer(), layer);
  }
  EXPECT_FALSE(label.ReadFromOpenXMLFile(f, u""));
}

TEST(LabelXml, AttributeScannerMatchesSlowReference) {
  std::mt19937 rng(7);
  const char16_t alphabet[] = u"xXy =\"1,";
  for (int i = 0; i < 200000; ++i) {
    String text;
    for (int n = static_cast<int>(rng() % 14); n > 0; --n) text.push_back(alphabet[rng() % 8]);
    for (const std::u16string_view wanted : {u"x", u"y", u"xy"}) {
      String fast, slow;
      const bool a = detail::FindLabelAttribute(text, wanted, fast);
      const bool b = SlowAttribute(text, wanted, slow);
      ASSERT_EQ(a, b) << ToUtf8(text);
      ASSERT_EQ(fast, slow) << ToUtf8(text);
    }
  }
}

TEST(LabelXml, ValueParsers) {
  EXPECT_EQ(detail::LabelIntValue(u"  -42abc"), -42);
  EXPECT_EQ(detail::LabelIntValue(u"+"), 0);
  EXPECT_EQ(detail::LabelIntValue(u"2147483648"), INT32_MIN);  // wraps
  EXPECT_EQ(detail::LabelIntValue(u"- 1"), 0);
  EXPECT_EQ(detail::LabelHexValue(u"$fFz"), 0xFFu);
  EXPECT_EQ(detail::LabelHexValue(u"  1a"), 0x1Au);
  EXPECT_EQ(detail::LabelHexValue(u" $1a"), 0u);
  EXPECT_EQ(detail::LabelHexValue(u"$123456789"), 0x23456789u);
}

}  // namespace
}  // namespace krv
