// Chart settings objects: TCustomTextLabel (a positioned text label with colours, shadow,
// drawing mode and its own font), TDTLabel (how date and time axis labels are formatted) and
// TCrossHair (a cross-hair cursor). Each reports changes through OnChange(Sender) and copies
// itself, with its OnChange handler, through Assign.
//
// A label is also stored as a small XML-like element in a text file (label_xml.cpp):
//
//   P<?xml version="1.0"?>                  (only with the header flag)
//                                           (an empty line)
//   P<!-- TCustomTextLabel / Korvex -->
//   P<custtextlbl sig="KorvexLib" vers="1.0" id="ID">
//   P  <posxy x=X y=Y />
//   P  <caption>CAPTION</caption>
//   P  <colors brd=$BBGGRR bg=$BBGGRR shdw=$BBGGRR />
//   P  <shadowofs dx=N dy=N />
//   P  <layer val=N />
//   P  <transparent val=0|1 />
//   P  <visible val=0|1 />
//   P  <alignment horiz=WORD vert=WORD />
//   P  <attachmode val=WORD />
//   P  <font name="NAME" size=N color=$BBGGRR style="fsBold fsItalic ..." />
//   P  <style val=WORD />
//   P</custtextlbl>
//
// P is the indent clamped to 1..255 blanks; lines end in CR LF; text is not escaped. The
// coordinates are written in exponent notation with 17 significant digits, so they read back
// exactly; colours keep only their low 24 bits.
//
// Choices made here:
// - The reader also takes back attachmode, font (name, size through TFont::SetSize, colour,
//   styles) and style, so a written label reads back equal (up to the colours' high bytes, a
//   caption holding ">" or "</", and a font name holding a double quote). For these three
//   elements only the attributes present are taken; a missing one keeps its value.
// - Identifiers and tag names are compared after the library's locale folding
//   (UnicodeLowerCase).
// - A closing tag ("</name>") has no content: the reader does not go on to the next ">",
//   which would swallow the text after the element (or run into the end of the file).
// - Memory: the search keeps at most kTxtLblMaxTextChars characters of a line (a longer line
//   never qualifies); a tag or a content longer than that is malformed and ends the reading
//   as the end of the file would (result false, OnChange fires).
// - Integers that overflow 32 bits wrap around, as the digit loop of the original does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "korvex/base/enums.h"
#include "korvex/base/types.h"
#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The most characters the label reader keeps of one line, one tag or one content.
inline constexpr std::size_t kTxtLblMaxTextChars = std::size_t{1} << 20;

class TCustomTextLabel : public TPersistent {
 public:
  // At (100, 10), layer 1, centred, bottom-aligned, grey shadow, silver background, black
  // border, simple mode, visible, empty caption, a new font.
  TCustomTextLabel();
  ~TCustomTextLabel() override;
  TCustomTextLabel(const TCustomTextLabel&) = delete;
  TCustomTextLabel& operator=(const TCustomTextLabel&) = delete;

  String ClassName() const override;
  // From another TCustomTextLabel: every setting, the font by value and the OnChange
  // handler; no event. Other sources are refused with EConvertError.
  void Assign(const TPersistent* Source) override;
  // Fires OnChange when it is assigned.
  void Changed();

  double PosX() const { return FPosX; }
  double PosY() const { return FPosY; }
  std::int32_t Layer() const { return FLayer; }
  std::int32_t XShadow() const { return FXShadow; }
  std::int32_t YShadow() const { return FYShadow; }
  TColor ColorShadow() const { return FColorShadow; }
  TAlignment Alignment() const { return FAlignment; }
  TVerticalAlignment VertAlign() const { return FVertAlign; }
  TTxtLblAttachMode AttachDat() const { return FAttachDat; }
  TColor ColorBkg() const { return FColorBkg; }
  TColor ColorBrd() const { return FColorBrd; }
  bool TransPar() const { return FTransPar; }
  // The label's own font; changing it directly fires no event.
  TFont* Font() { return FFont.get(); }
  const TFont* Font() const { return FFont.get(); }
  const String& Caption() const { return FCaption; }
  TTxtLblMode Mode() const { return FMode; }
  bool Visible() const { return FVisible; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // Each setter stores its value and fires OnChange, also when the value is the same.
  void SetTxtLblPosX(double value);
  void SetTxtLblPosY(double value);
  // Only 1..16 are taken; other values change nothing and fire nothing.
  void SetTxtLblLayer(std::int32_t value);
  void SetTxtLblScreenPos(TTxtLblAttachMode value);
  void SetTxtLblAlignment(TAlignment value);
  void SetTxtLblVertAlignment(TVerticalAlignment value);
  void SetTxtLblColorBkg(TColor value);
  void SetTxtLblColorBrd(TColor value);
  void SetTxtLblColorShadow(TColor value);
  void SetTxtLblShadowDx(std::int32_t value);
  void SetTxtLblShadowDy(std::int32_t value);
  void SetTxtLblVisible(bool value);
  void SetTxtLblTranspar(bool value);
  void SetTxtLblMode(TTxtLblMode value);
  // Copies value into the label's own font (a null font changes nothing but still fires).
  void SetTxtLblFont(const TFont* value);
  // Every character below 32 except line feed becomes a blank.
  void SetTxtLblCaption(const String& value);

  // Writes the element (format above) at the file's position. With I/O checking on, a
  // failed write raises EInOutError.
  void WriteToOpenXMLFile(TextFile& OutFile, bool CreateHeader, const String& ID,
                          std::int32_t Indent) const;
  // Searches from the file's position for the element with the signature and ID (any case;
  // an empty ID takes the first element) and reads it. True when its closing tag was read.
  // No element found: false, nothing changed, no event. Otherwise OnChange fires once at
  // the end, also when the file ends inside the element (false, the values read stay).
  bool ReadFromOpenXMLFile(TextFile& InFile, const String& ID);
  // The same search and reading from a stream of bytes, each byte one Windows-1252
  // character as TextFile reads it, for input that has no name (a pipe, standard input).
  // The stream is read once, a block at a time, from its position; when it can seek back it
  // is left just after the last character used. When other_labels is given it tells whether
  // an element with the signature but another ID was passed over: with it, a caller can
  // tell "no such label" from "no label at all".
  bool ReadFromXMLStream(TStream& InStream, const String& ID, bool* other_labels = nullptr);

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  // Applies one element of the file; true for the closing tag.
  bool ApplyXmlElement(const String& name, const String& attributes, const String& content);

  double FPosX = 100.0;
  double FPosY = 10.0;
  std::int32_t FLayer = 1;
  std::int32_t FXShadow = 0;
  std::int32_t FYShadow = 0;
  TColor FColorShadow = 0x808080;
  TAlignment FAlignment = taCenter;
  TVerticalAlignment FVertAlign = vaBottom;
  TTxtLblAttachMode FAttachDat = tlamNone;
  TColor FColorBkg = 0xC0C0C0;
  TColor FColorBrd = 0;
  bool FTransPar = false;
  std::unique_ptr<TFont> FFont;
  String FCaption;
  TTxtLblMode FMode = tlsimple;
  TNotifyEvent FOnChange;
  bool FVisible = true;
};

// Date and time label settings; a new object has every value zero.
class TDTLabel : public TPersistent {
 public:
  String ClassName() const override;
  // From another TDTLabel: the seven settings and the OnChange handler; no event.
  void Assign(const TPersistent* Source) override;
  void Changed();

  TTimeFormat TimeFormat() const { return FTimeFormat; }
  Char DateSeparator() const { return FDateSeparator; }
  Char TimeSeparator() const { return FTimeSeparator; }
  TYearLength YearLength() const { return FYearLength; }
  bool MonthName() const { return FMonthName; }
  TDateOrder DateOrder() const { return FDateOrder; }
  TDateForTime DateForTime() const { return FDateForTime; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // Fire OnChange on every call.
  void SetTimeFormat(TTimeFormat value);
  void SetDAteOrder(TDateOrder value);
  // Fire OnChange only when the value differs from the stored one.
  void SetDateSeparator(Char value);
  void SetTimeSeparator(Char value);
  void SetYearLength(TYearLength value);
  void SetDateForTime(TDateForTime value);
  void SetMonthName(bool value);

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  TTimeFormat FTimeFormat = tfHHMMSS;
  Char FDateSeparator = 0;
  Char FTimeSeparator = 0;
  TYearLength FYearLength = ylNone;
  bool FMonthName = false;
  TDateOrder FDateOrder = doMMDDYY;
  TDateForTime FDateForTime = dtNone;
  TNotifyEvent FOnChange;
};

// A cross-hair cursor; a new object has every value zero (black, chOff, solid pen, layer 0).
class TCrossHair : public TPersistent {
 public:
  String ClassName() const override;
  // From another TCrossHair: position, colour, mode, line type and width, layer and the
  // OnChange handler; no event.
  void Assign(const TPersistent* Source) override;
  void Changed();

  double PosX() const { return FPosX; }
  double PosY() const { return FPosY; }
  TColor Color() const { return FColor; }
  std::int32_t Layer() const { return FLayer; }
  TCrossHMode Mode() const { return FMode; }
  TPenStyle LineType() const { return FLineType; }
  std::int32_t LineWid() const { return FLineWid; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

  // Fire OnChange on every call.
  void SetCrossHPosX(double value);
  void SetCrossHPosY(double value);
  void SetCrossHColor(TColor value);
  void SetCrossHMode(TCrossHMode value);
  void SetCrossHLineType(TPenStyle value);
  void SetCrossHLineWid(std::int32_t value);
  // Clamps to 1..2 (below 1 gives 1, above 2 gives 2); fires OnChange.
  void SetCrossHLayer(std::int32_t value);
  // Stores both and fires once when either differs from the stored position; else nothing.
  void SetPos(double xpos, double ypos);

 protected:
  void AssignTo(TPersistent* Dest) const override;

 private:
  double FPosX = 0;
  double FPosY = 0;
  TColor FColor = 0;
  TCrossHMode FMode = chOff;
  TPenStyle FLineType = psSolid;
  std::int32_t FLineWid = 0;
  std::int32_t FLayer = 0;
  TNotifyEvent FOnChange;
};

}  // namespace krv
KORVEX_API_END
