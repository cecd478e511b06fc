// help: the help texts and the help context.
#include "framework/ui/help.h"

#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/globals.h"
#include "framework/ui/hpgl.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "platform/gui/msgbox.h"
#include "platform/os/errors.h"
#include "platform/os/utf8.h"

std::uint16_t HelpNo = 0;
ShowHelpFunc ShowHelpHandler = &ShowHelpTopic;

void SetHelpNo(std::uint16_t n) {
    HelpNo = n;
}

void ShowHelp(std::uint16_t number, std::uint16_t mode) {
    if (ShowHelpHandler != nullptr) ShowHelpHandler(number == 0 ? HelpNo : number, mode);
}

std::string NoHelpText(std::uint16_t n) {
    return "help text No " + IntToString(n) + ": " + "No help available" + ".";
}

std::string HelpFileName(std::uint16_t n) {
    const std::string name = n < 4000 ? std::string("kelmora") : LowerCaseStr(ProgramName);
    return AddBackslash(PltDir) + name + ".hlp";
}

void ParseHelpLine(std::string_view line, int& number, std::string& picture) {
    number = -1;
    const std::string head = os::Utf8Left(line, 4);
    bool ok = false;
    const std::int32_t v = ParseInteger(head, ok);
    // Only plain digits make a help number ("+100" or " -12" are text).
    bool digits = !TrimBlanks(head).empty();
    for (char c : TrimBlanks(head))
        if (c < '0' || c > '9') digits = false;
    if (ok && digits && v >= 0) number = v;
    const auto colon = line.find(':');
    picture =
        colon == std::string_view::npos ? std::string("NULL") : TrimBlanks(line.substr(colon + 1));
}

namespace {
constexpr std::size_t kMaxHelpLines = 100000;
} // namespace

HelpTopic FindHelpTopic(std::uint16_t n) {
    HelpTopic t;
    const std::string name = HelpFileName(n);
    TextFile file;
    file.Assign(name, TextEncoding::Oem);
    if (const int rc = file.Reset(); rc != 0) {
        // A name that is there but no file to read (a folder, a device) says what it is.
        t.Lines[0] = rc == os::kErrFileNotFound || rc == os::kErrPathNotFound
                         ? "File " + name + " not found !"
                         : FileReadProblem(name, rc);
        t.Picture = "null";
        t.FileMissing = true;
        AbortFlag = 0;
        return t;
    }
    // A help file is a few thousand lines of text: an endless one, or one with an over-long
    // line, is no help file and is refused with its cause in place of the help.
    auto refused = [&] {
        const int rc = file.Error();
        const bool endless = file.LinesRead() > kMaxHelpLines;
        if (rc == 0 && !endless) return false;
        file.Discard();
        t = HelpTopic{};
        t.Lines[0] = endless ? "File " + name + " could not be read: it has more than " +
                                   IntToString(kMaxHelpLines) + " lines (not a help file)."
                             : FileReadProblem(name, rc);
        t.Picture = "null";
        t.FileMissing = true;
        AbortFlag = 0;
        return true;
    };
    std::string line;
    while (!file.Eof() && file.LinesRead() <= kMaxHelpLines) {
        if (file.ReadLine(line) != 0) break;
        int number = -1;
        std::string picture;
        ParseHelpLine(line, number, picture);
        if (number < 0) continue;
        std::string text;
        if (!file.Eof()) file.ReadLine(text);
        if (number == n) {
            t.Found = true;
            t.Lines[0] = text;
            t.Picture = picture;
            break;
        }
    }
    if (refused()) return t;
    if (!t.Found) {
        file.Discard();
        t.Lines[0] = NoHelpText(n);
        t.Picture = "null";
        AbortFlag = 0;
        return t;
    }
    for (int k = 2; k <= 5; ++k) {
        if (file.Eof() || file.ReadLine(line) != 0) {
            if (refused()) return t;
            AbortFlag = 0;
            file.Discard();
            return t;
        }
        int number = -1;
        std::string picture;
        ParseHelpLine(line, number, picture);
        if (number >= 0 && number % 5 == 0) {
            file.Discard();
            return t; // the next topic
        }
        if (number >= 0) {
            std::string text;
            if (!file.Eof()) file.ReadLine(text);
            if (number == n + k - 1) t.Lines[k - 1] = text;
        } else {
            t.Lines[k - 1] = line;
        }
    }
    AbortFlag = 0;
    file.Discard();
    return t;
}

void DisplayHelp(const HelpTopic& topic, std::uint16_t mode, std::uint16_t n) {
    if (mode == 0 || mode == 1) {
        std::string text;
        for (const std::string& l : topic.Lines)
            text += OemToAnsiString(l + " ");
        const std::string caption = UpperCaseStr("help text") + " " + "No" + "." + IntToString(n);
        MessageBox(text, caption, MB_OK | MB_TASKMODAL);
    }
    if ((mode == 0 || mode == 2) && DrawDevice != nullptr) {
        // The job's drawing comes back when the dialog asking for the picture closes.
        KeepDrawingUnderPicture();
        DrawDevice->ClearDevice();
        DrawDevice->DrawHeader(0, 0, 160, 120);
        if (!topic.Picture.empty() && topic.Picture != "NULL")
            DrawHpglFile(AddBackslash(PltDir) + topic.Picture + ".plt");
        PictureDrawn();
        DrawDevice->ClearDrawArea();
    }
}

void ShowHelpTopic(std::uint16_t number, std::uint16_t mode) {
    if (mode > 2) return;
    DisplayHelp(FindHelpTopic(number), mode, number);
}

void ReadHelpText(std::uint16_t number, std::string& text) {
    const HelpTopic t = FindHelpTopic(number);
    if (!t.Found) {
        // NoHelpText as it stands; the missing file's line converted like a topic's text.
        text = t.FileMissing ? OemToAnsiString(t.Lines[0]) : t.Lines[0];
        return;
    }
    text.clear();
    for (std::size_t k = 0; k < t.Lines.size(); ++k) {
        if (k > 0) text += ' ';
        text += OemToAnsiString(t.Lines[k]);
    }
}

void GetHelpText(std::uint16_t number, std::string& text) {
    ReadHelpText(number, text);
}
