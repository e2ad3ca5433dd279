#include "korvex/htmlsupport/htmlproducer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "htmlsupport/htmlproducer_reference.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::ReferenceConvert;
using testing::TempDir;

String U(const char* utf8) {
  return ToUtf16(utf8);
}

// Replaces each tag by {name:params} and notes the tag texts it was handed, '|'-separated.
struct BraceHandler {
  String seen;
  TOnHTMLTagEvent Event() {
    return [this](THtmlProducer*, String name, String params, String& replacement) {
      if (!seen.empty()) seen += u'|';
      seen += replacement;
      replacement = u"{" + name + u":" + params + u"}";
    };
  }
};

struct Case {
  const char* tmpl;
  const char* out;   // with BraceHandler
  const char* tags;  // the tag texts the handler saw
};

// clang-format off
const Case kCases[] = {
    {"", "", ""},
    {"plain text", "plain text", ""},
    {"<#date>", "{date:}", "<#date>"},
    {"<#Table  border=1  >", "{table:border=1}", "<#Table  border=1  >"},
    {"<#a>text", "{a:}text", "<#a>"},
    {"text<#a>", "text{a:}", "<#a>"},
    {"<#a><#B>", "{a:}{b:}", "<#a>|<#B>"},
    {"<p>x</p><br/>", "<p>x</p><br/>", ""},
    {"<", "<", ""},
    {"abc<", "abc<", ""},
    {"<<#a>>", "<{a:}>", "<#a>"},
    {"a<b<#c d e>f", "a<b{c:d e}f", "<#c d e>"},
    {"<#a b>c>", "{a:b}c>", "<#a b>"},
    {"<#", "{:}", "<#"},
    {"x<#", "x{:}", "<#"},
    {"<#>", "{:}", "<#>"},
    {"<# p>", "{:p}", "<# p>"},
    {"<#n   >", "{n:}", "<#n   >"},
    {"<#a\tb>", "{a\tb:}", "<#a\tb>"},
    {"<#<#a>z", "{<#a:}z", "<#<#a>"},
    {"a<#x y", "a{x:y}", "<#x y"},            // unclosed: the rest is the tag
    {"a<#x  y z  ", "a{x:y z}", "<#x  y z  "},
    {"a<#NAME", "a{name:}", "<#NAME"},
    {"<#a\r\nb>", "{a\r\nb:}", "<#a\r\nb>"},
    {"< #a>", "< #a>", ""},
    {"#<#>#", "#{:}#", "<#>"},
    {"\xE2\x82\xAC<#\xC3\x84 \xC3\xA9>", "\xE2\x82\xAC{\xC3\x84:\xC3\xA9}", "<#\xC3\x84 \xC3\xA9>"},
};
// clang-format on

TEST(THtmlProducer, TableOfCases) {
  for (const Case& c : kCases) {
    THtmlProducer p;
    p.SetTemplate(U(c.tmpl));
    EXPECT_EQ(p.Convert(), U(c.tmpl)) << c.tmpl;  // no handler: unchanged
    BraceHandler h;
    p.SetOnHTMLTag(h.Event());
    EXPECT_EQ(ToUtf8(p.Convert()), c.out) << c.tmpl;
    EXPECT_EQ(ToUtf8(p.ConvertedHTML()), c.out) << c.tmpl;
    EXPECT_EQ(ToUtf8(h.seen), c.tags) << c.tmpl;
  }
}

TEST(THtmlProducer, HandlerSeesNameAndEmptyParameters) {
  THtmlProducer p;
  String params = u"unset";
  p.SetOnHTMLTag([&](THtmlProducer* sender, String name, String prm, String& r) {
    EXPECT_EQ(sender, &p);
    params = prm;
    if (name == u"date") r = u"2020-01-01";
  });
  p.SetTemplate(u"<#date>");
  EXPECT_EQ(p.Convert(), u"2020-01-01");
  EXPECT_EQ(params, u"");
}

TEST(THtmlProducer, ReplacementIsNotScannedAgain) {
  THtmlProducer p;
  int calls = 0;
  p.SetOnHTMLTag([&](THtmlProducer*, String, String, String& r) {
    ++calls;
    r = u"<#again>";
  });
  p.SetTemplate(u"<#a>");
  EXPECT_EQ(p.Convert(), u"<#again>");
  EXPECT_EQ(calls, 1);
}

TEST(THtmlProducer, ThrowingHandlerLeavesTheOutputSoFar) {
  THtmlProducer p;
  p.SetOnHTMLTag([](THtmlProducer*, String name, String, String& r) {
    if (name == u"boom") throw std::runtime_error("boom");
    r = u"[" + name + u"]";
  });
  p.SetTemplate(u"ab<#x>cd<#boom>ef<#y>");
  EXPECT_THROW(p.Convert(), std::runtime_error);
  EXPECT_EQ(p.ConvertedHTML(), u"ab[x]cd");
  String ref;
  EXPECT_THROW(ReferenceConvert(p.Template(), p.OnHTMLTag(), &p, ref), std::runtime_error);
  EXPECT_EQ(ref, p.ConvertedHTML());
  // The next conversion starts afresh.
  p.SetTemplate(u"<#z>");
  EXPECT_EQ(p.Convert(), u"[z]");
}

TEST(THtmlProducer, HandlerMayChangeTheTemplate) {
  THtmlProducer p;
  p.SetOnHTMLTag([](THtmlProducer* s, String, String, String& r) {
    s->SetTemplate(u"");
    r = u"T";
  });
  p.SetTemplate(u"a<#x>b<#y>c");
  EXPECT_EQ(p.Convert(), u"aTbTc");
  EXPECT_EQ(p.Template(), u"");
}

// The fast scan against the step-by-step reference on random templates.
TEST(THtmlProducer, MatchesTheReference) {
  std::mt19937 rng(18);
  const String alphabet = u"<#> aBx\r\n\u20AC";
  for (int round = 0; round < 5000; ++round) {
    String tmpl(rng() % 48, u' ');
    for (Char& c : tmpl) c = alphabet[rng() % alphabet.size()];
    const bool keep = round % 3 == 0;
    TOnHTMLTagEvent handler = [keep](THtmlProducer*, String name, String params, String& r) {
      if (!keep) r = u"(" + name + u"/" + params + u"/" + r + u")";
    };
    THtmlProducer p;
    p.SetTemplate(tmpl);
    if (round % 5 != 0) p.SetOnHTMLTag(handler);
    String ref;
    ReferenceConvert(tmpl, p.OnHTMLTag(), &p, ref);
    ASSERT_EQ(p.Convert(), ref) << ToUtf8(tmpl);
  }
}

TEST(THtmlProducer, ConvertedHTMLAsStream) {
  THtmlProducer p;
  p.SetTemplate(String(u"a\u00E9\u20AC\u0100\u0080<#x>"));
  p.Convert();
  TStringStream* s = p.ConvertedHTMLAsStream();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Position(), 0);
  EXPECT_EQ(s->Bytes(), std::string("a\xE9\x80?\x80<#x>"));
  s->SetPosition(3);
  TStringStream* again = p.ConvertedHTMLAsStream();  // the first one is freed
  EXPECT_EQ(again->Position(), 0);
  EXPECT_EQ(again->Size(), 9);
}

TEST(THtmlProducer, StreamAndFileRoundTrips) {
  const TempDir dir("htmlproducer");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  THtmlProducer p;
  TStringStream in(all);
  in.SetPosition(100);  // reading starts at 0 all the same
  p.ReadTemplateFromStream(in);
  EXPECT_EQ(p.Template().size(), 256u);
  p.Convert();
  EXPECT_EQ(p.ConvertedHTMLAsStream()->Bytes(), all);
  const String out = FromAnsi(dir.File("out.html").string());
  p.WriteConvertedHTMLToFile(out);
  EXPECT_EQ(dir.Read("out.html"), all);
  // Read back as text, each line gets CR LF (the LF at 10 too), and the bytes stay as they were.
  p.ReadTemplateFromFile(out);
  p.Convert();
  p.WriteConvertedHTMLToFile(out);
  EXPECT_EQ(dir.Read("out.html"), all.substr(0, 10) + "\r\n" + all.substr(11) + "\r\n");
}

TEST(THtmlProducer, ReadTemplateFromFileEndsEveryLineWithCrLf) {
  const TempDir dir("htmlproducer_lines");
  const struct {
    const char* bytes;
    const char16_t* tmpl;
  } kFiles[] = {
      {"", u""},
      {"a", u"a\r\n"},
      {"a\r\nb\n", u"a\r\nb\r\n"},
      {"a\rb", u"a\rb\r\n"},
      {"\n\n", u"\r\n\r\n"},
      {"x\n\r\n", u"x\r\n\r\n"},
      {"\x80<#e>", u"\u20AC<#e>\r\n"},
  };
  for (const auto& f : kFiles) {
    dir.Write("t.html", f.bytes);
    THtmlProducer p;
    p.SetTemplate(u"old");
    p.ReadTemplateFromFile(FromAnsi(dir.File("t.html").string()));
    EXPECT_EQ(p.Template(), f.tmpl) << f.bytes;
  }
}

TEST(THtmlProducer, FileErrorsRaiseInOutError) {
  const TempDir dir("htmlproducer_errors");
  THtmlProducer p;
  p.SetTemplate(u"kept");
  EXPECT_THROW(p.ReadTemplateFromFile(FromAnsi(dir.File("missing").string())), EInOutError);
  EXPECT_EQ(p.Template(), u"kept");
  p.Convert();
  EXPECT_THROW(p.WriteConvertedHTMLToFile(FromAnsi(dir.File("no/dir/x").string())), EInOutError);
  if (std::filesystem::exists("/dev/full")) {
    IOChecksOff off;  // the caller's setting does not hide the failure
    EXPECT_THROW(p.WriteConvertedHTMLToFile(u"/dev/full"), EInOutError);
    p.SetTemplate(String(200000, u'x'));
    p.Convert();
    EXPECT_THROW(p.WriteConvertedHTMLToFile(u"/dev/full"), EInOutError);
  }
}

TEST(THtmlProducer, OwnerFreesIt) {
  TComponent owner;
  auto* p = new THtmlProducer(&owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(p->ClassName(), u"THtmlProducer");
  p->SetTemplate(u"x");
  p->Convert();
  p->ConvertedHTMLAsStream();  // freed with the producer
}

}  // namespace
}  // namespace krv
