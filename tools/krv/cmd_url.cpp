// krv url: percent-coding of URL text with the library's URLEncode and URLDecode.
//
// The coding works on bytes: each byte of TEXT (UTF-8 as given on the command line) is one
// character for the library, so a %XX code stands for one byte, as on the web.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "encoding.h"
#include "io.h"
#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  std::vector<std::string> texts;
};

String BytesToChars(const std::string& bytes) {
  String s(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) s[i] = static_cast<unsigned char>(bytes[i]);
  return s;
}

// Both codings only make characters 0-255 out of characters 0-255.
std::string CharsToBytes(const String& s) {
  std::string bytes(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) bytes[i] = static_cast<char>(s[i] & 0xFF);
  return bytes;
}

std::string EncodeText(const std::string& text) {
  return CharsToBytes(URLEncode(BytesToChars(text)));
}

// The decoded bytes are read as UTF-8 when they are UTF-8, otherwise as Windows-1252.
std::string DecodeUrl(const std::string& text) {
  bool utf8 = false;
  return ToUtf8(DecodeText(CharsToBytes(URLDecode(BytesToChars(text))), utf8));
}

// Codes each TEXT; '-' stands for the lines of standard input, each coded on its own.
int Run(const Options& o, std::string (*code)(const std::string&)) {
  Output out("-");
  for (const std::string& text : o.texts) {
    if (text != "-") {
      out.Write(code(text) + "\n");
      continue;
    }
    Input in("-");
    std::string pending;
    char buf[1 << 16];
    auto line_out = [&](std::string line) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.Write(code(line) + "\n");
    };
    while (std::size_t n = in.Read(buf, sizeof buf)) {
      pending.append(buf, n);
      std::size_t start = 0;
      for (std::size_t lf; (lf = pending.find('\n', start)) != std::string::npos; start = lf + 1)
        line_out(pending.substr(start, lf - start));
      pending.erase(0, start);
    }
    if (!pending.empty()) line_out(pending);
  }
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* encode = AddMode(
      app, {.name = "encode",
            .summary = "percent-code the reserved characters of a text",
            .usage = "krv url encode TEXT...",
            .description =
                "Prints each TEXT on its own line with the 20 characters\n"
                "  blank ! * ' ( ) ; : @ & = + $ , / ? % # [ ]\n"
                "replaced by % and their code in two upper-case hexadecimal digits (the\n"
                "library's URLEncode). Every other byte, letters and UTF-8 sequences included,\n"
                "is kept as it is. A TEXT of '-' codes each line of standard input (its line\n"
                "end, LF or CR LF, is not coded).",
            .exit_status = "0  the texts were printed\n2  standard input cannot be read, or a "
                           "usage error",
            .examples = "krv url encode 'a b/c'\nkrv url encode - < names.txt"});
  KeepOperands(encode->add_option("TEXT", o->texts, "text to code ('-': lines of standard input)")
                   ->required());
  CLI::App* decode = AddMode(
      app, {.name = "decode",
            .summary = "decode the %XX codes of a URL text",
            .usage = "krv url decode TEXT...",
            .description =
                "Prints each TEXT on its own line with every % followed by two hexadecimal\n"
                "digits replaced by the byte of that code, done twice (the library's\n"
                "URLDecode), so text coded twice comes out plain: %2541 gives A. A % without\n"
                "two hexadecimal digits after it is kept, and + stays +. The decoded bytes\n"
                "are printed as they are when they form UTF-8 (%C3%A9 gives é), otherwise\n"
                "read as Windows-1252 and printed in UTF-8 (%E9 gives é too). A TEXT of '-'\n"
                "decodes each line of standard input.",
            .exit_status = "0  the texts were printed\n2  standard input cannot be read, or a "
                           "usage error",
            .examples = "krv url decode 'a%20b%2Fc'\nkrv url decode - < urls.txt"});
  KeepOperands(decode->add_option("TEXT", o->texts, "text to decode ('-': lines of standard input)")
                   ->required());
  app.require_subcommand(1);
  return [o, encode, decode] {
    if (encode->parsed()) return Run(*o, EncodeText);
    if (decode->parsed()) return Run(*o, DecodeUrl);
    throw Failure{"", "no mode given (encode or decode)"};
  };
}

const KrvCommand reg{{.name = "url",
                      .summary = "URL percent-coding: encode, decode",
                      .usage = "krv url encode TEXT...\nkrv url decode TEXT...",
                      .description = "Percent-codes text for URLs and decodes it, byte by byte, "
                                     "with the\nlibrary's URLEncode and URLDecode. 'krv help url "
                                     "MODE' shows one mode's page.",
                      .exit_status = "0  success\n2  every error: unreadable input, usage",
                      .examples = "krv url encode 'a b/c'\nkrv url decode 'a%20b%2Fc'"},
                     &Setup};

}  // namespace
}  // namespace krv::tool
