#pragma once
// The tooth drawings of the calculated pair: the "Tooth drawing" menu of eight views (tooth,
// tooth gap, generated gap, gear, gear with tooth shapes, cutting tool, tooth contact,
// planetary gear) with the configuration of the tooth graphics, and the public entry through
// which the shell draws them. Each view is one pass over the CAD layer: open the output (unless
// the caller has), the extents, the named blocks the view inserts (toothform.h, gearviews.h),
// the entities, close.

#include <cstdint>

#include "framework/core/fixedtypes.h"
#include "framework/core/maths.h"

// outputCode: the CAD output code (3 screen, 0 ask). gear: 1 or 2 (others mean 1); views 7 to 9
// always take gear 2. choice: 0 shows the menu, 1..9 draws that item without it, 10 returns.
// mode: 0 interactive (the view's questions are asked and the menu or the preset view comes
// back until the user cancels or returns); 1 and 3 one drawing without questions; 2 one drawing
// without questions into the output the caller has opened and closes (several views drawn so
// make one drawing of that output whatever the caller begins or names around them,
// CadJoinDrawings; the planetary view sets no extents there; an output closed already is
// refused). Other modes, and choices beyond the menu, are refused with a message and AbortFlag.
// section (view 3): 1 transverse, 2 normal section.
void ToothDrawing(std::uint16_t outputCode, std::uint16_t gear, std::uint16_t choice,
                  std::uint16_t mode, std::uint16_t section);
// The driver behind ToothDrawing (same arguments).
void DrawToothViews(std::uint16_t outputCode, std::uint16_t gear, std::uint16_t choice,
                    std::uint16_t mode, std::uint16_t section);

// The drawing settings of the tooth graphics in a chain of questions (steps, generating shifts,
// drawing centre distance, auxiliary diameters). Cancel on its menu leaves it with AbortFlag
// clear; Cancel on a question inside leaves AbortFlag set.
void ConfigureToothGraphics();

// The window of the tooth-contact view (mm): half width, lower and upper edge.
Extended ContactWindowHalfWidth();
Extended ContactWindowBottom();
Extended ContactWindowTop();

// The name of the last view drawn ("ZAHN2", "EINGR", ...).
extern ShortString<12> ToothDrawingName;
