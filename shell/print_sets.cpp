// printcon: the named print sets in "printout.dbf".
#include "shell/print_sets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cmath>

#include "framework/core/config_file.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"
#include "shell/table_access.h"

namespace {

constexpr const char* kTable = "printout.dbf";
const char* const kFields[] = {"name",      "xscale",    "yscale",   "xorigin",   "yorigin",
                               "landscape", "monochrom", "variable", "borderline"};
constexpr int kFieldCount = 9;
// The largest origin a set may hold, in mm (a kilometre off the page is damage, and every
// value up to it converts to an int).
constexpr double kMaxOrigin = 1.0e6;

bool Report(const std::string& text) {
    ShowError(text);
    AbortFlag = 1;
    return false;
}

// Opens the table (for reading only unless `write`) and finds its fields (numbers in kFields
// order).
bool OpenSets(TTableAccess& t, const std::string& table, bool write, int (&no)[kFieldCount]) {
    struct stat st {};
    if (write && ::access(table.c_str(), W_OK) != 0) // permissions, or a read-only file system
        return Report("The print set cannot be saved: " + table + " may not be written (" +
                      FileErrorCause(os::ErrnoToDosForPath(errno, table.c_str()), table) + ")");
    if (write && (::stat(table.c_str(), &st) != 0 || (st.st_mode & 0222) == 0))
        return Report("The print set cannot be saved: " + table +
                      " may not be written (permission denied)");
    if (!t.Open(table, false, !write)) return Report("Error  : DBF Error " + table + ": " + t.Error());
    for (int i = 0; i < kFieldCount; ++i) {
        no[i] = t.FieldNo(kFields[i]);
        if (no[i] == 0) return Report(table + " has no field " + std::string(kFields[i]) + " !");
    }
    return true;
}

} // namespace

std::string PrintSetTable() {
    std::string path;
    const std::string dir = AddBackslash(PrintoutDbfDir);
    if (!PrintoutDbfDir.empty() &&
        os::FindNameNoCase(dir.substr(0, dir.size() - 1), kTable, path) == 0)
        return path;
    std::string problem;
    path = ShippedTableIn(DbfDir, kTable, &problem);
    if (path.empty()) {
        ShowError("file " + AddBackslash(DbfDir) + kTable + " not found or no access !" +
                  (problem.empty() ? "" : " (" + problem + ")"));
        AbortFlag = 1;
    }
    return path;
}

bool ReadPrintSet(const std::string& table, int recNo, TPrintSet& set) {
    TTableAccess t;
    int no[kFieldCount];
    if (!OpenSets(t, table, false, no)) return false;
    if (!t.Go(recNo)) return Report("DBF #" + std::to_string(recNo) + " not found.");
    // A damaged set (a scale that is no positive number, an origin no integer holds) is refused
    // before anything of it is used.
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const double v = t.Number(no[1 + i]);
        const bool usable =
            i < 2 ? std::isfinite(v) && v > 0 : std::isfinite(v) && std::fabs(v) <= kMaxOrigin;
        if (!usable)
            return Report("Print set " + std::to_string(recNo) + " of " + table +
                          " has no usable " + kFields[1 + i] + ": " + t.StoredText(no[1 + i]));
        values[i] = v;
    }
    TPrintSet s;
    s.Name = t.Text(no[0]);
    s.ScaleX = values[0];
    s.ScaleY = values[1];
    s.OriginX = static_cast<int>(values[2]);
    s.OriginY = static_cast<int>(values[3]);
    s.Landscape = t.Logical(no[5]);
    s.Monochrome = t.Logical(no[6]);
    s.FitLimits = t.Logical(no[7]);
    s.BorderLine = t.Logical(no[8]);
    set = s;
    return true;
}

std::string PrintSetNameProblem(const std::string& table, const std::string& name) {
    TTableAccess t;
    if (!t.Open(table, false, true)) return {};
    const int n = t.FieldNo(kFields[0]);
    return n == 0 ? std::string() : t.TextProblem(n, name, "Print set name");
}

bool AppendPrintSet(const std::string& table, const TPrintSet& set) {
    TTableAccess t;
    int no[kFieldCount];
    if (!OpenSets(t, table, true, no)) return false;
    // The name as given or nothing: never cut, nor a character turned into "?".
    if (const std::string why = t.TextProblem(no[0], set.Name, "Print set name"); !why.empty())
        return Report(why);
    // A table where nothing is kept is told of before its first set of the run.
    static std::vector<std::string> told;
    if (InNotKeptFolder(table) && std::find(told.begin(), told.end(), table) == told.end()) {
        told.push_back(table);
        ShowMessage("The print set is saved in " + table +
                    ", which is not kept: its folder is deleted with everything in it when the "
                    "program ends, since your data folder " + UserDataDir() +
                    " could not be made or written.");
    }
    // A new record first, then its values, then the write: the sets already in the table are
    // never written to.
    t.Blank();
    const bool ok = t.SetText(no[0], set.Name) && t.SetNumber(no[1], set.ScaleX) &&
                    t.SetNumber(no[2], set.ScaleY) && t.SetNumber(no[3], set.OriginX) &&
                    t.SetNumber(no[4], set.OriginY) && t.SetLogical(no[5], set.Landscape) &&
                    t.SetLogical(no[6], set.Monochrome) && t.SetLogical(no[7], set.FitLimits) &&
                    t.SetLogical(no[8], set.BorderLine) && t.Append();
    if (!ok) return Report("The print set could not be saved in " + table + ": " + t.Error());
    return true;
}
