#pragma once
// Shared set-up of the CAD tests: fresh settings and CAD state, a drawing device with its display
// list, a temporary directory as TempDir, and a responder that answers every question and keeps
// the message texts.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "cad/dxfwrite.h"
#include "framework/ui/draw_device.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "platform/gui/responder.h"
#include "tests/testutil.h"

namespace cadtest {

// Answers messages with OK and records them; dialogs and forms through optional steps.
class RecordingResponder : public ModalResponder {
public:
    std::vector<std::string> Messages;
    std::function<bool(TCommonDialog&)> Dialog;
    std::function<void(TForm&)> Form;
    void RespondForm(TForm& form) override {
        if (Form)
            Form(form);
        else
            BatchResponder::CancelForm(form);
    }
    int RespondMessage(const MessageQuestion& q) override {
        Messages.push_back(q.Text);
        return q.Offers(IDOK) ? IDOK : q.CancelAnswer();
    }
    bool RespondDialog(TCommonDialog& d) override { return Dialog ? Dialog(d) : false; }
};

using qortest::ReadFileBytes;
using qortest::RunCommand;
using qortest::WriteFileBytes;

// The DXF reader check (python3-ezdxf) on a file: its report lines.
inline std::vector<std::string> EzdxfReport(const std::string& file, int& status) {
    const std::string cmd = std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                            "/tests/cad/dxf_check.py '" + file + "' 2>&1";
    const std::string out = RunCommand(cmd, status);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

// The lines of a report.
inline std::vector<std::string> ReportLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// What follows "key " on the first line of a report that begins so ("" when none does).
inline std::string ReportValue(const std::vector<std::string>& lines, const std::string& key) {
    for (const auto& l : lines)
        if (l.rfind(key + " ", 0) == 0) return l.substr(key.size() + 1);
    return "";
}
inline std::string ReportValue(const std::string& text, const std::string& key) {
    return ReportValue(ReportLines(text), key);
}

// The numbers of a text separated by blanks.
inline std::vector<double> Numbers(const std::string& text) {
    std::vector<double> v;
    std::istringstream in(text);
    for (double x; in >> x;)
        v.push_back(x);
    return v;
}

// OpenCASCADE's reading of an IGES file through tools/igescheck: its report, its exit status
// in status.
inline std::string IgesCheckReport(const std::string& file, int& status) {
#ifdef QOR_IGES_CHECK
    return RunCommand(std::string(QOR_IGES_CHECK) + " '" + file + "' 2>&1", status);
#else
    ADD_FAILURE() << "tools/igescheck was not built (scripts/install-deps)";
    (void)file;
    status = -1;
    return {};
#endif
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

class CadTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        InitErrors();
        InitCadVariables();
        RegisterCadWriters();
        InitDrawWindowState();
        ScreenWidth = 640;
        ScreenHeight = 480;
        AbortFlag = 0;
        ErrorBoxesOn = 1;
        device_ = new TDrawDevice;
        DrawDevice = device_;
        dir_ = qortest::FreshTestDir("qor_cad_");
        TempDir = dir_.string();
        CadDir = dir_.string();
        scope_ = std::make_unique<ResponderScope>(responder_);
    }
    void TearDown() override {
        scope_.reset();
        CadDeleteBlockFiles();
        CadClearBlockCache();
        CurrentCadWriter()->Abandon();
        delete device_;
        DrawDevice = nullptr;
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::vector<std::string> Records() { return DisplayList->Lines(); }
    // The display-list records of one code ("<code>;...").
    static std::vector<std::string> RecordsOf(int code) {
        std::vector<std::string> out;
        const std::string prefix = std::to_string(code) + ";";
        for (const auto& l : Records())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

    // Opens code 1 on a file in the test directory through the batch name.
    void OpenDxf(const std::string& base) {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        CadOpenOutput(1);
        CadBatchOutput = 0;
    }

    RecordingResponder responder_;
    TDrawDevice* device_ = nullptr;
    std::filesystem::path dir_;
    std::unique_ptr<ResponderScope> scope_;
};

} // namespace cadtest
