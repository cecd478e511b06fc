// The help set the program ships in data/: every help number the code uses has its text, every
// message the calculation can raise has its origin and remedy, and every picture named by a
// topic or by the catalogue exists and draws.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/hpgl.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/message_help.h"
#include "framework/core/text.h"
#include "framework/ui/help_pictures.h"
#include "platform/os/codepage.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = QOR_SOURCE_DIR;
const std::string kData = kSource + "/data";

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Source files of the program (not the tests).
std::vector<fs::path> ProgramSources(const std::vector<std::string>& folders) {
    std::vector<fs::path> out;
    for (const std::string& d : folders) {
        const fs::path dir = fs::path(kSource) / d;
        if (!fs::exists(dir)) continue;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".cpp" || ext == ".h")) out.push_back(e.path());
        }
    }
    return out;
}

// Text after position pos with blanks skipped.
std::size_t SkipBlanks(const std::string& t, std::size_t pos) {
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\n' || t[pos] == '\t' || t[pos] == '\r'))
        ++pos;
    return pos;
}

// Each place where name (a whole word) is followed by "(" (or by "=" when assign is set):
// the position after it.
std::vector<std::size_t> Uses(const std::string& t, const std::string& name, char follow) {
    std::vector<std::size_t> out;
    for (std::size_t pos = t.find(name); pos != std::string::npos; pos = t.find(name, pos + 1)) {
        const bool wordStart = pos == 0 || !(std::isalnum(static_cast<unsigned char>(t[pos - 1])) ||
                                             t[pos - 1] == '_');
        std::size_t after = SkipBlanks(t, pos + name.size());
        if (!wordStart || after >= t.size() || t[after] != follow) continue;
        if (follow == '=' && after + 1 < t.size() && t[after + 1] == '=') continue;
        out.push_back(after + 1);
    }
    return out;
}

// Help numbers the code passes to the help: SetHelpNo(n), SetHelpContext(n), HelpNo = n,
// ShowHelp(n, ...), GetHelpText(n, ...), ReadHelpText(n, ...).
std::set<int> HelpNumbersInCode() {
    std::set<int> numbers;
    for (const fs::path& p :
         ProgramSources({"framework", "calc", "cad", "drawings", "dbf", "shell", "app"})) {
        const std::string text = ReadFile(p);
        std::vector<std::size_t> at;
        for (const char* f :
             {"SetHelpNo", "SetHelpContext", "ShowHelp", "GetHelpText", "ReadHelpText"})
            for (std::size_t pos : Uses(text, f, '('))
                at.push_back(pos);
        for (std::size_t pos : Uses(text, "HelpNo", '='))
            at.push_back(pos);
        for (std::size_t pos : at) {
            pos = SkipBlanks(text, pos);
            std::size_t end = pos;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                ++end;
            if (end - pos >= 3 && end - pos <= 4)
                numbers.insert(std::stoi(text.substr(pos, end - pos)));
        }
    }
    return numbers;
}

// The help numbers of the program's dialogs, menus and questions, including those of the
// dialogs of the shell.
const int kDialogHelpNumbers[] = {
    1000, 1030, 1040, 1050, 1060, 1070, 1090, 1210, 1555, 1570, 1580, 1585, 1590, 1595, 1600,
    1605, 1610, 1615, 1670, 1710, 1720, 1725, 1730, 1740, 1750, 1755, 1800, 1810, 1830, 1910,
    1920, 1930, 1935, 1940, 1950, 1960, 1970, 1980, 2050, 2055, 2060, 2070, 2080, 2090, 2100,
    2110, 2120, 2130, 2140, 2145, 2150, 2160, 2170, 2280, 2300, 2310, 2320, 2330, 2340, 2350,
    2450, 2500, 2530, 2535, 2730, 2820, 3000, 3010, 3055, 3210, 3400, 3500, 4460, 5040, 5060,
    5070, 5080, 5090, 5100, 5120, 5130, 5160, 5170, 5180, 5210, 5220, 5230, 5240, 5250, 5400,
    5410, 5420, 5430, 5440, 5450, 5460, 5475, 5880, 6035, 8220, 8230, 8250, 8260, 8275, 8280,
    8285, 8300, 8310, 8320, 8325, 8330, 8340, 8345, 8350, 8360, 8370, 8380, 9020, 9040, 9510};

// A message as the calculation raises it and the list key derived from it.
struct RaisedMessage {
    std::string Text;    // the literal (with the suffix of the guarded functions)
    bool Prefix = false; // the literal is only the beginning (a number follows)
    std::string Where;
};

// Messages the calculation raises: AddError("...") and Fatal("...") literals, and the names of
// Power ("... (pow)") and SqrtChecked ("... (sqrt)").
std::vector<RaisedMessage> MessagesInCalculation() {
    std::vector<RaisedMessage> out;
    std::vector<fs::path> files = ProgramSources({"calc"});
    files.push_back(fs::path(kSource) / "framework/core/maths.cpp");
    for (const fs::path& p : files) {
        const std::string text = ReadFile(p);
        for (const std::string fn : {"AddError", "Fatal", "Power", "SqrtChecked"}) {
            for (std::size_t pos : Uses(text, fn, '(')) {
                pos = SkipBlanks(text, pos);
                if (pos >= text.size() || text[pos] != '"') continue;
                const std::size_t end = text.find('"', pos + 1);
                std::string lit = text.substr(pos + 1, end - pos - 1);
                // The only escape the messages use is the sharp s (the beta of the DOS page).
                const std::string esc = "\\u00DF";
                for (auto e = lit.find(esc); e != std::string::npos; e = lit.find(esc))
                    lit.replace(e, esc.size(), "\u00DF");
                if (lit.empty()) continue;
                RaisedMessage m;
                m.Where = p.filename().string() + ": " + fn;
                m.Text = lit;
                if (fn == "Power") m.Text += " (pow)";
                if (fn == "SqrtChecked") m.Text += " (sqrt)";
                const std::size_t next = SkipBlanks(text, end + 1);
                m.Prefix = next < text.size() && text[next] == '+';
                out.push_back(m);
            }
        }
    }
    return out;
}

// The message help file read here on its own: entries of three lines.
struct ErrEntry {
    std::string Message, Origin, Remedy;
};
std::vector<std::string> ShippedErrLines() {
    std::string bytes = ReadFile(kData + "/qor1w.err");
    std::vector<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(os::Cp437ToUtf8(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(os::Cp437ToUtf8(line));
    return lines;
}

class ShippedHelp : public ::testing::Test {
protected:
    void SetUp() override {
        savedDir_ = PltDir;
        savedName_ = ProgramName;
        PltDir = kData;
        ProgramName = "qor1w";
        AbortFlag = 0;
    }
    void TearDown() override {
        PltDir = savedDir_;
        ProgramName = savedName_;
        AbortFlag = 0;
    }
    std::string savedDir_, savedName_;
};

TEST_F(ShippedHelp, EveryHelpNumberOfTheCodeAndTheDialogsHasItsText) {
    std::set<int> numbers = HelpNumbersInCode();
    // The scan must see the help numbers the framework itself sets.
    EXPECT_TRUE(numbers.count(1210) && numbers.count(2300) && numbers.count(3055) &&
                numbers.count(1970))
        << "help numbers not found in the sources";
    numbers.insert(std::begin(kDialogHelpNumbers), std::end(kDialogHelpNumbers));
    for (int n : numbers) {
        const HelpTopic t = FindHelpTopic(static_cast<std::uint16_t>(n));
        EXPECT_TRUE(t.Found) << "help number " << n << " has no text";
        EXPECT_FALSE(TrimBlanks(t.Lines[0]).empty()) << "help number " << n;
        // A topic's text stays readable in a message box and as a hint.
        for (const std::string& l : t.Lines)
            EXPECT_LE(os::Utf8Length(l), 80u) << n << ": " << l;
    }
}

TEST_F(ShippedHelp, HelpFilesHoldOnlyTopicsOfMultiplesOfFive) {
    for (const char* file : {"kelmora.hlp", "qor1w.hlp"}) {
        const std::string text = os::Cp437ToUtf8(ReadFile(kData + "/" + file));
        std::istringstream in(text);
        std::string line;
        int topics = 0;
        bool low = std::string(file) == "kelmora.hlp";
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            int n = -1;
            std::string pic;
            ParseHelpLine(line, n, pic);
            if (n < 0) continue;
            ++topics;
            EXPECT_EQ(n % 5, 0) << file << ": " << line;
            EXPECT_EQ(n < 4000, low) << file << ": " << line << " is in the wrong file";
            std::getline(in, line); // its text line
            if (!line.empty() && line.back() == '\r') line.pop_back();
            EXPECT_FALSE(TrimBlanks(line).empty()) << file << ": topic " << n << " without text";
        }
        EXPECT_GT(topics, 10) << file;
    }
}

class ShippedPictures : public ShippedHelp {
protected:
    void SetUp() override {
        ShippedHelp::SetUp();
        InitDrawWindowState();
        InitHpglState();
        device_ = std::make_unique<TDrawDevice>();
        DrawDevice = device_.get();
    }
    void TearDown() override {
        DrawDevice = nullptr;
        device_.reset();
        ShippedHelp::TearDown();
    }
    // Draws a shipped picture; the number of lines, arcs and circles it drew.
    int Draw(const std::string& name) {
        std::string real;
        const std::string file =
            name.size() > 4 && name.substr(name.size() - 4) == ".plt" ? name : name + ".plt";
        EXPECT_EQ(os::ResolvePathNoCase(kData + "/" + file, real), 0)
            << name << ".plt is not shipped";
        ShowPltPicture(name);
        EXPECT_EQ(AbortFlag, 0) << name;
        int drawn = 0;
        for (const std::string& l : DisplayList->Lines()) {
            const int code = std::stoi(l);
            drawn += code == drLine || code == drArc || code == drCircle;
        }
        return drawn;
    }
    std::unique_ptr<TDrawDevice> device_;
};

TEST_F(ShippedPictures, StartPictureAndTheMainInputPictures) {
    EXPECT_GT(Draw("start"), 100);
    EXPECT_GT(Draw("start.plt"), 100); // the start-up passes the name with its extension
    EXPECT_GT(Draw("rack"), 20);
    EXPECT_GT(Draw("thick"), 20);
    EXPECT_GT(Draw("measure"), 100);
    EXPECT_GT(Draw("tip"), 10);
    EXPECT_GT(Draw("null"), 3);
}

TEST_F(ShippedPictures, EveryPictureNamedByATopicOrTheCatalogueExists) {
    std::set<std::string> names;
    for (int n = 0; n <= 9995; n += 5) {
        const HelpTopic t = FindHelpTopic(static_cast<std::uint16_t>(n));
        if (t.Found && t.Picture != "NULL") names.insert(t.Picture);
    }
    std::vector<DbhEntry> entries;
    ASSERT_TRUE(ReadDbhEntries(DbhFileName(), entries));
    EXPECT_GE(entries.size(), 5u);
    for (const DbhEntry& e : entries) {
        names.insert(DbhPictureName(e.Name));
        EXPECT_FALSE(e.Title.empty()) << e.Name;
    }
    EXPECT_TRUE(names.count("rack") && names.count("thick") && names.count("measure"));
    for (const std::string& name : names)
        EXPECT_GT(Draw(name), 0) << name;
}

TEST_F(ShippedHelp, EveryMessageOfTheCalculationHasOriginAndRemedy) {
    const std::vector<RaisedMessage> raised = MessagesInCalculation();
    ASSERT_GT(raised.size(), 60u) << "messages not found in the calculation sources";
    const std::vector<std::string> lines = ShippedErrLines();
    ASSERT_EQ(lines.size() % 3, 0u);
    for (const RaisedMessage& m : raised) {
        // As the list stores it: 36 characters; the file identifies it by 14.
        const std::string stored = os::Utf8Left(m.Text, 36);
        std::string origin, remedy;
        if (m.Prefix && os::Utf8Length(stored) < ErrHelpKeyLength) {
            // "Fatal  : z" + number + ...: some entry must begin with the literal.
            bool found = false;
            for (std::size_t i = 0; i < lines.size(); i += 3)
                found = found || lines[i].rfind(stored, 0) == 0;
            EXPECT_TRUE(found) << m.Where << ": \"" << m.Text << "\"";
            continue;
        }
        ASSERT_EQ(FindErrHelp(stored, origin, remedy), 0) << m.Where << ": \"" << m.Text << "\"";
        EXPECT_GT(origin.size(), 20u) << m.Text;
        EXPECT_GT(remedy.size(), 10u) << m.Text;
    }
}

TEST_F(ShippedHelp, MessageHelpFileLinesNeverPassForAMessage) {
    const std::vector<std::string> lines = ShippedErrLines();
    std::set<std::string> keys;
    for (std::size_t i = 0; i < lines.size(); i += 3) {
        const std::string key = os::Utf8Left(lines[i], ErrHelpKeyLength);
        EXPECT_TRUE(keys.insert(key).second) << "two entries for " << key;
        EXPECT_LE(os::Utf8Length(lines[i]), 36u) << lines[i];
    }
    for (std::size_t i = 0; i < lines.size(); i += 3)
        for (std::size_t k = 1; k <= 2; ++k)
            EXPECT_EQ(keys.count(os::Utf8Left(lines[i + k], ErrHelpKeyLength)), 0u)
                << "line " << i + k + 1 << " reads as a message: " << lines[i + k];
}

} // namespace
