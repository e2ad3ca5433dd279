// Shared records, fixed and dynamic arrays, call-back types and the process-wide status
// variables of the base unit.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/geometry.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

class Variant;

struct TPointDouble {
  double X = 0;
  double Y = 0;
  friend bool operator==(const TPointDouble&, const TPointDouble&) = default;
};

struct TColoredPoint {
  double X = 0;
  double Y = 0;
  std::uint16_t Flag = 0;
  TColor Color = 0;
};

struct TCellPosition4D {
  std::int32_t X = 0, Y = 0, L = 0, T = 0;
  friend bool operator==(const TCellPosition4D&, const TCellPosition4D&) = default;
};

// Left, Top, Right, Bottom; TopLeft and BottomRight view the same four values as points.
struct TRectDouble {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
  TPointDouble TopLeft() const { return {Left, Top}; }
  TPointDouble BottomRight() const { return {Right, Bottom}; }
  void SetTopLeft(TPointDouble p) { Left = p.X, Top = p.Y; }
  void SetBottomRight(TPointDouble p) { Right = p.X, Bottom = p.Y; }
  friend bool operator==(const TRectDouble&, const TRectDouble&) = default;
};

using TQuad = std::array<TPoint, 4>;
using TBuf4096 = std::array<std::uint8_t, 4096>;
using TBuf16K = std::array<std::uint8_t, 16384>;
// Raw memory addressed byte by byte through a pointer.
using TDataBuffer = std::uint8_t;

using TPDblArray = std::vector<TPointDouble>;
using TSingleArray = std::vector<float>;
using TDoubleArray = std::vector<double>;
using TDouble2DArray = std::vector<TDoubleArray>;
using TDouble3DArray = std::vector<TDouble2DArray>;
using TDouble4DArray = std::vector<TDouble3DArray>;
using TIntArray = std::vector<std::int32_t>;
using TInt2DArray = std::vector<TIntArray>;
using TInt3DArray = std::vector<TInt2DArray>;
using TInt4DArray = std::vector<TInt3DArray>;
using TBoolArray = std::vector<std::uint8_t>;  // one byte per Boolean, addressable
using TBool2DArray = std::vector<TBoolArray>;
using TStrArray = std::vector<String>;
using TVariantArray = std::vector<Variant>;
using TBytes = std::vector<std::uint8_t>;

// Method (event) types: bound call-backs.
using TSortExchgEvent =
    std::function<void(TObject* Sender, std::uint8_t ExchgWhat, std::int32_t index1,
                       std::int32_t index2, std::int32_t first, std::int32_t last)>;
using TZoomPanEvent = std::function<void(TObject* Sender)>;
using TSelectRectEvent = std::function<void(TObject* Sender, std::int32_t Layer, double LoX,
                                            double LoY, double HiX, double HiY)>;
using TOnPercentDoneEvent = std::function<void(TObject* Sender, std::int32_t PercentDone)>;
using TOnCheckAbortEvent = std::function<void(TObject* Sender, bool& Abort)>;
using TOnRubberBandActionEvent = std::function<void(TObject* Sender, TPoint& APoint)>;
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Procedure types: plain function pointers.
using FeedBackProcType = void (*)(double StateCnt);
using TFeedbackProc = void (*)(TObject* Sender, double StateCnt, double PercentDone);

// Process-wide status for the suite's other libraries; Korvex itself only zeroes ProcStat
// at load. Unlocked, zero at start.
extern std::int64_t ProcStat;
extern std::int64_t LastProcStat;
extern std::intptr_t AbortMathProc;
extern FeedBackProcType MathFeedBackProc;

}  // namespace krv
KORVEX_API_END
