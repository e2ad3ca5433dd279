// Mathematical and machine constants in extended precision, and the table of ln(n!).
//
// Each constant holds the 64-bit-mantissa value the original library stored. Most are the
// nearest extended value to the quantity; uc_e, uc_etom1, uc_lg2, uc_lgPi, uc_ln2, uc_lnPi,
// uc_Pitom1, uc_sqrt2, uc_sqrt2pi, uc_GoldenR, uc_MaxDouble, uc_lnMinDouble, uc_lnMaxReal
// and uc_lnMinExtended lie one unit in the last place from it, as the original's decimal
// conversion left them. Rounded to double, every constant equals the double nearest to its
// quantity, so the difference only shows in extended arithmetic.
//
// The range constants are the rounded decimal limits (2.9E-39, 1.7E38 ...) as extended
// values, not the exact limits of the types, except uc_MinExtended, the least positive
// subnormal 2^-16445. The logarithms of the ranges are those of the decimal limits; for
// uc_MinExtended that limit is 3.6E-4951, whose nearest extended value is 2^-16445.
//
// The literals assume the x87 80-bit format of long double (x86 and x86-64).
#pragma once

#include "korvex/platform/export.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

inline constexpr Extended uc_e = 2.71828182845904523521L;             // e
inline constexpr Extended uc_etom1 = 0.367879441171442321610L;        // 1/e
inline constexpr Extended uc_lg2 = 0.301029995663981195199L;          // log10 2
inline constexpr Extended uc_lg5 = 0.698970004336018804801L;          // log10 5
inline constexpr Extended uc_lge = 0.434294481903251827645L;          // log10 e
inline constexpr Extended uc_lgPi = 0.497149872694133854368L;         // log10 pi
inline constexpr Extended uc_ln10 = 2.30258509299404568404L;          // ln 10
inline constexpr Extended uc_ln2 = 0.693147180559945309374L;          // ln 2
inline constexpr Extended uc_lnPi = 1.14472988584940017407L;          // ln pi
inline constexpr Extended uc_PiH = 1.57079632679489661926L;           // pi/2
inline constexpr Extended uc_PiSqr = 9.86960440108935861854L;         // pi^2
inline constexpr Extended uc_Pitom1 = 0.318309886183790671511L;       // 1/pi
inline constexpr Extended uc_sqrt2 = 1.41421356237309504887L;         // sqrt(2)
inline constexpr Extended uc_sqrt2pi = 2.50662827463100050225L;       // sqrt(2 pi)
inline constexpr Extended uc_sqrt2pitom1 = 0.398942280401432677927L;  // 1/sqrt(2 pi)
inline constexpr Extended uc_GoldenR = 1.61803398874989484810L;       // (1 + sqrt(5))/2

// Smallest and largest magnitudes of the 6-byte real, single, double and extended types.
inline constexpr Extended uc_MinReal = 2.9E-39L;
inline constexpr Extended uc_MaxReal = 1.7E38L;
inline constexpr Extended uc_MinSingle = 1.5E-45L;
inline constexpr Extended uc_MaxSingle = 3.4E38L;
inline constexpr Extended uc_MinDouble = 5.0E-324L;
inline constexpr Extended uc_MaxDouble = 1.69999999999999999993E+308L;  // 1.7E308 less 1 ulp
inline constexpr Extended uc_MinExtended = 0x1p-16445L;                 // least subnormal
inline constexpr Extended uc_MaxExtended = 1.1E4932L;

// Natural logarithms of the range constants.
inline constexpr Extended uc_lnMinDouble = -744.428132217636701284L;
inline constexpr Extended uc_lnMaxDouble = 709.726836893228241077L;
inline constexpr Extended uc_lnMaxExtended = 11356.4449888264376387L;
inline constexpr Extended uc_lnMinExtended = -11398.8178615680581167L;  // ln 3.6E-4951
inline constexpr Extended uc_lnMinReal = -88.7361078897753533315L;
inline constexpr Extended uc_lnMaxReal = 88.0288617848359063942L;
inline constexpr Extended uc_lnMinSingle = -103.210864076623891401L;
inline constexpr Extended uc_lnMaxSingle = 88.7220089653958517012L;

// ln(n!) for n = 0..1000, each rounded to 15 significant digits before conversion to
// double: uc_LnFactorial[0] and [1] are 0, uc_LnFactorial[10] is 15.1044125730755.
extern const IndexedArray<double, 0, 1000> uc_LnFactorial;

}  // namespace krv
KORVEX_API_END
