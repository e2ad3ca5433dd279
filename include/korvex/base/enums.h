// The shared enumerations. Each is stored in one byte and keeps its ordinals (from 0, in
// the order listed), so the enumerators read as written: krv::tsTrue, krv::lgFrench.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/font_style.h"

KORVEX_API_BEGIN
namespace krv {

enum TBkgFill : std::uint8_t { bfSimple, bfStretch, bfTile };
enum TBoundingBox : std::uint8_t { bbNone, bbFrame, bbFaces };
enum TColorScheme : std::uint8_t { csBWG, csSystem };
enum TDecPSep : std::uint8_t { dsSystem, dsDot, dsComma, dsBoth };
enum TFigType : std::uint8_t { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
enum TScaleType : std::uint8_t { sctXB, sctXT, sctYL, sctYR };
enum TVerticalAlignment : std::uint8_t { vaTop, vaCenter, vaBottom };
enum TYearLength : std::uint8_t { ylNone, ylYY, ylYYYY };
enum TDateOrder : std::uint8_t { doMMDDYY, doDDMMYY, doYYMMDD };
enum TDateForTime : std::uint8_t { dtNone, dtOnePerChart, dtOnePerDay, dtAllTicks };
enum TShadowStyle : std::uint8_t { ssFlying, ssBox };
enum TFrameStyle : std::uint8_t { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
enum TTimeFormat : std::uint8_t { tfHHMMSS, tfHHhMM, tfAMPM };
enum TDirection : std::uint8_t { dirUpward, dirDownward, dirLeftward, dirRightward };
enum TOrientation : std::uint8_t { orVert, orHoriz };
enum TAxis : std::uint8_t { atXAxis, atYAxis, atZAxis };
enum TDims : std::uint8_t { dimX, dimY, dimL, dimT };
enum TTriState : std::uint8_t { tsFalse, tsTrue, tsUndefined };
enum TCrossHMode : std::uint8_t { chOff, chHoriz, chVert, chBoth, chCrossBox, chBox };
enum TTxtLblAttachMode : std::uint8_t { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum TTxtLblMode : std::uint8_t { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum TDegreeFormat : std::uint8_t { dfDeg, dfDegMin, dfDegMinSec, dfNumeric };
enum TCSVDelimiters : std::uint8_t { csvUnknown, csvSemicolon, csvComma, csvColon, csvTab };
enum TZoomPanMode : std::uint8_t { zpmPan, zpmColZoomLeft, zpmColZoomRight };
enum TLanguage : std::uint8_t { lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish };
enum TVarKind : std::uint8_t { rnum, dnum, snum, inum, lnum, Bool, strg };
enum TMouseBoxState : std::uint8_t { msNormal, msFirstCorner, msRectDraw, msFinished };
// clang-format off
enum TMouseActMode : std::uint8_t {
  maNone, maPan, maPanHoriz, maPanVert, maPanGrid, maRubberBand, maZoom, maZoomWind,
  maZoomWindPos, maZoomDrag, maDragCrossH, maDragLabel, maRotate, maRotAndZoom, maRotXOnly,
  maRotZOnly, maSelectRect, maDrawMTrace, maZoomPanColors
};
// clang-format on
enum TZoomState : std::uint8_t { zsNormal, zsDrawWin };

// An enumeration of the original platform that has an XML table here too (TFontStyle, the
// other one, comes with the drawing platform's fonts).
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

}  // namespace krv
KORVEX_API_END
