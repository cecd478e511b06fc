#pragma once
// The tool-profile lookup in the tool table "q1toolx.dbf" of the DBF directory: Database >
// Cutting Tool shows the table, the tool-profile dialog's "Database" picks a tool for a gear
// and copies its basic-rack profile into the gear's tool profile.

#include <functional>
#include <string>

#include "shell/tool_record.h"

// A tool from the texts of fields 1..15 of a record (fieldText(n), "" for a field the table
// lacks): fields 1..10 as numbers (a comma is taken as the decimal sign; a text that is no
// number gives 0), fields 11..15 as texts cut to 15, 8, 8, 8 and 10 characters.
TToolRecord ReadToolRecord(const std::function<std::string(int)>& fieldText);

// gear 1 or 2; mode 0 browses only, 1 (and 3) picks a tool for the gear. The table the
// program ships is put into DbfDir the first time. After a pick, ToolRecordNo[gear] is the
// record and the tool's profile, pressure angle and rack name are the gear's (TakeToolRecord);
// a tool made for another module than mn (field 10 not 0) is taken over and reported with
// "Q1TOOLX-MODUL <> mn !". AbortFlag is set when nothing was taken over: always in mode 0, on
// Cancel, and when the table is missing or unreadable (reported).
void SelectToolProfile(int gear, int mode);

// Shows the table at path (title its caption), starting on record recNo; in mode 0 without a
// pick. True with recNo the record picked and tool read from it; false (reported when the
// table failed) when the user left without a pick. The default shows it in the
// table browse window.
using ToolTablePickFunc = bool (*)(const std::string& path, const std::string& title, int mode,
                                   int& recNo, TToolRecord& tool);
extern ToolTablePickFunc ToolTablePick;
