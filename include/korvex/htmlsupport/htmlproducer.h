// THtmlProducer: a template engine that copies an HTML template and hands every special tag
// `<#name parameters>` to a handler, which supplies the text that replaces the tag.
//
// Convert scans the template once, left to right, in time linear in the template and the
// replacements:
// - text other than a `<` directly followed by `#` is copied unchanged (ordinary tags such as
//   `<p>` and a `<` at the very end included);
// - a `<#` starts a special tag, which ends at the first `>` after it, or at the end of the
//   template when no `>` follows (the tag text is then the rest of the template);
// - the tag name runs from after `<#` to the first blank or the closing `>`, whichever comes
//   first, and is lower-cased with ASCII folding (A-Z only); in an unclosed tag it may run to
//   the end of the template;
// - the parameters are the text between that first blank and the closing `>` (to the end of
//   the template in an unclosed tag), with leading and trailing blanks (code 32 only) removed;
// - the replacement starts as the whole tag text; the handler, when one is assigned, may change
//   it; it is appended to the output as it is (never scanned again), and scanning continues
//   after the tag.
// Without a handler the output equals the template. An exception thrown by the handler passes
// through Convert, and ConvertedHTML then holds the output made before that tag.
//
// Bytes. The file and stream operations use one byte per character. Reading a file
// (ReadTemplateFromFile) takes the bytes as Windows-1252 text, like every text file of the
// library; reading a stream (ReadTemplateFromStream) takes each byte as the character of the
// same code, like the library's stream routines. Writing (WriteConvertedHTMLToFile and
// ConvertedHTMLAsStream) turns a character of code 0-255 into that byte and any other
// character into its Windows-1252 byte (€ into 0x80), or '?' when it has none. So a template
// read from a file or from a stream and converted without handler is written back byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

class THtmlProducer;

// The handler of special tags: TagName is lower-cased, Params trimmed of blanks; Replacement
// holds the whole tag text on entry and the text that replaces the tag on return.
using TOnHTMLTagEvent =
    std::function<void(THtmlProducer* Sender, String TagName, String Params, String& Replacement)>;

class THtmlProducer : public TComponent {
 public:
  // Empty template and result, no handler, no stream.
  explicit THtmlProducer(TComponent* AOwner = nullptr);
  // Frees the stream last returned by ConvertedHTMLAsStream.
  ~THtmlProducer() override;
  String ClassName() const override;

  const String& Template() const { return FTemplate; }
  void SetTemplate(const String& value);
  // The result of the last conversion (the output so far when a handler threw).
  const String& ConvertedHTML() const { return FConvertedHTML; }
  const TOnHTMLTagEvent& OnHTMLTag() const { return FOnHTMLTag; }
  void SetOnHTMLTag(TOnHTMLTagEvent handler) { FOnHTMLTag = std::move(handler); }

  // Converts the template (see above); returns the result and keeps it in ConvertedHTML.
  String Convert();

  // A string stream holding ConvertedHTML (one byte per character, see above), at position 0.
  // The stream belongs to the producer: the next call and the producer's destruction free it,
  // so the caller must neither free it nor use it after either.
  TStringStream* ConvertedHTMLAsStream();

  // Creates (or overwrites) the file FName and writes ConvertedHTML to it exactly, with no line
  // end added. Raises EInOutError when the file cannot be created or written, whatever the
  // caller's I/O-checking setting is; a failed write may leave a partly written file.
  void WriteConvertedHTMLToFile(const String& FName);

  // Opens the text file FName (EInOutError when it cannot be opened or read; the template is
  // then unchanged, or empty after a read error), and makes its lines, each followed by CR LF,
  // the template. An empty file gives the empty template.
  void ReadTemplateFromFile(const String& FName);

  // Moves InStream to position 0 and makes its whole content, one character per byte, the
  // template (StreamAsString). Errors of the stream pass through.
  void ReadTemplateFromStream(TStream& InStream);

 private:
  String FTemplate;
  TOnHTMLTagEvent FOnHTMLTag;
  std::int32_t FSPos = 0;  // 1-based position of the last character consumed by Convert
  String FConvertedHTML;
  std::unique_ptr<TStringStream> FStrStream;
};

}  // namespace krv
KORVEX_API_END
