#include "korvex/base/xmlnames.h"

#include <gtest/gtest.h>

#include "korvex/base/types.h"

namespace krv {
namespace {

TEST(XmlNames, WordsFollowTheEnumerators) {
  EXPECT_EQ(xmlVarKind[Bool], u"bool");  // the one word that differs from its enumerator
  EXPECT_EQ(xmlVarKind[strg], u"strg");
  EXPECT_EQ(xmlTxtLblMode[tlsimple], u"tlsimple");
  EXPECT_EQ(xmlMouseActMode[maZoomPanColors], u"maZoomPanColors");
  EXPECT_EQ(xmlMouseActMode.size(), std::size_t{maZoomPanColors} + 1);
  EXPECT_EQ(xmlFrameStyle[fsEngraved], u"fsEngraved");
  EXPECT_EQ(xmlFontStyle[fsStrikeOut], u"fsStrikeOut");
  EXPECT_EQ(xmlAlignment[taCenter], u"taCenter");
  EXPECT_EQ(xmlLanguage[lgSpanish], u"lgSpanish");
  EXPECT_EQ(FindXmlWord(xmlDateForTime, u"dtOnePerDay"), dtOnePerDay);
  EXPECT_EQ(FindXmlWord(xmlDateForTime, u"dtoneperday"), -1);
}

TEST(BaseTypes, EnumerationsAreOneByteWithTheirOrdinals) {
  static_assert(sizeof(TMouseActMode) == 1 && sizeof(TTriState) == 1);
  EXPECT_EQ(int{tsUndefined}, 2);
  EXPECT_EQ(int{maDrawMTrace}, 17);
  EXPECT_EQ(int{csvTab}, 4);
  EXPECT_EQ(int{zpmColZoomRight}, 2);
  EXPECT_EQ(int{dimT}, 3);
  static_assert(sizeof(ProcStat) == 8 && sizeof(LastProcStat) == 8);
  static_assert(sizeof(AbortMathProc) == sizeof(void*) &&
                sizeof(MathFeedBackProc) == sizeof(void*));
}

TEST(BaseTypes, RectDoubleCornersViewTheSameValues) {
  TRectDouble r{1, 2, 3, 4};
  EXPECT_EQ(r.TopLeft(), (TPointDouble{1, 2}));
  r.SetBottomRight({7, 8});
  EXPECT_EQ(r.Right, 7);
  EXPECT_EQ(r.Bottom, 8);
}

}  // namespace
}  // namespace krv
