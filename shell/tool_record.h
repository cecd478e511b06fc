#pragma once
// One cutting tool of the tool table "q1toolx.dbf" and how a picked tool enters the tool
// profile of a gear. The lookup (shell/tool_table.h) is reached through ToolPick, which tests
// may replace.

#include <array>
#include <string>

struct TToolRecord {
    // Fields 1..10 ([0] unused): hfP0/mn, haP0/mn, raP0/mn, al.kP0, hFfP0/mn, al.prP0, prP0/mn,
    // rfP0/mn, the pressure angle, the tool's module.
    std::array<long double, 11> Reals{};
    // Fields 11..15 ([0] unused, [1] is field 11); field 15 is the basic-rack name.
    std::array<std::string, 6> Texts;
};

// Copies fields 1..8 into the tool profile of gear (1 or 2) and field 15 into its basic-rack
// name, and marks the profile as one from the table (BasicRackType 0). Field 9 becomes the
// pair's pressure angle only when it is a number above 0: a blank field leaves it. A field that
// is no finite number leaves its value.
void TakeToolRecord(int gear, const TToolRecord& tool);

// Picks a tool from the table for gear (mode 1) or only browses (mode 0); AbortFlag set when
// nothing was taken over. The default is SelectToolProfile.
using ToolPickFunc = void (*)(int gear, int mode);
extern ToolPickFunc ToolPick;
