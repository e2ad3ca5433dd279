// krv html: fills the special tags <#name params> of an HTML template with THtmlProducer, and
// counts the words of HTML text outside its tags with CountWordsHTML.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "encoding.h"
#include "io.h"
#include "korvex/dstruct/assocarray.h"
#include "korvex/htmlsupport/htmlproducer.h"
#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  std::string file = "-", output = "-", encoding = "auto";
  std::vector<std::string> sets, values;
  bool strict = false, ignore_numbers = false;
};

std::string ReadAll(Input& in) {
  std::string bytes;
  char buf[1 << 16];
  while (std::size_t n = in.Read(buf, sizeof buf)) bytes.append(buf, n);
  return bytes;
}

// The text of a file's bytes under --encoding; utf8 tells which reading was taken.
String Decode(const std::string& bytes, const std::string& encoding, const std::string& name,
              bool& utf8) {
  if (encoding == "windows-1252") {
    utf8 = false;
    return FromAnsi(bytes);
  }
  if (encoding == "utf-8") {
    const std::size_t valid = Utf8Prefix(bytes);
    if (valid < bytes.size())
      throw Failure{name, "not valid UTF-8 at byte " + std::to_string(valid + 1) +
                              "; --encoding=windows-1252 reads the file as Windows-1252"};
  }
  String text = DecodeText(bytes, utf8);
  if (utf8 && !text.empty() && text[0] == 0xFEFF) text.erase(0, 1);  // byte order mark
  return text;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Stores NAME=VALUE (NAME trimmed of blanks and tabs, VALUE as it stands); false when the
// text has no '=' or an empty NAME.
bool AddValue(TAssocArray& values, std::u16string_view line) {
  const std::size_t eq = line.find(u'=');
  if (eq == std::u16string_view::npos) return false;
  const std::string name = ToUtf8(line.substr(0, eq));
  const std::string_view trimmed = TrimBlanks(name);
  if (trimmed.empty()) return false;
  values.Add(ToUtf16(trimmed), Variant(String(line.substr(eq + 1))));
  return true;
}

// A values file: NAME=VALUE lines; blank lines and lines starting with '#' are skipped.
void ReadValues(const std::string& file, const std::string& encoding, TAssocArray& values) {
  Input in(file);
  bool utf8 = false;
  const String text = Decode(ReadAll(in), encoding, file, utf8);
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == String::npos) end = text.size();
    std::u16string_view line = std::u16string_view(text).substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    const std::string plain = ToUtf8(line);
    const std::string_view t = TrimBlanks(plain);
    if (t.empty() || t[0] == '#') continue;
    if (!AddValue(values, line))
      throw Failure{file + ":" + std::to_string(number), "expected NAME=VALUE"};
  }
}

// The bytes of the result: UTF-8, or Windows-1252 with &#N; for what it cannot hold.
std::string Encode(const String& text, bool utf8) {
  if (utf8) return ToUtf8(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char b;
    if (CharToAnsi(text[i], b)) {
      out += static_cast<char>(b);
      continue;
    }
    unsigned long code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out += "&#" + std::to_string(code) + ";";
  }
  return out;
}

// A tag's name for a one-line message: as it stands when it is short and plain, otherwise in
// double quotes with control characters, quotes and backslashes escaped (\n, \t, \x01...)
// and cut to kShownChars characters (an unterminated tag runs to the end of the template).
std::string ShownTagName(const String& name) {
  constexpr std::size_t kShownChars = 40;
  const std::string utf8 = ToUtf8(name);
  std::string shown;
  bool plain = !utf8.empty(), cut = false;
  std::size_t chars = 0;
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if ((u & 0xC0) != 0x80 && chars++ == kShownChars) {
      cut = true;
      break;
    }
    if (u < 32 || u == 127 || c == '"' || c == '\\' || c == ' ') plain = false;
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '"' || c == '\\') {
      shown += {'\\', c};
    } else if (u < 32 || u == 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      shown += buf;
    } else {
      shown += c;
    }
  }
  if (plain && !cut) return shown;
  return "\"" + shown + (cut ? "...\"" : "\"");
}

int Fill(const Options& o) {
  Output out(o.output);
  TAssocArray values;
  for (const std::string& file : o.values) ReadValues(file, o.encoding, values);
  for (const std::string& set : o.sets)
    if (!AddValue(values, ToUtf16(set))) throw Failure{"--set", "expected NAME=VALUE: " + set};

  Input in(o.file);
  in.ShowProgress();
  bool utf8 = false;
  THtmlProducer producer;
  producer.SetTemplate(Decode(ReadAll(in), o.encoding, o.file, utf8));
  std::vector<String> missing;
  producer.SetOnHTMLTag([&](THtmlProducer*, String name, String, String& replacement) {
    const Variant v = values.Resolve(name);
    if (!v.IsNull()) {
      replacement = values.ResolveAsString(name);
      return;
    }
    for (const String& m : missing)
      if (m == name) return;
    missing.push_back(name);
  });
  producer.Convert();
  for (const String& name : missing)
    Report(Failure{o.file, "no value for tag " + ShownTagName(name)});
  if (o.strict && !missing.empty()) return kExitError;
  out.Write(Encode(producer.ConvertedHTML(), utf8));
  out.Commit();
  return kExitOk;
}

int Words(const Options& o) {
  Output out("-");
  Input in(o.file);
  in.ShowProgress();
  bool utf8 = false;
  const String text = Decode(ReadAll(in), o.encoding, o.file, utf8);
  bool inside = false;
  std::int64_t words = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(u'\n', start);
    String line;
    if (end == String::npos) {
      // A last line without its line end counts as if it had one: its last word counts.
      line = text.substr(start) + u"\n";
      end = text.size();
    } else {
      line = text.substr(start, end + 1 - start);
    }
    words += CountWordsHTML(line, o.ignore_numbers, inside);
    start = end + 1;
  }
  out.Write(std::to_string(words) + "\n");
  out.Commit();
  return kExitOk;
}

void AddEncoding(CLI::App& sub, Options& o) {
  sub.add_option("--encoding", o.encoding, "how the files' bytes are read (default auto)")
      ->transform(OneOf({"auto", "utf-8", "windows-1252"}))
      ->option_text("=auto|utf-8|windows-1252");
}

constexpr const char* kEncodingText =
    "Files are read as UTF-8 when their bytes are valid UTF-8 (a byte order mark is\n"
    "dropped), otherwise as Windows-1252, the code page of the library's text files;\n"
    "--encoding=utf-8 or --encoding=windows-1252 chooses.";

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  static const std::string fill_text =
      std::string(
          "Copies TEMPLATE and replaces every special tag <#name parameters> by the value\n"
          "given for its name; names ignore ASCII case, and the parameters are not used.\n"
          "Values are inserted as they stand (they may hold HTML). A tag without a value is\n"
          "left as it stands and named on standard error, once per name, as\n"
          "'krv html: TEMPLATE: no value for tag NAME'; the output is still written and the\n"
          "exit status is 0, unless --strict makes it an error (exit status 2, nothing\n"
          "written). A tag ends at the first '>' (or at the end of the template); other\n"
          "tags and text are copied unchanged. A NAME that holds blanks, quotes or control\n"
          "characters (an unterminated tag runs to the end of the template) is shown in\n"
          "double quotes, escaped as in C (\\n, \\t, \\x01) and cut after 40 characters.\n\n"
          "--values FILE holds one NAME=VALUE a line (the same form as --set): NAME is\n"
          "trimmed of blanks and tabs, VALUE is the rest of the line after the first '='\n"
          "as it stands; blank lines and lines starting with '#' are skipped, lines end at\n"
          "LF or CR LF. Values files are read in order, then every --set; a later value\n"
          "for a name replaces an earlier one.\n\n") +
      kEncodingText +
      "\n\nThe output has the template's encoding; in Windows-1252 a character it cannot\n"
      "hold is written as a numeric reference &#N;. OUT is replaced only when complete.";
  CLI::App* fill = AddMode(
      app, {.name = "fill",
            .summary = "fill the special tags <#name> of a template with values",
            .usage = "krv html fill [--set NAME=VALUE]... [--values FILE]... [--strict]\n"
                     "              [--encoding=E] [-o OUT] [TEMPLATE]",
            .description = fill_text,
            .exit_status = "0  the filled template was written (tags without a value are named\n"
                           "   on standard error)\n"
                           "2  --strict and a tag without a value, a file cannot be read or\n"
                           "   written, a malformed values line, or a usage error",
            .examples = "krv html fill page.tmpl --set title=Report --set date=2024-05-01\n"
                        "krv html fill page.tmpl --values site.values -o page.html"});
  fill->add_option("TEMPLATE", o->file, "the template ('-' or none: standard input)");
  fill->add_option("--set", o->sets, "a value for the tags named NAME")
      ->option_text(" NAME=VALUE")
      ->allow_extra_args(false);
  fill->add_option("--values", o->values, "a file of NAME=VALUE lines")
      ->option_text(" FILE")
      ->allow_extra_args(false);
  fill->add_flag("--strict", o->strict, "a tag without a value is an error");
  AddEncoding(*fill, *o);
  AddOutputOption(*fill, o->output);
  AddQuietFlag(*fill);

  static const std::string words_text =
      std::string(
          "Prints the number of words outside the tags of an HTML file, counted line by\n"
          "line with the library's CountWordsHTML: a word is a run of two or more\n"
          "characters ended by a separator (blank, punctuation, line end...); text between\n"
          "'<' and '>' is skipped, also across lines. A last line without a line end is\n"
          "counted as if it had one. --ignore-numbers leaves out words that start with a\n"
          "digit.\n\n") +
      kEncodingText;
  CLI::App* words =
      AddMode(app, {.name = "words",
                    .summary = "count the words outside the tags of an HTML file",
                    .usage = "krv html words [--ignore-numbers] [--encoding=E] [FILE]",
                    .description = words_text,
                    .exit_status = "0  the count was printed\n"
                                   "2  FILE cannot be read, or a usage error",
                    .examples = "krv html words index.html\n"
                                "krv html words --ignore-numbers - < report.html"});
  words->add_option("FILE", o->file, "the HTML file ('-' or none: standard input)");
  words->add_flag("--ignore-numbers", o->ignore_numbers,
                  "do not count words starting with a digit");
  AddEncoding(*words, *o);
  AddQuietFlag(*words);

  app.require_subcommand(1);
  return [o, fill, words] {
    if (fill->parsed()) return Fill(*o);
    if (words->parsed()) return Words(*o);
    throw Failure{"", "no mode given (fill or words)"};
  };
}

const KrvCommand reg{
    {.name = "html",
     .summary = "HTML templates and text: fill, words",
     .usage = "krv html fill [--set NAME=VALUE]... [--values FILE]... [-o OUT] [TEMPLATE]\n"
              "krv html words [--ignore-numbers] [FILE]",
     .description = "Fills the special tags <#name> of HTML templates and counts the words of\n"
                    "HTML text outside its tags. Files are read as UTF-8 when valid, otherwise\n"
                    "as Windows-1252 (--encoding chooses). 'krv help html MODE' shows one\n"
                    "mode's page.",
     .exit_status = "0  success (fill: also when tags were left without a value)\n"
                    "2  every error: unreadable files, malformed values, usage",
     .examples = "krv html fill page.tmpl --set title=Report -o page.html\n"
                 "krv html words index.html"},
    &Setup};

}  // namespace
}  // namespace krv::tool
