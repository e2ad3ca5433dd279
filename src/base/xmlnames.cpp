#include "korvex/base/xmlnames.h"

namespace krv {

const std::array<XmlWord, 3> xmlVerticalAlignment = {u"vaTop", u"vaCenter", u"vaBottom"};
const std::array<XmlWord, 3> xmlAlignment = {u"taLeftJustify", u"taRightJustify", u"taCenter"};
const std::array<XmlWord, 3> xmlBkgFill = {u"bfSimple", u"bfStretch", u"bfTile"};
const std::array<XmlWord, 3> xmlBoundingBox = {u"bbNone", u"bbFrame", u"bbFaces"};
const std::array<XmlWord, 2> xmlColorScheme = {u"csBWG", u"csSystem"};
const std::array<XmlWord, 5> xmlFigType = {u"ftNoFigs", u"ftNum", u"ftTime", u"ftDateTime",
                                           u"ftUserText"};
const std::array<XmlWord, 4> xmlScaleType = {u"sctXB", u"sctXT", u"sctYL", u"sctYR"};
const std::array<XmlWord, 3> xmlYearLength = {u"ylNone", u"ylYY", u"ylYYYY"};
const std::array<XmlWord, 3> xmlDateOrder = {u"doMMDDYY", u"doDDMMYY", u"doYYMMDD"};
const std::array<XmlWord, 4> xmlDateForTime = {u"dtNone", u"dtOnePerChart", u"dtOnePerDay",
                                               u"dtAllTicks"};
const std::array<XmlWord, 2> xmlShadowStyle = {u"ssFlying", u"ssBox"};
const std::array<XmlWord, 6> xmlFrameStyle = {u"fsNone",   u"fsSimple",   u"fsLowered",
                                              u"fsRaised", u"fsEmbossed", u"fsEngraved"};
const std::array<XmlWord, 3> xmlTimeFormat = {u"tfHHMMSS", u"tfHHhMM", u"tfAMPM"};
const std::array<XmlWord, 4> xmlDirection = {u"dirUpward", u"dirDownward", u"dirLeftward",
                                             u"dirRightward"};
const std::array<XmlWord, 5> xmlLanguage = {u"lgUnknown", u"lgEnglish", u"lgGerman", u"lgFrench",
                                            u"lgSpanish"};
const std::array<XmlWord, 7> xmlVarKind = {u"rnum", u"dnum", u"snum", u"inum",
                                           u"lnum", u"bool", u"strg"};
const std::array<XmlWord, 4> xmlMouseBoxState = {u"msNormal", u"msFirstCorner", u"msRectDraw",
                                                 u"msFinished"};
const std::array<XmlWord, 19> xmlMouseActMode = {
    u"maNone",       u"maPan",        u"maPanHoriz",   u"maPanVert",      u"maPanGrid",
    u"maRubberBand", u"maZoom",       u"maZoomWind",   u"maZoomWindPos",  u"maZoomDrag",
    u"maDragCrossH", u"maDragLabel",  u"maRotate",     u"maRotAndZoom",   u"maRotXOnly",
    u"maRotZOnly",   u"maSelectRect", u"maDrawMTrace", u"maZoomPanColors"};
const std::array<XmlWord, 2> xmlZoomState = {u"zsNormal", u"zsDrawWin"};
const std::array<XmlWord, 6> xmlCrossHMode = {u"chOff",  u"chHoriz",    u"chVert",
                                              u"chBoth", u"chCrossBox", u"chBox"};
const std::array<XmlWord, 5> xmlTxtLblMode = {u"tlOff", u"tlsimple", u"tlBox", u"tlUnderline",
                                              u"tlShadow"};
const std::array<XmlWord, 4> xmlTxtLblAttachMode = {u"tlamNone", u"tlamXOnly", u"tlamYOnly",
                                                    u"tlamBoth"};
const std::array<XmlWord, 4> xmlFontStyle = {u"fsBold", u"fsItalic", u"fsUnderline",
                                             u"fsStrikeOut"};

}  // namespace krv
