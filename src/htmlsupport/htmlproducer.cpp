#include "korvex/htmlsupport/htmlproducer.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "korvex/streams/text_io.h"

namespace krv {
namespace {

using View = std::u16string_view;

// The byte a character is written as: its own code up to 255, else its Windows-1252 byte.
unsigned char OutputByte(Char c) {
  if (c <= 0xFF) return static_cast<unsigned char>(c);
  unsigned char b = '?';
  return CharToAnsi(c, b) ? b : '?';
}

// The index of the first `c` in text[from, size), or the size when there is none. Works on
// four characters a step, which the compiler turns into wide compares.
std::size_t FindChar(View text, std::size_t from, Char c) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
  for (; i + 4 <= n; i += 4) {
    if ((p[i] == c) | (p[i + 1] == c) | (p[i + 2] == c) | (p[i + 3] == c)) break;
  }
  for (; i < n; ++i)
    if (p[i] == c) return i;
  return n;
}

View TrimBlanks(View s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

std::int32_t ClampPos(std::size_t pos) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(pos, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

THtmlProducer::THtmlProducer(TComponent* AOwner) : TComponent(AOwner) {}

THtmlProducer::~THtmlProducer() = default;

String THtmlProducer::ClassName() const {
  return u"THtmlProducer";
}

void THtmlProducer::SetTemplate(const String& value) {
  FTemplate = value;
}

String THtmlProducer::Convert() {
  FConvertedHTML.clear();
  FSPos = 0;
  // A copy, so that a handler that changes the template cannot pull the text from under the
  // scan.
  const String source = FTemplate;
  const View text = source;
  const std::size_t n = text.size();
  String out;
  out.reserve(n + n / 8);
  std::size_t pos = 0;  // the next character to consume (0-based)
  try {
    while (pos < n) {
      std::size_t lt = FindChar(text, pos, u'<');
      // `<` that is last or not followed by '#' is plain text: keep looking past it.
      while (lt + 1 < n && text[lt + 1] != u'#') lt = FindChar(text, lt + 1, u'<');
      if (lt + 1 >= n) {
        out.append(text.substr(pos));
        pos = n;
        break;
      }
      out.append(text.substr(pos, lt - pos));
      const std::size_t gt = FindChar(text, lt + 2, u'>');
      const std::size_t end = gt < n ? gt : n - 1;  // index of the tag's last character
      const View body = text.substr(lt + 2, (gt < n ? gt : n) - (lt + 2));
      const std::size_t blank = body.find(u' ');
      String name(body.substr(0, blank));
      for (Char& c : name) c = AsciiLower(c);
      const String params(blank == View::npos ? View() : TrimBlanks(body.substr(blank + 1)));
      String replacement(text.substr(lt, end + 1 - lt));
      pos = end + 1;
      FSPos = ClampPos(pos);
      if (FOnHTMLTag) FOnHTMLTag(this, std::move(name), params, replacement);
      out.append(replacement);
    }
  } catch (...) {
    FConvertedHTML = std::move(out);
    throw;
  }
  FSPos = ClampPos(n);
  FConvertedHTML = std::move(out);
  return FConvertedHTML;
}

TStringStream* THtmlProducer::ConvertedHTMLAsStream() {
  FStrStream.reset();
  std::string bytes(FConvertedHTML.size(), '\0');
  for (std::size_t i = 0; i < FConvertedHTML.size(); ++i)
    bytes[i] = static_cast<char>(OutputByte(FConvertedHTML[i]));
  FStrStream = std::make_unique<TStringStream>(std::move(bytes));
  return FStrStream.get();
}

void THtmlProducer::WriteConvertedHTMLToFile(const String& FName) {
  IOChecksOn checks;
  TextFile f;
  f.Assign(FName);
  f.Rewrite();
  // TextFile writes Windows-1252; hand it the character that stands for each output byte.
  constexpr std::size_t kChunk = 1 << 16;
  String chunk;
  for (std::size_t at = 0; at < FConvertedHTML.size(); at += kChunk) {
    const std::size_t len = std::min(kChunk, FConvertedHTML.size() - at);
    chunk.resize(len);
    for (std::size_t i = 0; i < len; ++i) chunk[i] = AnsiToChar(OutputByte(FConvertedHTML[at + i]));
    f.Write(chunk);
  }
  f.Close();
}

void THtmlProducer::ReadTemplateFromFile(const String& FName) {
  IOChecksOn checks;
  TextFile f;
  f.Assign(FName);
  f.Reset();
  FTemplate.clear();
  String text;
  while (!f.Eof()) {
    text += f.ReadLn();
    text += u"\r\n";
  }
  f.Close();
  FTemplate = std::move(text);
}

void THtmlProducer::ReadTemplateFromStream(TStream& InStream) {
  InStream.SetPosition(0);
  FTemplate = StreamAsString(InStream);
}

}  // namespace krv
