// Text-file reading and writing, file services, path helpers and dates. Input fixtures were
// written with Python's codecs (tests/data/textfiles); written files are checked byte by byte
// against the code-page bytes and CR LF line ends they must hold.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

using qortest::ReadFileBytes;
using qortest::WriteFileBytes;

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

class TextFiles : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        SetProductIdentity();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(QOR_BINARY_DIR) / "tests_textfiles" /
               (std::string(info->test_suite_name()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        AbortFlag = 0;
    }
    void TearDown() override {
        SharedTextFile.Discard();
        InitAllSettings();
        SetClockForTesting(nullptr);
    }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> Names() const { return qortest::SortedNames(dir_); }
    fs::path dir_;
};

} // namespace

// ---- reading fixtures written by another program -------------------------------------------

class ReadFixture : public TextFiles,
                    public ::testing::WithParamInterface<std::pair<const char*, TextEncoding>> {};

TEST_P(ReadFixture, EveryReaderTakesItsLineWhateverTheLineEnd) {
    const auto [file, encoding] = GetParam();
    SharedTextFile.Assign(std::string(QOR_TEST_DATA_DIR "/textfiles/") + file, encoding);
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    long double x = -1;
    bool t = false;
    bool nf = true;
    std::int32_t n = -1;
    std::uint16_t w = 9;
    long double e = 0;
    std::string empty = "unchanged";
    std::string a, b, c, d, text, r1, r2, r3, r4, r5, r6, last;
    ReadTextReal(x);
    ReadTextTrue(t);
    ReadTextNotFalse(nf);
    ReadTextInt(n);
    ReadTextWord(w);
    ReadTextReal(e);
    ReadTextLine(empty);
    ReadTextRecord(a, b, c, d);
    ReadTextLine(text);
    ReadTextRecord6(r1, r2, r3, r4, r5, r6);
    EXPECT_FALSE(SharedTextFile.Eof());
    ReadTextLine(last);
    EXPECT_EQ(x, 1.5L);
    EXPECT_TRUE(t);
    EXPECT_FALSE(nf);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(w, 0); // 70000 does not fit 16 bits
    EXPECT_EQ(e, -0.025L);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(a + b + c + d, "xyzw");
    EXPECT_EQ(text, "Gr\u00FC\u00DFe \u00B10,05 20\u00B0");
    EXPECT_EQ(r1 + "/" + r2 + "/" + r3 + "/" + r4, "1.5/2/3.5/0");
    EXPECT_EQ(r5, "a|b"); // the bar inside the text stays in the text
    EXPECT_EQ(r6, "");
    EXPECT_EQ(last, "last");
    EXPECT_TRUE(SharedTextFile.Eof());
    EXPECT_FALSE(SharedTextFile.PastEnd());
    EXPECT_EQ(AbortFlag, 0);
    // After the end: targets keep their values; that is no I/O failure.
    std::string after = "kept";
    long double y = 7;
    ReadTextLine(after);
    ReadTextReal(y);
    EXPECT_EQ(after, "kept");
    EXPECT_EQ(y, 7.0L);
    EXPECT_TRUE(SharedTextFile.PastEnd());
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(SharedTextFile.Close(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    LineEndsAndCodePages, ReadFixture,
    ::testing::Values(std::make_pair("lines_crlf_cp437.txt", TextEncoding::Oem),
                      std::make_pair("lines_lf_cp1252.txt", TextEncoding::Ansi),
                      std::make_pair("lines_cr_utf8_noeol.txt", TextEncoding::Utf8)));

TEST_F(TextFiles, EndOfFileStates) {
    WriteFileBytes(P("z.txt"), "one\r\ntwo\x1A");
    WriteFileBytes(P("e.txt"), "");
    WriteFileBytes(P("bom.txt"), "\xEF\xBB\xBF\xC3\xA4\r\n");
    WriteFileBytes(P("crcr.txt"), "a\r\r\nb\x1A"
                                  "c\r\n\x1A");
    std::string s;
    SharedTextFile.Assign(P("z.txt"));
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    ReadTextLine(s);
    EXPECT_EQ(s, "one");
    ReadTextLine(s);
    EXPECT_EQ(s, "two"); // a final Ctrl-Z ends old DOS files
    EXPECT_TRUE(SharedTextFile.Eof());
    SharedTextFile.Assign(P("e.txt"));
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    EXPECT_TRUE(SharedTextFile.Eof());
    EXPECT_EQ(SharedTextFile.ReadLine(s), TextFile::kIoPastEnd);
    SharedTextFile.Assign(P("bom.txt")); // assumed Windows 1252, but the mark says UTF-8
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    ReadTextLine(s);
    EXPECT_EQ(s, "\u00E4");
    SharedTextFile.Assign(P("crcr.txt"));
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    std::vector<std::string> lines;
    while (!SharedTextFile.Eof()) {
        ReadTextLine(s);
        lines.push_back(s);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "",
                                               "b\x1A"
                                               "c"}));
    SharedTextFile.Close();
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(TextFiles, ReadingFindsNamesWhateverTheirLetterCase) {
    fs::create_directories(dir_ / "Help");
    WriteFileBytes(dir_ / "Help" / "Text.hxp", "found\r\n");
    EXPECT_TRUE(FileExist(P("HELP/TEXT.HXP")));
    SharedTextFile.Assign(P("help/text.HXP"));
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    std::string s;
    ReadTextLine(s);
    EXPECT_EQ(s, "found");
    SharedTextFile.Assign(P("help/other.hxp"));
    EXPECT_EQ(SharedTextFile.Reset(), 2);
    SharedTextFile.Assign(P("nohelp/text.hxp"));
    EXPECT_EQ(SharedTextFile.Reset(), 3);
}

TEST_F(TextFiles, MisuseAndMissingFilesReportCodes) {
    std::string s = "x";
    SharedTextFile.Assign(P("missing.txt"));
    EXPECT_EQ(SharedTextFile.Reset(), 2);
    EXPECT_EQ(AbortFlag, 0); // opening reports by code; the caller decides
    SharedTextFile.Assign(P("nodir/missing.txt"));
    EXPECT_EQ(SharedTextFile.Reset(), 3);
    ReadTextLine(s); // nothing open
    EXPECT_EQ(s, "x");
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    SharedTextFile.Assign(P("w.txt"));
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    ReadTextLine(s); // open for writing
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(SharedTextFile.ReadLine(s), kIoNotOpenForInput);
    SharedTextFile.Discard();
    AbortFlag = 0;
    WriteTextLine("nothing open");
    EXPECT_EQ(AbortFlag, 1);
    SharedTextFile.Assign(dir_.string());
    EXPECT_EQ(SharedTextFile.Reset(), 5); // a directory is no text file
}

// An endless device (/dev/zero) or a named pipe is refused at the open, an over-long line at
// once, each with its cause in words; a line of exactly the limit still reads.
TEST_F(TextFiles, EndlessAndOverlongLinesAreRefused) {
    WriteFileBytes(P("long.txt"), std::string(kTextLineLimit + 1, 'a') + "\r\nnext\r\n");
    WriteFileBytes(P("limit.txt"), std::string(kTextLineLimit, 'a') + "\r\nnext\r\n");
    ASSERT_EQ(::mkfifo(P("pipe.txt").c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool refused;
        std::string cause =
            "a line is longer than 65536 characters (not a text file of this program)";
        int open = 0; // the code of the open
    };
    for (const Case& c : {Case{"/dev/zero", true, "it is a device, not a file", 5},
                          Case{P("pipe.txt"), true, "it is a named pipe (FIFO), not a file", 5},
                          Case{P("long.txt"), true}, Case{P("limit.txt"), false}}) {
        TextFile f;
        f.Assign(c.path);
        const int opened = f.Reset();
        ASSERT_EQ(opened, c.open) << c.path;
        std::string line = "kept";
        const int rc = opened != 0 ? opened : f.ReadLine(line);
        if (!c.refused) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(line.size(), kTextLineLimit);
            EXPECT_EQ(f.ReadLine(line), 0);
            EXPECT_EQ(line, "next");
            continue;
        }
        EXPECT_EQ(line, "kept");
        EXPECT_EQ(FileReadProblem(c.path, rc),
                  "File " + c.path + " could not be read: " + c.cause + ".");
        if (opened != 0) continue;
        EXPECT_EQ(rc, kIoLineTooLong) << c.path;
        EXPECT_TRUE(f.Eof()); // nothing further is read
        EXPECT_EQ(f.ReadLine(line), kIoLineTooLong);
    }
}

// The program's temporary files in the temporary directory go at the end; the user's files
// there and the program's names elsewhere stay.
TEST_F(TextFiles, TemporaryFilesAreRemovedAtTheEnd) {
    fs::create_directories(dir_ / "tmp");
    fs::create_directories(dir_ / "jobs");
    TempDir = (dir_ / "tmp").string() + "/";
    struct Case {
        fs::path path;
        bool byProgram; // written through a TextFile
        bool removed;
    };
    const std::vector<Case> cases = {
        {dir_ / "tmp" / "outwin.txt", true, true},
        {dir_ / "tmp" / "$$1.txt", true, true},
        {dir_ / "tmp" / "qor1w.htm", true, true},
        {dir_ / "tmp" / "$LOGO_2.dx$", false, false}, // the user's logo
        {dir_ / "tmp" / "gear.q1w", true, false},     // a job saved there by choice
        {dir_ / "jobs" / "outwin.txt", true, false},  // not in the temporary directory
    };
    for (const Case& c : cases) {
        if (!c.byProgram) {
            WriteFileBytes(c.path.string(), "x");
            continue;
        }
        TextFile f;
        f.Assign(c.path.string());
        ASSERT_EQ(f.Rewrite(), 0);
        f.WriteLine("x");
        ASSERT_EQ(f.Close(), 0);
    }
    NoteTemporaryFile((dir_ / "tmp" / "q1toolx.dbf").string()); // a working copy, already gone
    RemoveTemporaryFiles();
    for (const Case& c : cases)
        EXPECT_EQ(fs::exists(c.path), !c.removed) << c.path;
}

// ---- writers and readers together ------------------------------------------------------------

TEST_F(TextFiles, EveryValueKindReadsBackFromCrLfLfAndCrFiles) {
    FloatDigits = 1; // a display setting: stored values keep seven decimals anyway
    const std::vector<long double> reals = {0.0L,
                                            2.0L,
                                            -1.0L,
                                            0.5L,
                                            1e-11L,
                                            3.14159265358979L,
                                            -1234.5678901L,
                                            1000000.1234567L,
                                            0.000123456789L,
                                            -0.999999L};
    SharedTextFile.Assign(P("values.txt"), TextEncoding::Oem);
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("Gr\u00FC\u00DFe \u00B1 \u00B0");
    WriteTextLineStr("");
    WriteTextLineInt(-2147483647);
    WriteTextLineInt(65535);
    for (long double x : reals)
        WriteTextLineReal(x);
    WriteTextBool(true);
    WriteTextBool(false);
    WriteTextChar(U'J');
    WriteTextRecord("a", "b", "", "d");
    WriteTextRecord6("1.5", "2", "3", "4", "text | with bar", "");
    WriteTextRecord8("01.02.2024", "Li", "", "", "", "Wu|Xi", "2", "");
    WriteText("no line end");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    ASSERT_EQ(AbortFlag, 0);

    const std::string crlf = ReadFileBytes(P("values.txt"));
    // DOS 437 bytes of u-umlaut, sharp s, plus-minus and degree; CR LF after every line.
    EXPECT_EQ(crlf.substr(0, 11), "Gr\x81\xE1"
                                  "e \xF1 \xF8\r\n");
    EXPECT_EQ(crlf.find('\n', 0), 10u);
    std::size_t lf = 0;
    for (std::size_t i = 0; i < crlf.size(); ++i)
        if (crlf[i] == '\n') {
            ++lf;
            EXPECT_EQ(crlf[i - 1], '\r') << "line end at byte " << i;
        }
    EXPECT_EQ(lf, 10u + reals.size());
    EXPECT_NE(crlf.find("\r\n2.0000000\r\n"), std::string::npos);
    EXPECT_NE(crlf.find("\r\n-1\r\n"), std::string::npos);
    EXPECT_NE(crlf.find("\r\n0\r\n"), std::string::npos);

    WriteFileBytes(P("values_lf.txt"), Replace(crlf, "\r\n", "\n"));
    WriteFileBytes(P("values_cr.txt"), Replace(crlf, "\r\n", "\r"));
    for (const char* name : {"values.txt", "values_lf.txt", "values_cr.txt"}) {
        SCOPED_TRACE(name);
        SharedTextFile.Assign(P(name), TextEncoding::Oem);
        ASSERT_EQ(SharedTextFile.Reset(), 0);
        std::string s1, s2 = "x";
        std::int32_t i1 = 0;
        std::uint16_t w1 = 0;
        ReadTextLine(s1);
        ReadTextLine(s2);
        ReadTextLong(i1);
        ReadTextWord(w1);
        EXPECT_EQ(s1, "Gr\u00FC\u00DFe \u00B1 \u00B0");
        EXPECT_EQ(s2, "");
        EXPECT_EQ(i1, -2147483647);
        EXPECT_EQ(w1, 65535);
        for (long double x : reals) {
            long double y = -99;
            ReadTextReal(y);
            EXPECT_NEAR(static_cast<double>(y), static_cast<double>(x), 0.5e-7)
                << "value " << static_cast<double>(x);
        }
        bool bt = false;
        bool bf = true;
        char c = 0;
        std::string a, b, cc, d, r1, r2, r3, r4, r5, r6, e1, e2, e3, e4, e5, e6, e7, e8, tail;
        ReadTextTrue(bt);
        ReadTextTrue(bf);
        ReadTextChar(c);
        ReadTextRecord(a, b, cc, d);
        ReadTextRecord6(r1, r2, r3, r4, r5, r6);
        ReadTextRecord8(e1, e2, e3, e4, e5, e6, e7, e8);
        ReadTextLine(tail);
        EXPECT_TRUE(bt);
        EXPECT_FALSE(bf);
        EXPECT_EQ(c, 'J');
        EXPECT_EQ(a + "," + b + "," + cc + "," + d, "a,b,,d");
        EXPECT_EQ(r1 + "," + r2 + "," + r3 + "," + r4, "1.5,2,3,4");
        EXPECT_EQ(r5, "text | with bar");
        EXPECT_EQ(r6, "");
        EXPECT_EQ(e1, "01.02.2024");
        EXPECT_EQ(e6, "Wu|Xi");
        EXPECT_EQ(e7, "2"); // the count behind the text keeps its place
        EXPECT_EQ(tail, "no line end");
        EXPECT_TRUE(SharedTextFile.Eof());
        SharedTextFile.Close();
        EXPECT_EQ(AbortFlag, 0);
    }
}

TEST_F(TextFiles, RealLinesFollowTheStoredRules) {
    FloatDigits = 5;
    DecimalSign = 1;
    EXPECT_EQ(TextLineRealText(0.0L), "0");
    EXPECT_EQ(TextLineRealText(2.0L), "2.0000000");
    EXPECT_EQ(TextLineRealText(-1.0L), "-1");
    EXPECT_EQ(TextLineRealText(-3.0L + 1e-11L), "-3");
    EXPECT_EQ(TextLineRealText(0.5L), "0.5000000");
    EXPECT_EQ(TextLineRealText(123.456789012L), "123.4567890");
    DecimalSign = 2; // written as the user set it; every reader takes the comma
    EXPECT_EQ(TextLineRealText(2.0L), "2,0000000");
}

TEST_F(TextFiles, AnsiAndUtf8Encodings) {
    SharedTextFile.Assign(P("ansi.txt")); // Windows 1252 by default
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("\u00FC\u20AC\u2500"); // the box stroke has no Windows byte
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("ansi.txt")), "\xFC\x80?\r\n");
    SharedTextFile.Assign(P("utf8.txt"), TextEncoding::Utf8);
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("\u00FC\u20AC\u2500");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("utf8.txt")), "\u00FC\u20AC\u2500\r\n");
}

TEST_F(TextFiles, EncodingMayChangeBetweenLines) {
    SharedTextFile.Assign(P("mixed.q1w"), TextEncoding::Oem);
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("\u00E4");
    SharedTextFile.SetEncoding(TextEncoding::Ansi);
    WriteTextLine("\u00E4");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("mixed.q1w")), "\x84\r\n\xE4\r\n"); // DOS 0x84, Windows 0xE4
    SharedTextFile.Assign(P("mixed.q1w"), TextEncoding::Oem);
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    std::string a, b;
    ReadTextLine(a);
    SharedTextFile.SetEncoding(TextEncoding::Ansi);
    ReadTextLine(b);
    EXPECT_EQ(a, "\u00E4");
    EXPECT_EQ(b, "\u00E4");
    char c = 'x';
    WriteFileBytes(P("empty_line.txt"), "\r\n");
    SharedTextFile.Assign(P("empty_line.txt"));
    ASSERT_EQ(SharedTextFile.Reset(), 0);
    ReadTextChar(c); // an empty line has no first character
    EXPECT_EQ(c, 'x');
}

TEST_F(TextFiles, ResultHeaderHasItsSevenLines) {
    TitleTexts[1] = "First title";
    TitleTexts[2] = "Second title";
    SharedTextFile.Assign(P("head.txt"));
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteResultHeader();
    ASSERT_EQ(SharedTextFile.Close(), 0);
    const std::string rule(65, '-');
    EXPECT_EQ(ReadFileBytes(P("head.txt")), rule + "\r\n" + MakerTitle + "   #" + IdentTexts[3] +
                                                "\r\nVersion " + VersionCode.str() + "    " +
                                                IdentTexts[1] + "\r\n" + IdentTexts[2] + "\r\n" +
                                                rule + "\r\nFirst title\r\nSecond title\r\n");
    EXPECT_EQ(MakerTitle, "QOR1W - Involute Gear Dimensions");
}

TEST_F(TextFiles, AppendAddsLines) {
    WriteFileBytes(P("log.txt"), "one\r\n");
    SharedTextFile.Assign(P("log.txt"));
    ASSERT_EQ(SharedTextFile.Append(), 0);
    WriteTextLine("two");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("log.txt")), "one\r\ntwo\r\n");
}

// ---- the old file survives until its replacement is complete ----------------------------------

TEST_F(TextFiles, RewriteReplacesOnlyAtClose) {
    WriteFileBytes(P("job.q1w"), "old\r\n");
    ::chmod(P("job.q1w").c_str(), 0640);
    SharedTextFile.Assign(P("job.q1w"));
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("new");
    EXPECT_EQ(ReadFileBytes(P("job.q1w")), "old\r\n"); // still the old file while writing
    SharedTextFile.Discard();
    EXPECT_EQ(ReadFileBytes(P("job.q1w")), "old\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"job.q1w"}); // no temporary file left
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("new");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("job.q1w")), "new\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"job.q1w"});
    struct stat st {};
    ::stat(P("job.q1w").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the user's permissions stay
    {
        TextFile local; // abandoned without Close: the file stays as it was
        local.Assign(P("job.q1w"));
        ASSERT_EQ(local.Rewrite(), 0);
        ASSERT_EQ(local.WriteLine("half"), 0);
    }
    EXPECT_EQ(ReadFileBytes(P("job.q1w")), "new\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"job.q1w"});
}

TEST_F(TextFiles, RewriteThroughASymbolicLinkKeepsTheLink) {
    WriteFileBytes(P("real.cfg"), "old\r\n");
    fs::create_symlink(P("real.cfg"), P("link.cfg"));
    SharedTextFile.Assign(P("link.cfg"));
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("new");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_TRUE(fs::is_symlink(P("link.cfg")));
    EXPECT_EQ(ReadFileBytes(P("real.cfg")), "new\r\n");
}

TEST_F(TextFiles, AFullDiskKeepsTheOldFileAndSetsAbortFlag) {
    const std::string old(100000, 'o');
    WriteFileBytes(P("big.txt"), old);
    const std::string line(1000, 'n');
    const int code = qortest::UnderFileSizeLimit(150000, [&] {
        AbortFlag = 0;
        SharedTextFile.Assign(P("big.txt"));
        if (SharedTextFile.Rewrite() != 0) return 1;
        for (int i = 0; i < 300; ++i)
            WriteTextLine(line); // 300 kB do not fit
        const bool closed = CloseFileChecked(SharedTextFile);
        return (closed ? 2 : 0) + (AbortFlag == 1 ? 10 : 0);
    });
    EXPECT_EQ(code, 10);
    EXPECT_EQ(ReadFileBytes(P("big.txt")), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"big.txt"});
}

// ---- files and directories -------------------------------------------------------------------

TEST_F(TextFiles, FileCopyIntoFilesAndDirectories) {
    std::string data;
    for (int i = 0; i < 20000; ++i)
        data += static_cast<char>(i * 7);
    WriteFileBytes(P("src.bin"), data);
    fs::create_directories(dir_ / "sub");
    EXPECT_TRUE(FileCopy(P("src.bin"), P("dst.bin")));
    EXPECT_EQ(ReadFileBytes(P("dst.bin")), data);
    EXPECT_TRUE(FileCopy(P("src.bin"), P("sub")));
    EXPECT_EQ(ReadFileBytes(dir_ / "sub" / "src.bin"), data);
    EXPECT_TRUE(FileCopyBlocks(P("src.bin"), P("blocks.bin")));
    EXPECT_EQ(ReadFileBytes(P("blocks.bin")), data);
    EXPECT_TRUE(FileCopy(P("src.bin"), P("src.bin"))); // onto itself: nothing lost
    EXPECT_EQ(ReadFileBytes(P("src.bin")), data);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_FALSE(FileCopy(P("missing.bin"), P("x.bin")));
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_FALSE(fs::exists(P("x.bin")));
    AbortFlag = 0;
    CopyFileToDir(P("src.bin"), (dir_ / "sub" / "whatever.q1w").string());
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(fs::exists(dir_ / "sub" / "src.bin"));
}

TEST_F(TextFiles, CopyOntoAFullFileSystemSetsAbortFlag) {
    const std::string data(200000, 'd');
    WriteFileBytes(P("src.bin"), data);
    WriteFileBytes(P("dst.bin"), "previous");
    for (const bool blocks : {false, true}) {
        SCOPED_TRACE(blocks ? "FileCopyBlocks" : "FileCopy");
        const int code = qortest::UnderFileSizeLimit(50000, [&] {
            AbortFlag = 0;
            const bool ok = blocks ? FileCopyBlocks(P("src.bin"), P("dst.bin"))
                                   : FileCopy(P("src.bin"), P("dst.bin"));
            return (ok ? 2 : 0) + (AbortFlag == 1 ? 10 : 0);
        });
        EXPECT_EQ(code, 10);
        EXPECT_EQ(ReadFileBytes(P("dst.bin")), "previous");
        EXPECT_EQ(Names(), (std::vector<std::string>{"dst.bin", "src.bin"}));
    }
}

TEST_F(TextFiles, MasksCopyCountAndDelete) {
    fs::create_directories(dir_ / "from");
    fs::create_directories(dir_ / "to");
    for (const char* n : {"a.dxf", "B.DXF", "c.txt", "noext"})
        WriteFileBytes(dir_ / "from" / n, n);
    CopyFiles("*.DXF", P("from/"), P("to"));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(fs::exists(dir_ / "to" / "a.dxf"));
    EXPECT_TRUE(fs::exists(dir_ / "to" / "B.DXF"));
    EXPECT_FALSE(fs::exists(dir_ / "to" / "c.txt"));
    CopyFiles("*.igs", P("from"), P("to"));
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    EXPECT_EQ(CountFiles(P("from/*.*")), 4);
    EXPECT_EQ(CountFiles(P("from/*.dxf")), 2);
    EXPECT_EQ(CountFiles(P("from/?.txt")), 1);
    EXPECT_EQ(CountFiles(P("from/noext.*")), 1);
    EXPECT_EQ(CountFiles(P("*")), 2); // the two directories
    for (const char* n : {"$ZAHN1.dx$", "$rad2.DX$", "gear.dxf", "x$.dx$"})
        WriteFileBytes(dir_ / "to" / n, n);
    DeleteFiles(AddBackslash(P("to")), "$*.dx$");
    EXPECT_FALSE(fs::exists(dir_ / "to" / "$ZAHN1.dx$"));
    EXPECT_FALSE(fs::exists(dir_ / "to" / "$rad2.DX$"));
    EXPECT_TRUE(fs::exists(dir_ / "to" / "gear.dxf"));
    EXPECT_TRUE(fs::exists(dir_ / "to" / "x$.dx$"));
    DeleteFiles(P("missing/"), "*.*"); // errors are ignored
}

TEST_F(TextFiles, EraseFileLeavesTheOpenListingAlone) {
    WriteFileBytes(P("other.txt"), "x");
    SharedTextFile.Assign(P("listing.txt"));
    ASSERT_EQ(SharedTextFile.Rewrite(), 0);
    WriteTextLine("line 1");
    EXPECT_TRUE(EraseFile(P("other.txt")));
    EXPECT_FALSE(fs::exists(P("other.txt")));
    EXPECT_FALSE(EraseFile(P("other.txt")));
    WriteTextLine("line 2");
    ASSERT_EQ(SharedTextFile.Close(), 0);
    EXPECT_EQ(ReadFileBytes(P("listing.txt")), "line 1\r\nline 2\r\n");
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(TextFiles, DirectoryTestsNeverTouchUserFiles) {
    WriteFileBytes(P("x.$$$"), "the user's file");
    EXPECT_TRUE(DirWritable(dir_.string()));
    EXPECT_TRUE(DirWritable(AddBackslash(dir_.string())));
    EXPECT_EQ(ReadFileBytes(P("x.$$$")), "the user's file");
    EXPECT_EQ(Names(), std::vector<std::string>{"x.$$$"});
    EXPECT_FALSE(DirWritable(P("missing")));
    EXPECT_FALSE(DirWritable(P("x.$$$")));
    EXPECT_TRUE(DirExists(dir_.string()));
    EXPECT_TRUE(DirExists(dir_.string() + "/"));
    EXPECT_FALSE(DirExists(P("x.$$$")));
    EXPECT_FALSE(DirExists(""));
    EXPECT_TRUE(CanChDir(dir_.string()));
    EXPECT_FALSE(CanChDir(P("missing")));
    EXPECT_TRUE(FileExist(P("x.$$$")));
    EXPECT_FALSE(FileExist(dir_.string()));
    EXPECT_FALSE(FileExist(P("missing")));
    EXPECT_TRUE(HasAttr(dir_.string(), faDirectory));
    EXPECT_FALSE(HasAttr(P("x.$$$"), faDirectory));
    EXPECT_TRUE(HasAttr(P("x.$$$"), faArchive));
    ::chmod(P("x.$$$").c_str(), 0444);
    EXPECT_TRUE(HasAttr(P("x.$$$"), faReadOnly | faArchive));
    WriteFileBytes(P(".hidden"), "");
    EXPECT_TRUE(HasAttr(P(".hidden"), faHidden));
    EXPECT_FALSE(HasAttr(P("missing"), 0));
}

// ---- paths -----------------------------------------------------------------------------------

TEST(Paths, SeparatorsOnLinuxAndWindowsPaths) {
    struct {
        const char* in;
        const char* add;
        const char* addDrive;
        const char* del;
    } cases[] = {
        {"C:\\DATA", "C:\\DATA\\", "C:\\DATA\\", "C:\\DATA"},
        {"C:", "C:", "C:\\", "C:"},
        {"C:\\DATA\\", "C:\\DATA\\", "C:\\DATA\\", "C:\\DATA"},
        {"", "", "", ""},
        {"   ", "", "", ""},
        {"/home/u/gears-v2", "/home/u/gears-v2/", "/home/u/gears-v2/", "/home/u/gears-v2"},
        {"/home/u/Zahnr\u00E4der", "/home/u/Zahnr\u00E4der/", "/home/u/Zahnr\u00E4der/",
         "/home/u/Zahnr\u00E4der"},
        {"/home/u/data.", "/home/u/data./", "/home/u/data./", "/home/u/data."},
        {"C:\\JOBS\\v1.2+", "C:\\JOBS\\v1.2+\\", "C:\\JOBS\\v1.2+\\", "C:\\JOBS\\v1.2+"},
        {" /tmp/x ", "/tmp/x/", "/tmp/x/", "/tmp/x"},
        {"/tmp/", "/tmp/", "/tmp/", "/tmp"},
        {"/", "/", "/", "/"},
        {"data", "data/", "data/", "data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(AddBackslash(c.in), c.add);
        EXPECT_EQ(AddBackslashAfterDrive(c.in), c.addDrive);
        EXPECT_EQ(DelBackslash(c.in), c.del);
    }
}

TEST(Paths, PartsOfLinuxAndWindowsPaths) {
    struct {
        const char* in;
        const char* path;
        const char* drive;
        const char* base;
        const char* nameNoExt;
        const char* ext;
    } cases[] = {
        {"GEAR.Q1W", "", "", "GEAR", "GEAR", "Q1W"},
        {"C:GEAR.Q1W", "C:", "C:", "GEAR", "GEAR", "Q1W"},
        {"C:\\WORK\\GEAR.DAT", "C:\\WORK\\", "C:", "GEAR", "GEAR", "DAT"},
        {"C:\\W.X\\GEAR", "C:\\W.X\\", "C:", "GEAR", "GEAR", ""},
        {"/home/u/gears.v2/gear", "/home/u/gears.v2/", "", "gear", "gear", ""},
        {"/home/u/gears.v2/gear.q1w", "/home/u/gears.v2/", "", "gear", "gear", "q1w"},
        {"/home/a:b/x.txt", "/home/a:b/", "", "x", "x", "txt"},
        {"a.tar.gz", "", "", "a.tar", "a.tar", "tar.gz"},
        {"/x/.profile", "/x/", "", ".profile", ".profile", "profile"},
        {"GEAR.", "", "", "GEAR.", "GEAR", ""},
        {"/home/u/R\u00E4der.q1w", "/home/u/", "", "R\u00E4der", "R\u00E4der", "q1w"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(ExtractPath(c.in), c.path);
        EXPECT_EQ(ExtractDrive(c.in), c.drive);
        EXPECT_EQ(BaseNameNoExt(c.in), c.base);
        EXPECT_EQ(ExtractNameNoExt(c.in), c.nameNoExt);
        EXPECT_EQ(ExtAfterFirstDot(c.in), c.ext);
    }
}

TEST(Paths, ShortenMiddle) {
    const std::string t = "abcdefghijklmnopqrstuvwxyz0123"; // 30 characters
    EXPECT_EQ(ShortenMiddle(t, 20), "abcdefg ... wxyz0123");
    EXPECT_EQ(ShortenMiddle(t, 30), t);
    EXPECT_EQ(ShortenMiddle(t, 6), " ... 3");
    EXPECT_EQ(ShortenMiddle(t, 5), "abcde"); // no room for " ... "
    EXPECT_EQ(ShortenMiddle(t, 0), "");
    EXPECT_EQ(ShortenMiddle(t, -3), "");
    EXPECT_EQ(ShortenMiddle("\u00E4\u00E4\u00E4\u00E4\u00E4\u00F6\u00F6\u00F6\u00F6\u00F6", 8),
              "\u00E4 ... \u00F6\u00F6");
    std::string s = "  x  ";
    TrimVar(s);
    EXPECT_EQ(s, "x");
}

// ---- dates and times -------------------------------------------------------------------------

TEST_F(TextFiles, DatesAndTimesFromTheClockFields) {
    const ClockReading at{2024, 3, 7, 9, 5, 0, 0};
    SetClockForTesting(&at);
    EXPECT_EQ(TimeString(), "9:05");
    EXPECT_EQ(DateStringIso(), "2024-03-07");
    DateCode = 1;
    EXPECT_EQ(DateString(), "07.03.2024");
    DateCode = 2;
    EXPECT_EQ(DateString(), "03/07/2024");
    int y = 0, m = 0, d = 0, dow = 9, h = 0, mi = 0, s = 0, hu = 0;
    GetDateParts(y, m, d, dow);
    GetTimeParts(h, mi, s, hu);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240307);
    EXPECT_EQ(dow, 0);
    EXPECT_EQ(h * 100 + mi, 905);
    const ClockReading late{2024, 12, 31, 23, 59, 59, 99};
    SetClockForTesting(&late);
    EXPECT_EQ(TimeString(), "23:59");
    SetClockForTesting(nullptr);
    // The real clock agrees with the C library's local time.
    const time_t before = ::time(nullptr);
    GetTimeParts(h, mi, s, hu);
    const time_t after = ::time(nullptr);
    tm t1{}, t2{};
    ::localtime_r(&before, &t1);
    ::localtime_r(&after, &t2);
    const int now = h * 3600 + mi * 60 + s;
    EXPECT_TRUE(now == t1.tm_hour * 3600 + t1.tm_min * 60 + t1.tm_sec ||
                now == t2.tm_hour * 3600 + t2.tm_min * 60 + t2.tm_sec);
    EXPECT_GE(hu, 0);
    EXPECT_LE(hu, 99);
}

TEST_F(TextFiles, FileDates) {
    const char* savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(FileDateString(365LL * 86400), "1971/01/01");
    EXPECT_EQ(FileDateString(1709769600LL), "2024/03/07");
    WriteFileBytes(P("f.txt"), "x");
    const std::string today = FileDateStringOf(P("f.txt"));
    const time_t now = ::time(nullptr);
    tm t{};
    ::gmtime_r(&now, &t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    EXPECT_EQ(today, buf);
    EXPECT_EQ(FileDateStringOf(P("missing")), "");
    if (savedTz)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
