#pragma once
// Drawing frames and title blocks: the sheet border with its title block for production
// drawings and drawing sheets, in drawing units (mm) through the CAD primitives (cadout.h).
//
// Style 1 (DrawFrame) is an A4 portrait frame with signature rows, the revision rows of the
// change records, a copying notice along the left edge and a fold mark. Style 2 (DrawFrame2)
// is an A4 portrait or A3 landscape border with one of the title blocks TitleBlockOption
// selects: 1 and 2 laid out with the field names of ISO 7200 (27 and 36 high), 0 and 3 with
// revision and signature columns (3 with an extra band on top; any other value draws that
// block without its outer rectangle).
//
// Both print the caller's three texts (drawing name t1, number t2, second name line t3; a text
// "/" stands for none), the free drawing texts, the file name, date and time, the product line
// and, on the screen and for the plot program, the user's logo block "$logo_1.dx$" from
// TempDir. The drawing information, free texts and change records are the job's
// (framework/core/shelldata.h); the switches NoFrame, NoProductLine, NoFileNameLine,
// NoDateLine, NoLogo, FourthRowLabel, TitleBlockOption and FrameOption are the user's settings
// (framework/core/settings.h). With NoFrame or AbortFlag set nothing is drawn, but DrawingKind
// is still set (2 for A4, 3 for the A3 sheet).

#include <cstdint>
#include <string>
#include <string_view>

// Opens a drawing with the extents of a sheet: kind 3 A3 landscape (-2, -5)-(422, 305), kind 4
// A4 portrait (-5, -5)-(215, 307); other kinds do nothing.
void BeginSheet(std::uint16_t kind);
// Style 1 on A4 portrait.
void DrawFrame(std::string_view t1, std::string_view t2, std::string_view t3);
// Style 2: kind 3 A3 landscape, any other kind A4 portrait.
void DrawFrame2(std::uint16_t kind, std::string_view t1, std::string_view t2, std::string_view t3);
// The title block of style 2 (drawn by DrawFrame2).
void DrawTitleBlock2(std::uint16_t kind, std::string_view t1, std::string_view t2,
                     std::string_view t3);
// The revision rows of style 1: the last eight change records with their index by FrameOption
// (0 a, b, c...; 1 the record number; 2 A, B, C...; other values none).
void DrawRevisionEntries();

// The index text of change record i by FrameOption.
std::string RevisionIndex(int i);
// The revision letter of the title blocks: "A" without change records, then "B", "C"...
std::string RevisionLetter();
