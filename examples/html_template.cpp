// HTML templates: THtmlProducer fills a page from values.
//
// A template is ordinary HTML with special tags <#name parameters>. Convert copies the
// template and asks a handler for the text of each special tag; everything else is copied
// unchanged. Values are made safe for HTML with MakeStringHTMLCompatible.
#include <korvex/korvex.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

}  // namespace

int main() {
  krv::PackageLoad();

  // The values the page shows, and a template that names them.
  const std::map<krv::String, krv::String> values = {
      {u"title", u"Run 42"}, {u"operator", u"Lee & Søren"}, {u"result", u"3.25 < 4"}};
  krv::THtmlProducer page;
  page.SetTemplate(
      u"<html><body>\r\n<h1><#value title></h1>\r\n"
      u"<p>Operator: <#value operator></p>\r\n<p>Result: <#value result></p>\r\n"
      u"<p><#date></p>\r\n</body></html>\r\n");

  // The handler: tag names arrive lower-cased, parameters trimmed.
  int unknown_tags = 0;
  page.SetOnHTMLTag(
      [&](krv::THtmlProducer*, krv::String tag, krv::String params, krv::String& text) {
        if (tag == u"value" && values.contains(params)) {
          text = krv::MakeStringHTMLCompatible(values.at(params));
        } else {
          ++unknown_tags;
          text = u"<!-- unknown tag -->";
        }
      });
  const krv::String html = page.Convert();
  std::printf("%s", krv::ToUtf8(html).c_str());
  Expect(html.find(u"<h1>Run 42</h1>") != krv::String::npos, "the title is filled in");
  Expect(html.find(u"Lee &amp; S&oslash;ren") != krv::String::npos, "values are escaped");
  Expect(unknown_tags == 1, "one tag had no value");

  // The readable text of the page, one line per block.
  const krv::String text = krv::ConvertHTMLBodyToText(html, u'|');
  std::printf("as text: %s\n", krv::ToUtf8(text).c_str());
  Expect(text == krv::ToUtf16("Run 42|Operator: Lee & Søren|Result: 3.25 < 4"), "text of the page");

  // The page written to a file (Windows-1252 bytes) and read back as a template.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("korvex_html_" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(folder);
  const krv::String file = krv::ToUtf16((folder / "page.html").string());
  page.WriteConvertedHTMLToFile(file);
  krv::THtmlProducer reread;
  reread.ReadTemplateFromFile(file);
  Expect(reread.Convert() == html, "the file holds the page");
  std::filesystem::remove_all(folder);

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
