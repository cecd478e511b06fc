#pragma once
// cadstate: CadState, the state of the CAD output layer that the layer (cadout.h) and every
// writer (cadwriter.h) read: current point, layer, text size and alignment, block read-back
// transform, drawing extents. It holds data only; nothing here draws.

#include <cstdint>
#include <string_view>

#include "framework/core/fixedtypes.h"

struct TCadExtents {
    long double XMin, XMax, YMin, YMax, Width, Height;
};

extern std::uint16_t CadOutputCode;    // code in use
extern std::uint16_t CadRequestedCode; // code the last CadOpenOutput was called with
extern std::string CadFileName;        // the open output file
extern long double CadOriginX;         // added to primitives (not to block inserts)
extern long double CadOriginY;
extern long double CadCurrentX; // current point of CadMoveTo / CadLineTo / CadTextLine
extern long double CadCurrentY;
extern ShortString<32> CurrentLayer;  // layer name written with DXF and TXT entities
extern std::int32_t CadCurrentColour; // colour last set by CadSetColour (0..31)
extern std::int32_t CadTextStyleFont; // font of the last CadSetTextSize
extern long double CadTextHeight;
extern long double CadTextWidthFactor; // width / height times CadTextFactor
extern long double CadTextAngle;       // degrees
extern long double CadTextOblique;     // degrees
extern std::int32_t CadTextAlignH;     // 0 left, 1 centred, 2 right
extern std::int32_t CadTextAlignV;     // 0 baseline, 1 middle, 2 top
extern long double CadLineSpacing;
// CadTextLine keeps its texts left of this x (fitted as CadTextWithin fits them); none while it
// is infinite, as it starts.
extern long double CadTextLineEnd;
extern long double CadScale; // drawing scale of dimensions and arrows
extern bool CadUsePolylines; // DXF and plot output write POLYLINE entities
extern std::int32_t CadVertexCount;
extern long double CadPrevArcAngle;
extern bool CadBlocksOpen; // inside the blocks section
extern std::int32_t CadBlockNesting;
extern long double CadInsertX;
extern long double CadInsertY;
extern long double CadInsertAngle; // degrees
extern long double CadInsertScaleX;
extern long double CadInsertScaleY;
extern TCadExtents CadExtents;
extern std::uint16_t CadHatchSwitch; // read by the hatching

// The CadState values alone to their start values.
void InitCadState();

// A colour number above 31 as the layer uses it: (n mod 16) + 16.
std::int32_t CadReduceColour(std::int32_t c);
// The text size fields of CadState as CadSetTextSize sets them (width 0: 0.7 x CadTextFactor).
void CadStoreTextSize(long double angleDeg, long double height, long double width);
// The insert transform of the CAD state applied to a point.
void CadTransformPoint(long double px, long double py, long double& x, long double& y);
// The CAD colour number of a layer name: its index in LayerNames, else the name as an integer
// (0 when it is neither).
std::int32_t LayerNumber(std::string_view name);
