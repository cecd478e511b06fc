#include "cad/cadstate.h"

#include <cmath>

#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

std::uint16_t CadOutputCode = 3;
std::uint16_t CadRequestedCode = 0;
std::string CadFileName(59, ' ');
long double CadOriginX = 0;
long double CadOriginY = 0;
long double CadCurrentX = 0;
long double CadCurrentY = 0;
ShortString<32> CurrentLayer = "0";
std::int32_t CadCurrentColour = 0;
std::int32_t CadTextStyleFont = 2;
long double CadTextHeight = 5.0L;
long double CadTextWidthFactor = 1.0L;
long double CadTextAngle = 0;
long double CadTextOblique = 0;
std::int32_t CadTextAlignH = 0;
std::int32_t CadTextAlignV = 0;
long double CadLineSpacing = 1.0L;
long double CadTextLineEnd = HUGE_VALL;
long double CadScale = 1.0L;
bool CadUsePolylines = true;
std::int32_t CadVertexCount = 1;
long double CadPrevArcAngle = 0;
bool CadBlocksOpen = false;
std::int32_t CadBlockNesting = 0;
long double CadInsertX = 0;
long double CadInsertY = 0;
long double CadInsertAngle = 0;
long double CadInsertScaleX = 1.0L;
long double CadInsertScaleY = 1.0L;
TCadExtents CadExtents{0, 160, 0, 120, 160, 120};
std::uint16_t CadHatchSwitch = 1;

void InitCadState() {
    CadOutputCode = 3;
    CadRequestedCode = 0;
    CadFileName.assign(59, ' ');
    CurrentLayer = "0";
    CadCurrentColour = 0;
    CadCurrentX = CadCurrentY = 0;
    CadTextStyleFont = 2;
    CadTextHeight = 5.0L;
    CadTextWidthFactor = 1.0L;
    CadTextAngle = 0;
    CadTextOblique = 0;
    CadUsePolylines = true;
    CadVertexCount = 1;
    CadPrevArcAngle = 0;
    CadBlockNesting = 0;
    CadBlocksOpen = false;
    CadInsertX = CadInsertY = 0;
    CadInsertAngle = 0;
    CadInsertScaleX = CadInsertScaleY = 1.0L;
    CadOriginX = CadOriginY = 0;
    CadLineSpacing = 1.0L;
    CadTextLineEnd = HUGE_VALL;
    CadTextAlignH = CadTextAlignV = 0;
    CadScale = 1.0L;
    CadExtents = TCadExtents{0, 160, 0, 120, 160, 120};
    CadHatchSwitch = 1;
}

std::int32_t CadReduceColour(std::int32_t c) {
    if (c > 31) return c % 16 + 16;
    return c;
}

void CadStoreTextSize(long double angleDeg, long double height, long double width) {
    CadTextHeight = height;
    if (width == 0)
        CadTextWidthFactor = 0.7L * CadTextFactor;
    else if (height != 0)
        CadTextWidthFactor = width / height * CadTextFactor;
    else
        CadTextWidthFactor = CadTextFactor; // no height to relate the width to
    CadTextAngle = angleDeg;
    CadTextOblique = CadFontAngle;
}

void CadTransformPoint(long double px, long double py, long double& x, long double& y) {
    // An insert transforms all its points with one angle: its cosine and sine are worked out
    // once (an extended sine or cosine is slow beyond 45 degrees).
    static long double angle = 0, c = 1, s = 0;
    if (CadInsertAngle != angle) {
        angle = CadInsertAngle;
        const long double a = DegToRad(angle);
        c = cosl(a);
        s = sinl(a);
    }
    const long double sx = CadInsertScaleX;
    const long double sy = CadInsertScaleY;
    x = CadInsertX + sx * px * c - sy * py * s;
    y = CadInsertY + sx * px * s + sy * py * c;
}

std::int32_t LayerNumber(std::string_view name) {
    for (int i = 0; i <= 5; ++i)
        if (LayerNames[i] == name) return i;
    return StrToInteger(name);
}
