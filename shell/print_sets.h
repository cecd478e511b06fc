#pragma once
// The named settings sets of the graphic printout in the table "printout.dbf": name, scales,
// origin, orientation, monochrome, fit to the limits, border line.
//
// The table is the one in PrintoutDbfDir when that directory holds it, else the one in DbfDir
// (put there from the shipped tables the first time). Every failure is reported with a message
// and sets AbortFlag; the table is closed again before any of these returns.

#include <string>
#include <vector>

struct TPrintSet {
    std::string Name; // at most 25 characters
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    int OriginX = 0; // mm
    int OriginY = 0;
    bool Landscape = true;
    bool Monochrome = false;
    bool FitLimits = false;
    bool BorderLine = false;
};

inline constexpr int PrintSetNameLength = 25;

// The table's path ("" when neither directory holds one: reported).
std::string PrintSetTable();
// Reads set recNo (from 1), opening the table for reading only (a read-only table serves);
// false (reported) when there is no such record, or when a scale is no positive number or an
// origin no integer of mm up to a kilometre (a damaged table).
bool ReadPrintSet(const std::string& table, int recNo, TPrintSet& set);
// Why name would not be stored as typed in the table's name field ("" when it would, or when the
// table cannot be read: saving says why).
std::string PrintSetNameProblem(const std::string& table, const std::string& name);
// Adds set as a new last record; the sets already there stay as they are. False (reported)
// when the table cannot take it (a table the user may not write is told so); the table then
// holds what it held.
bool AppendPrintSet(const std::string& table, const TPrintSet& set);
