// TCustomTextLabel, TDTLabel and TCrossHair: settings with change notification.
#include "korvex/base/labels.h"

namespace krv {

// ---- TCustomTextLabel ---------------------------------------------------------------------

TCustomTextLabel::TCustomTextLabel() : FFont(std::make_unique<TFont>()) {}

TCustomTextLabel::~TCustomTextLabel() = default;

String TCustomTextLabel::ClassName() const {
  return u"TCustomTextLabel";
}

void TCustomTextLabel::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TCustomTextLabel*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  FPosX = src->FPosX;
  FPosY = src->FPosY;
  FLayer = src->FLayer;
  FXShadow = src->FXShadow;
  FYShadow = src->FYShadow;
  FColorShadow = src->FColorShadow;
  FAlignment = src->FAlignment;
  FVertAlign = src->FVertAlign;
  FAttachDat = src->FAttachDat;
  FColorBkg = src->FColorBkg;
  FColorBrd = src->FColorBrd;
  FTransPar = src->FTransPar;
  FFont->Assign(src->FFont.get());
  FCaption = src->FCaption;
  FMode = src->FMode;
  FVisible = src->FVisible;
  FOnChange = src->FOnChange;
}

void TCustomTextLabel::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TCustomTextLabel*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TCustomTextLabel::Changed() {
  if (FOnChange) FOnChange(this);
}

void TCustomTextLabel::SetTxtLblPosX(double value) {
  FPosX = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblPosY(double value) {
  FPosY = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblLayer(std::int32_t value) {
  if (value < 1 || value > 16) return;
  FLayer = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblScreenPos(TTxtLblAttachMode value) {
  FAttachDat = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblAlignment(TAlignment value) {
  FAlignment = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblVertAlignment(TVerticalAlignment value) {
  FVertAlign = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorBkg(TColor value) {
  FColorBkg = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorBrd(TColor value) {
  FColorBrd = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblColorShadow(TColor value) {
  FColorShadow = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblShadowDx(std::int32_t value) {
  FXShadow = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblShadowDy(std::int32_t value) {
  FYShadow = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblVisible(bool value) {
  FVisible = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblTranspar(bool value) {
  FTransPar = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblMode(TTxtLblMode value) {
  FMode = value;
  Changed();
}

void TCustomTextLabel::SetTxtLblFont(const TFont* value) {
  if (value != nullptr && value != FFont.get()) FFont->Assign(value);
  Changed();
}

void TCustomTextLabel::SetTxtLblCaption(const String& value) {
  String caption = value;
  for (Char& c : caption)
    if (c < 32 && c != 10) c = u' ';
  FCaption = std::move(caption);
  Changed();
}

// ---- TDTLabel -----------------------------------------------------------------------------

String TDTLabel::ClassName() const {
  return u"TDTLabel";
}

void TDTLabel::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TDTLabel*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FTimeFormat = src->FTimeFormat;
  FDateSeparator = src->FDateSeparator;
  FTimeSeparator = src->FTimeSeparator;
  FYearLength = src->FYearLength;
  FMonthName = src->FMonthName;
  FDateOrder = src->FDateOrder;
  FDateForTime = src->FDateForTime;
  FOnChange = src->FOnChange;
}

void TDTLabel::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TDTLabel*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TDTLabel::Changed() {
  if (FOnChange) FOnChange(this);
}

void TDTLabel::SetTimeFormat(TTimeFormat value) {
  FTimeFormat = value;
  Changed();
}

void TDTLabel::SetDAteOrder(TDateOrder value) {
  FDateOrder = value;
  Changed();
}

namespace {
// Stores value and notifies only when it differs from the stored one.
template <typename T>
void StoreIfDifferent(TDTLabel& label, T& field, T value) {
  if (field == value) return;
  field = value;
  label.Changed();
}
}  // namespace

void TDTLabel::SetDateSeparator(Char value) {
  StoreIfDifferent(*this, FDateSeparator, value);
}

void TDTLabel::SetTimeSeparator(Char value) {
  StoreIfDifferent(*this, FTimeSeparator, value);
}

void TDTLabel::SetYearLength(TYearLength value) {
  StoreIfDifferent(*this, FYearLength, value);
}

void TDTLabel::SetDateForTime(TDateForTime value) {
  StoreIfDifferent(*this, FDateForTime, value);
}

void TDTLabel::SetMonthName(bool value) {
  StoreIfDifferent(*this, FMonthName, value);
}

// ---- TCrossHair ---------------------------------------------------------------------------

String TCrossHair::ClassName() const {
  return u"TCrossHair";
}

void TCrossHair::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TCrossHair*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FPosX = src->FPosX;
  FPosY = src->FPosY;
  FColor = src->FColor;
  FMode = src->FMode;
  FLineType = src->FLineType;
  FLineWid = src->FLineWid;
  FLayer = src->FLayer;
  FOnChange = src->FOnChange;
}

void TCrossHair::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TCrossHair*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TCrossHair::Changed() {
  if (FOnChange) FOnChange(this);
}

void TCrossHair::SetCrossHPosX(double value) {
  FPosX = value;
  Changed();
}

void TCrossHair::SetCrossHPosY(double value) {
  FPosY = value;
  Changed();
}

void TCrossHair::SetCrossHColor(TColor value) {
  FColor = value;
  Changed();
}

void TCrossHair::SetCrossHMode(TCrossHMode value) {
  FMode = value;
  Changed();
}

void TCrossHair::SetCrossHLineType(TPenStyle value) {
  FLineType = value;
  Changed();
}

void TCrossHair::SetCrossHLineWid(std::int32_t value) {
  FLineWid = value;
  Changed();
}

void TCrossHair::SetCrossHLayer(std::int32_t value) {
  FLayer = value < 1 ? 1 : (value > 2 ? 2 : value);
  Changed();
}

void TCrossHair::SetPos(double xpos, double ypos) {
  if (xpos == FPosX && ypos == FPosY) return;
  FPosX = xpos;
  FPosY = ypos;
  Changed();
}

}  // namespace krv
