#pragma once
// hpgl: the HP-GL/2 picture interpreter. Help pictures and the auxiliary picture catalogue are
// plot files (".plt"); DrawHpglFile draws one through the drawing device (draw_device.h) into the
// display list, in millimetres, so the pictures zoom, pan and print like every drawing.
//
// Only the subset the pictures use is read: PU, PD, PA, SP, CI, SI, DI, LB, AA, PE and CS.
// Scaling and set-up instructions (IN, IP, IW, SC, RO, DF, VS, LT) are skipped: the caller fixes
// the world window, and coordinates are always 0.025 mm per plotter unit. Any other instruction,
// escape sequences included, is skipped to its ";".
//
// The interpreter follows HP-GL/2 (see docs/help.md); in particular:
//  - a "PD" before the first point moves without drawing (there is no current point yet);
//  - "AA" draws in the direction of its sweep, a sweep of 360 degrees or more as a full circle,
//    and leaves the pen at the arc's end;
//  - the pen number after ":" in "PE" is decoded as a PE number;
//  - parameters an instruction does not use (CI's chord angle, AA's chord tolerance) are
//    skipped to its ";" instead of being read as the next instruction.

#include <cstdint>
#include <string>

// Pen position in mm; -999, -999 at the start of each file (no current point yet).
extern long double PenX;
extern long double PenY;
extern std::uint8_t PenIsDown;
extern std::uint8_t PenNumber;
extern long double CharWidthCm; // SI character size, cm
extern long double CharHeightCm;
extern long double DirRun; // DI label direction
extern long double DirRise;
extern long double CharSetNumber; // CS
extern std::int32_t CharCount;    // characters read from the current file
extern std::uint8_t CommandEnded; // the current instruction's ";" was read

constexpr long double PlotterUnitsToMm = 0.025L;
// Labels longer than this are abandoned (an empty text is drawn).
constexpr int HpglMaxLabel = 255;

// Pen number -> colour of the drawing window: 1..7 -> 12, 14, 10, 11, 9, 13, 15; any other
// number is the colour itself.
int HpglPenColour(int pen);

// Draws the file with the drawing window as it is set up (the caller clears the device and
// sets the window first). A missing file is reported (" not found !"), a file that cannot be
// read with its cause (a folder, a device, larger than 16 MiB); a picture holding a number
// beyond HP-GL/2's range of +-1073741823 plotter units (or beyond any real) is refused whole
// with the line that holds it, nothing of it drawn. An end of file inside an instruction ends
// the drawing. AbortFlag is clear afterwards, except when the picture was not drawn.
void DrawHpglFile(const std::string& fileName);

// The interpreter's state at program start.
void InitHpglState();
