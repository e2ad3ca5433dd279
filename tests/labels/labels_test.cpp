// TCustomTextLabel, TDTLabel and TCrossHair: defaults, which setters notify, clamps, Assign.
#include "korvex/base/labels.h"

#include <gtest/gtest.h>

#include <functional>

#include "korvex/platform/exceptions.h"

namespace krv {
namespace {

// Counts OnChange calls and keeps the last sender.
template <typename T>
struct Counter {
  explicit Counter(T& obj) {
    obj.SetOnChange([this](TObject* sender) {
      last = sender;
      ++count;
    });
  }
  int count = 0;
  TObject* last = nullptr;
};

TEST(TextLabel, NewLabel) {
  const TCustomTextLabel l;
  EXPECT_EQ(l.PosX(), 100.0);
  EXPECT_EQ(l.PosY(), 10.0);
  EXPECT_EQ(l.Layer(), 1);
  EXPECT_EQ(l.XShadow(), 0);
  EXPECT_EQ(l.YShadow(), 0);
  EXPECT_EQ(l.ColorShadow(), 0x808080u);
  EXPECT_EQ(l.ColorBkg(), 0xC0C0C0u);
  EXPECT_EQ(l.ColorBrd(), 0u);
  EXPECT_EQ(l.Alignment(), taCenter);
  EXPECT_EQ(l.VertAlign(), vaBottom);
  EXPECT_EQ(l.AttachDat(), tlamNone);
  EXPECT_EQ(l.Mode(), tlsimple);
  EXPECT_FALSE(l.TransPar());
  EXPECT_TRUE(l.Visible());
  EXPECT_TRUE(l.Caption().empty());
  EXPECT_EQ(l.Font()->Name(), TFont().Name());
  EXPECT_FALSE(l.OnChange());
  EXPECT_EQ(l.ClassName(), u"TCustomTextLabel");
}

TEST(TextLabel, EverySetterNotifiesEvenWithoutChange) {
  TCustomTextLabel l;
  Counter<TCustomTextLabel> c(l);
  TFont f;
  f.SetName(u"Arial");
  const std::function<void()> setters[] = {
      [&] { l.SetTxtLblPosX(100.0); },
      [&] { l.SetTxtLblPosY(10.0); },
      [&] { l.SetTxtLblScreenPos(tlamNone); },
      [&] { l.SetTxtLblAlignment(taCenter); },
      [&] { l.SetTxtLblVertAlignment(vaBottom); },
      [&] { l.SetTxtLblColorBkg(0xC0C0C0); },
      [&] { l.SetTxtLblColorBrd(0); },
      [&] { l.SetTxtLblColorShadow(0x808080); },
      [&] { l.SetTxtLblShadowDx(0); },
      [&] { l.SetTxtLblShadowDy(0); },
      [&] { l.SetTxtLblVisible(true); },
      [&] { l.SetTxtLblTranspar(false); },
      [&] { l.SetTxtLblMode(tlsimple); },
      [&] { l.SetTxtLblFont(&f); },
      [&] { l.SetTxtLblCaption(u""); },
      [&] { l.SetTxtLblLayer(1); },
  };
  for (const auto& set : setters) {
    const int before = c.count;
    set();
    EXPECT_EQ(c.count, before + 1);
  }
  EXPECT_EQ(c.last, &l);
  EXPECT_EQ(l.Font()->Name(), u"Arial");
  EXPECT_NE(l.Font(), &f);  // copied into the label's own font
}

TEST(TextLabel, LayerOutsideOneToSixteenIgnored) {
  TCustomTextLabel l;
  Counter<TCustomTextLabel> c(l);
  l.SetTxtLblLayer(0);
  l.SetTxtLblLayer(17);
  EXPECT_EQ(l.Layer(), 1);
  EXPECT_EQ(c.count, 0);
  l.SetTxtLblLayer(16);
  EXPECT_EQ(l.Layer(), 16);
  EXPECT_EQ(c.count, 1);
}

TEST(TextLabel, CaptionControlCharactersBecomeBlanksExceptLineFeed) {
  TCustomTextLabel l;
  l.SetTxtLblCaption(String(u"a\tb\r\nc\x01") + Char(0) + u"\x1f\x20\xe9");
  EXPECT_EQ(l.Caption(), String(u"a b \nc    \xe9"));
}

TEST(TextLabel, AssignCopiesEverythingAndHandlerWithoutEvent) {
  TCustomTextLabel a, b;
  int fired = 0;
  a.SetTxtLblPosX(-3.5);
  a.SetTxtLblLayer(7);
  a.SetTxtLblShadowDx(2);
  a.SetTxtLblShadowDy(-4);
  a.SetTxtLblColorShadow(1);
  a.SetTxtLblColorBkg(2);
  a.SetTxtLblColorBrd(3);
  a.SetTxtLblAlignment(taRightJustify);
  a.SetTxtLblVertAlignment(vaTop);
  a.SetTxtLblScreenPos(tlamBoth);
  a.SetTxtLblTranspar(true);
  a.SetTxtLblVisible(false);
  a.SetTxtLblMode(tlShadow);
  a.SetTxtLblCaption(u"x");
  a.Font()->SetName(u"Mono");
  a.SetOnChange([&](TObject*) { ++fired; });
  b.Assign(&a);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(b.PosX(), -3.5);
  EXPECT_EQ(b.Layer(), 7);
  EXPECT_EQ(b.XShadow(), 2);
  EXPECT_EQ(b.YShadow(), -4);
  EXPECT_EQ(b.ColorShadow(), 1u);
  EXPECT_EQ(b.ColorBkg(), 2u);
  EXPECT_EQ(b.ColorBrd(), 3u);
  EXPECT_EQ(b.Alignment(), taRightJustify);
  EXPECT_EQ(b.VertAlign(), vaTop);
  EXPECT_EQ(b.AttachDat(), tlamBoth);
  EXPECT_TRUE(b.TransPar());
  EXPECT_FALSE(b.Visible());
  EXPECT_EQ(b.Mode(), tlShadow);
  EXPECT_EQ(b.Caption(), u"x");
  EXPECT_EQ(b.Font()->Name(), u"Mono");
  EXPECT_NE(b.Font(), a.Font());
  b.Changed();  // the handler came along
  EXPECT_EQ(fired, 1);
}

TEST(Labels, AssignFromForeignClassRefused) {
  TCustomTextLabel l;
  TDTLabel d;
  TCrossHair h;
  EXPECT_THROW(l.Assign(&d), EConvertError);
  EXPECT_THROW(d.Assign(&h), EConvertError);
  EXPECT_THROW(h.Assign(&l), EConvertError);
  EXPECT_THROW(h.Assign(nullptr), EConvertError);
  try {
    d.Assign(&l);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TCustomTextLabel to a TDTLabel");
  }
}

TEST(DTLabel, NewObjectAndNotifyRules) {
  TDTLabel d;
  EXPECT_EQ(d.TimeFormat(), tfHHMMSS);
  EXPECT_EQ(d.DateSeparator(), 0);
  EXPECT_EQ(d.TimeSeparator(), 0);
  EXPECT_EQ(d.YearLength(), ylNone);
  EXPECT_FALSE(d.MonthName());
  EXPECT_EQ(d.DateOrder(), doMMDDYY);
  EXPECT_EQ(d.DateForTime(), dtNone);
  Counter<TDTLabel> c(d);
  struct Step {
    std::function<void()> set;
    int events;
  };
  const Step steps[] = {
      {[&] { d.SetTimeFormat(tfHHMMSS); }, 1},     {[&] { d.SetDAteOrder(doMMDDYY); }, 1},
      {[&] { d.SetDateSeparator(0); }, 0},         {[&] { d.SetDateSeparator(u'.'); }, 1},
      {[&] { d.SetDateSeparator(u'.'); }, 0},      {[&] { d.SetTimeSeparator(0); }, 0},
      {[&] { d.SetTimeSeparator(u':'); }, 1},      {[&] { d.SetYearLength(ylNone); }, 0},
      {[&] { d.SetYearLength(ylYYYY); }, 1},       {[&] { d.SetDateForTime(dtNone); }, 0},
      {[&] { d.SetDateForTime(dtOnePerDay); }, 1}, {[&] { d.SetMonthName(false); }, 0},
      {[&] { d.SetMonthName(true); }, 1},
  };
  for (const Step& s : steps) {
    const int before = c.count;
    s.set();
    EXPECT_EQ(c.count - before, s.events);
  }
  TDTLabel e;
  e.Assign(&d);
  EXPECT_EQ(e.DateSeparator(), u'.');
  EXPECT_EQ(e.TimeSeparator(), u':');
  EXPECT_EQ(e.YearLength(), ylYYYY);
  EXPECT_EQ(e.DateForTime(), dtOnePerDay);
  EXPECT_TRUE(e.MonthName());
  const int before = c.count;
  e.Changed();  // the source's handler, called with the new owner as sender
  EXPECT_EQ(c.count, before + 1);
  EXPECT_EQ(c.last, &e);
}

TEST(CrossHair, NewObjectClampsAndSetPos) {
  TCrossHair h;
  EXPECT_EQ(h.PosX(), 0.0);
  EXPECT_EQ(h.Color(), 0u);
  EXPECT_EQ(h.Mode(), chOff);
  EXPECT_EQ(h.LineType(), psSolid);
  EXPECT_EQ(h.LineWid(), 0);
  EXPECT_EQ(h.Layer(), 0);
  int fired = 0;
  h.SetOnChange([&](TObject*) { ++fired; });
  h.SetCrossHLayer(-5);
  EXPECT_EQ(h.Layer(), 1);
  h.SetCrossHLayer(7);
  EXPECT_EQ(h.Layer(), 2);
  h.SetCrossHLayer(2);
  EXPECT_EQ(fired, 3);
  h.SetPos(0, 0);
  EXPECT_EQ(fired, 3);
  h.SetCrossHPosX(0);
  EXPECT_EQ(fired, 4);
  h.SetPos(0, 2.5);
  EXPECT_EQ(fired, 5);
  EXPECT_EQ(h.PosY(), 2.5);
  h.SetCrossHColor(5);
  h.SetCrossHMode(chBox);
  h.SetCrossHLineType(psDot);
  h.SetCrossHLineWid(3);
  EXPECT_EQ(fired, 9);
  TCrossHair g;
  g.Assign(&h);
  EXPECT_EQ(fired, 9);
  EXPECT_EQ(g.PosY(), 2.5);
  EXPECT_EQ(g.Color(), 5u);
  EXPECT_EQ(g.Mode(), chBox);
  EXPECT_EQ(g.LineType(), psDot);
  EXPECT_EQ(g.LineWid(), 3);
  EXPECT_EQ(g.Layer(), 2);
  g.Changed();
  EXPECT_EQ(fired, 10);
}

}  // namespace
}  // namespace krv
