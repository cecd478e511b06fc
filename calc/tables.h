// Standard tables (ISO 286 tolerances, DIN 3967 tooth-thickness tolerances and allowances, the
// module series) and the closed-form proposals for inspection settings.
#pragma once

#include <cstdint>
#include <string>

// ISO size range 1..21 of |n| (range limits 3, 6, 10, ... 2500 start ranges 2..21).
int DiameterRangeIndex(long long n);
// DIN 3967 diameter range 1..11 of |n| (10, 50, 125, ... 6300 start ranges 2..11).
int DinRangeIndex(long long n);

// ISO 286 size range 1..21 of |size| in mm: "over 80 up to and including 120" is range 8, so a
// size on a range limit belongs to the lower range and any larger one to the next. NaN gives 21.
int IsoSizeRange(long double size);
// ISO 286 standard tolerance in micrometres; grade code 1..8 = IT4..IT11, 0 outside; by
// IsoSizeRange (negative sizes, internal gears, use |size|).
std::int32_t IsoItTol(int grade, long double size);
// DIN 3967 tooth-thickness tolerance Tsn in micrometres; series 1..10 (shown 21..30), 0 outside.
std::int32_t DinTsnTol(int series, long double d);
// DIN 3967 upper tooth-thickness allowance in micrometres (positive); series 1..11, 0 outside.
std::int32_t DinAsneDev(int series, long double d);

// Names of the centre-distance tolerance fields ("js 4".."js11") and of the allowance series
// ("a".."h"); empty for a code outside the table.
std::string AaFieldNameOf(int field);
std::string AsnSeriesNameOf(int series);

// The neighbouring module of the standard series (DIN 780 series 1): dir +1 the next larger,
// -1 the next smaller than m, m itself when there is none; 0 the nearest at or above m (60 above
// the series). A module within 1e-9 of a standard value counts as that value. 0 while AbortFlag
// is set or for a module that is no finite number.
long double StepStandardModule(int dir, long double m);

// Proposed measuring-ball diameter (mm), rounded to 0.1 mm (metric) or 0.001 in (imperial); 0
// (no usual ball) where the shift lies so far below 0 that the measuring circle has no pressure
// angle. Never a message nor CalcErrorFlag: a caller compares a ball with it only where it is
// not 0, and where the calculation must choose the ball itself (DM 0, MeasureMode 1) a 0 leaves
// the ball dimensions empty with the measurement fault NoBall.
long double DmMess(long double z, long double beta, long double alpha, long double x,
                   long double mn);
// Proposed number of teeth spanned; negative for an internal gear; 0 (no proposal) when the
// measuring circle d + 2 x mn has no pressure angle.
std::int32_t kmess(long double z, long double beta, long double alpha, long double x,
                   long double mn);
// DmMess and kmess remember their last results (a calculation asks for the same proposal from
// several steps); ClearMeasureMemo forgets them. CalculateGears starts with it.
void ClearMeasureMemo();

// The largest tip radius factor of a basic rack.
long double RackTipRadiusMax(long double alpha, long double B, long double A);
// Roll angle in degrees (tan alpha_y in radians, times 180 / pi) at diameter d on the base
// diameter db, signs ignored; 0 at or below the base circle.
long double RollTanAt(long double d, long double db);
// The index of the other gear: 1 gives 2, 2 gives 1.
int OddEvenIndex(int n);

// The standard module series, ascending, in mm.
inline constexpr int StandardModuleCount = 34;
extern const long double StandardModules[StandardModuleCount];
