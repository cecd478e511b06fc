#pragma once
// Shared set-up of the listing engine tests: a fresh start state, a private temporary folder as
// TempDir, a fixed clock, and helpers to read files and run the independent checkers.

#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/responder.h"
#include "tests/testutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace listing_test {

namespace fs = std::filesystem;

using qortest::ReadFileBytes;
using qortest::WriteFileBytes;

// Runs a command; returns its exit status and appends its output (stdout and stderr) to out.
inline int RunCmd(const std::string& cmd, std::string* out = nullptr) {
    int status = -1;
    const std::string text = qortest::RunCommand(cmd + " 2>&1", status);
    if (out != nullptr) *out += text;
    return status;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// The message texts a responder saw ("Message:: text").
inline std::vector<std::string> Messages(const ScriptedResponder& r) {
    std::vector<std::string> out;
    for (const std::string& s : r.Seen())
        if (s.rfind("message: ", 0) == 0) out.push_back(s.substr(9));
    return out;
}

// Only the error boxes among them.
inline std::vector<std::string> Errors(const ScriptedResponder& r) {
    std::vector<std::string> out;
    for (const std::string& s : Messages(r))
        if (s.rfind("Error  : ", 0) == 0) out.push_back(s);
    return out;
}

inline int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size()))
        ++n;
    return n;
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        SetProductIdentity();
        InitErrors();
        InitListing();
        AbortFlag = 0;
        CalcErrorFlag = 0;
        HelpNo = 0;
        ConfirmOverwrite = 1;
        dir = qortest::FreshTestDir("qor_listing_");
        fs::permissions(dir, fs::perms::owner_all); // a folder of one's own holds the listings
        TempDir = dir.string();
        DataDir = "/data/gears/";
        DataFileName = "gear";
        static const ClockReading clock{2026, 3, 7, 9, 5, 0, 0};
        SetClockForTesting(&clock);
    }
    void TearDown() override {
        SetClockForTesting(nullptr);
        InitListing();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    // Names of the files in the temporary folder.
    std::vector<std::string> TempFiles() const { return qortest::SortedNames(dir); }
    fs::path dir;
};

// The sample listing: a framed head with column heads, a few value rows (one with a long
// designation) and a section break.
inline void WriteSampleBody() {
    ListLine("printout  Wheel D-200");
    ListLine(ListDoubleRuleLine());
    ListValueLine("Pressure Angle", "alpha", "deg", "20.00000");
    ListValuePairLine("Span measurement", "W max.", "mm", "  23.456", "  23.400");
    ListValueLine("Tip diameter with a short addendum of the gear", "da", "mm", "  105.123");
    ListSectionBreak();
}

inline void SampleHeader() {
    ListHeader("Production Sheet", ListNumberLine("Pinion", "D-100"),
               ListNumberLine("Wheel", "D-200"), "Title one", "Title two", 0);
    ListSetHeaderFields("", "Symbol", "Unit", "premach.", "finished");
}

// ListBegin .. ListEnd of the sample listing on a device.
inline void WriteSample(std::uint16_t device) {
    SampleHeader();
    ListBegin(device, DataFileName);
    if (AbortFlag != 0) return;
    if (!ListRewrite()) return;
    ListHead(0, 1);
    WriteSampleBody();
    ListEnd();
}

// A responder step that chooses a file in the save dialog.
inline ScriptedResponder::DialogStep ChooseFile(const std::string& path) {
    return [path](TCommonDialog& d) {
        dynamic_cast<TOpenDialog&>(d).Choose(path);
        return true;
    };
}

} // namespace listing_test
