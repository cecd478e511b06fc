// The program's command line run as a user runs it: qor1w in a folder of its own, without a
// display, its exit code, standard output and error, and the files it leaves; every file read
// back by an independent reader (tests/shell/batch_check.py: csv, mpmath, ezdxf; igescheck).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string kData = std::string(QOR_SOURCE_DIR) + "/data/";

struct RunResult {
    int code = -1;
    std::string out, err;
};

// The job of the example with the file line `line` (1-based) replaced.
std::string JobWithLine(const std::string& example, int line, const std::string& text) {
    const std::string bytes = qortest::ReadFileBytes(kData + example);
    std::string out;
    int n = 1;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        const std::string l = bytes.substr(start, end - start);
        out += (n == line ? text : l) + "\r\n";
        ++n;
        start = end == std::string::npos ? bytes.size() : end + 2;
    }
    return out;
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_batch_");
        fs::copy_file(kData + "spur.q1w", Dir / "demo.q1w");
        fs::copy_file(kData + "helical.q1w", Dir / "helical.q1w");
        fs::copy_file(kData + "internal.q1w", Dir / "ring.q1w");
        // A pair that cannot exist: its errors go to stderr, the outputs are still written.
        fs::copy_file(std::string(QOR_SOURCE_DIR) + "/tests/data/jobs/unsound_pair.q1w",
                      Dir / "unsound.q1w");
        // A module of 0: the calculation stops with a fatal error.
        qortest::WriteFileBytes((Dir / "fatal.q1w").string(), JobWithLine("spur.q1w", 18, "0"));
        // A helix angle of 50 degrees: "Fatal  : beta > 45°!", and the calculation goes on.
        qortest::WriteFileBytes((Dir / "beta50.q1w").string(), JobWithLine("spur.q1w", 17, "50"));
    }
    void TearDown() override { fs::remove_all(Dir); }

    // qor1w with args in Dir, without a display (extra: more environment, "A=b C=d"), started
    // with the signals named in ignored ("HUP INT") ignored.
    RunResult Qor(const std::string& args, const std::string& extra = "",
                  const std::string& ignored = "") const {
        RunResult r;
        const std::string cmd =
            (ignored.empty() ? "" : "trap '' " + ignored + "; ") + "cd '" + Dir.string() +
            "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
            "XDG_CONFIG_HOME='" +
            (Dir / "xdg").string() + "' " + extra + " '" QOR_PROGRAM "' " + args + " 2>stderr.txt";
        r.out = qortest::RunCommand(cmd, r.code);
        r.err = qortest::ReadFileBytes((Dir / "stderr.txt").string());
        fs::remove(Dir / "stderr.txt");
        return r;
    }

    // New files in Dir besides the jobs and the settings.
    std::vector<std::string> Written() const {
        std::vector<std::string> names;
        for (const std::string& n : qortest::SortedNames(Dir))
            if (n.size() < 4 ||
                (n.substr(n.size() - 4) != ".q1w" && n != "xdg" && n != "qor1w.cff"))
                names.push_back(n);
        return names;
    }

    fs::path Dir;
};

TEST_F(Batch, SwitchesAndTheirExitCodes) {
    struct Case {
        const char* args;
        int code;
        std::vector<std::string> written;
        const char* out; // in standard output ("" nothing expected)
        const char* err; // in standard error
        const char* extra = "";
        const char* blocked = nullptr; // a folder of this name stands in the output's way
        // A file the run reads stands in the output's place and keeps its bytes: "name" a copy
        // of demo.q1w, "name>file" a link to file (made empty when missing).
        const char* input = nullptr;
    };
    const Case cases[] = {
        {"/?", 0, {}, "qor1w Filename [/I] [/CADi:j] [/NOGUI]", ""},
        {"?", 0, {}, "128 + signal: ended by Ctrl+C, SIGTERM or SIGHUP", ""},
        {"missing.q1w /I", 1, {}, "", "missing.q1w not found"},
        {"missing.q1w /CAD1:1", 1, {}, "", "missing.q1w not found"},
        {"demo.q1w /CAD9:1", 2, {}, "", "/CAD9:1: no CAD format 9"},
        {"demo.q1w /CAD1:99", 2, {}, "", "/CAD1:99: no drawing 99"},
        {"demo.q1w /CADx", 2, {}, "", "/CADx: write it /CADi:j"},
        {"fatal.q1w /I", 2, {}, "", "fatal.q1w: Fatal"},
        {"fatal.q1w /CAD1:1", 2, {}, "", "fatal calculation error, nothing written"},
        {"beta50.q1w /CAD1:1", 0, {"beta50.dxf"}, "", "beta50.q1w: Fatal  : beta > 45\u00B0!"},
        {"demo /X", 1, {}, "", "extension .q1w missing"},
        {"demo /X", 1, {}, "", "extension .q1w missing", "QT_QPA_PLATFORM=offscreen"},
        {"demo.q1w", 2, {}, "", "no display for the main window"},
        {"demo.q1w /X /NOGUI", 2, {}, "", "demo.q1w /X: /X starts the main window, and"},
        {"/I", 1, {}, "", "qor1w: /I: the job is missing"},
        {"demo.q1w /I", 0, {"demo_sheet.txt"}, "", ""},
        {"demo /I /NOGUI", 0, {"demo_sheet.txt"}, "", ""}, // .q1w added, as the window does
        {"demo.q1w /CAD5:1", 0, {"demo.txt"}, "", ""},
        // Several switches write each file; one that cannot be acted on refuses the run.
        {"demo.q1w /I /CAD1:1 /NOGUI", 0, {"demo.dxf", "demo_sheet.txt"}, "", ""},
        {"demo.q1w /NOGUI /cad2:1 -CAD5:1 /CAD2:1", 0, {"demo.igs", "demo.txt"}, "", ""},
        {"demo.q1w /I /E", 2, {}, "", "/E: not acted on beside /I and /CADi:j"},
        {"demo.q1w /CAD1:1 /I /CAD1:2", 2, {}, "", "/CAD1:2: writes the file of /CAD1:1 as well"},
        {"demo.q1w /I /CAD9:1", 2, {}, "", "/CAD9:1: no CAD format 9"},
        {"demo.q1w /CAD1:1 /I",
         2,
         {"demo.dxf", "demo_sheet.txt"},
         "",
         "demo.q1w /I: nothing written",
         "TMPDIR=.",
         "demo_sheet.txt"},
        // The sheet cannot be written: said so, and its draft (here in the job's folder) gone.
        {"demo.q1w /I",
         2,
         {"demo_sheet.txt"},
         "",
         "could not be written to demo_sheet.txt: it is a folder",
         "TMPDIR=.",
         "demo_sheet.txt"},
        {"demo.q1w /CAD1:1", 0, {"demo.dxf"}, "", ""},
        // No output lands on a file the run reads, under any name: nothing written at all.
        {"job.txt /CAD5:1", 2, {"job.txt"}, "", "/CAD5:1: the output job.txt is ", "", nullptr,
         "job.txt"},
        {"g.igs /I /CAD2:1", 2, {"g.igs"}, "", "g.igs, which this run reads: nothing", "", nullptr,
         "g.igs"},
        {"demo.q1w /I /CAD1:1", 2, {"demo.dxf"}, "", "demo.q1w, which this run", "", nullptr,
         "demo.dxf>demo.q1w"},
        {"demo.q1w /CAD1:1 /I", 2, {"demo_sheet.txt", "qor1w.cfg"}, "", "qor1w.cfg, which this",
         "", nullptr, "demo_sheet.txt>qor1w.cfg"},
        {"ring.q1w /CAD2:27", 0, {"ring.igs"}, "", ""},
        {"unsound.q1w /I", 0, {"unsound_sheet.txt"}, "", "unsound.q1w: Error  : tooth collision da2 !"},
        {"unsound.q1w /CAD1:1", 0, {"unsound.dxf"}, "", "unsound.q1w: Error  : pointed tooth (1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.args) + " " + c.extra);
        if (c.blocked != nullptr) fs::create_directory(Dir / c.blocked);
        const std::string input = c.input == nullptr ? "" : c.input;
        const std::string name = input.substr(0, input.find('>'));
        const fs::path read = Dir / (name == input ? "demo.q1w" : input.substr(name.size() + 1));
        if (!fs::exists(read)) qortest::WriteFileBytes(read.string(), "");
        if (name != input) fs::create_symlink(read.filename(), Dir / name);
        if (name == input && !name.empty()) fs::copy_file(read, Dir / name);
        const std::string before = qortest::ReadFileBytes(read.string());
        const RunResult r = Qor(c.args, c.extra);
        if (!name.empty()) {
            EXPECT_EQ(qortest::ReadFileBytes((Dir / name).string()), before);
        }
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_THAT(r.out, HasSubstr(c.out));
        if (*c.out == '\0') {
            EXPECT_EQ(r.out, "");
        }
        EXPECT_THAT(r.err, HasSubstr(c.err));
        EXPECT_EQ(Written(), c.written);
        for (const std::string& n : c.written)
            fs::remove(Dir / n);
    }
}

// The workshop data sheet of /I, read with csv: the listing alone is written, and its span
// measurement equals the textbook's (mpmath).
TEST_F(Batch, TheListingIsReadBackAgainstTheTextbookSpan) {
    const fs::path kept = qortest::FreshTestDir("qor_batch_kept_");
    std::string listings;
    for (const std::string job : {"demo", "helical", "ring"}) {
        SCOPED_TRACE(job);
        const std::string sheet = job + "_sheet.txt";
        const RunResult r = Qor(job + ".q1w /I /NOGUI");
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, ""); // the examples are sound pairs: no message
        EXPECT_EQ(Written(), std::vector<std::string>{sheet});
        fs::rename(Dir / sheet, kept / sheet);
        listings += " '" + (kept / sheet).string() + "' '" + (Dir / (job + ".q1w")).string() + "'";
    }
    int code = -1;
    const std::string said = qortest::RunCommand(
        "/usr/bin/python3 '" QOR_SOURCE_DIR "/tests/shell/batch_check.py' listing" + listings,
        code);
    EXPECT_EQ(code, 0) << said;
    fs::remove_all(kept);
}

// Sheets of 12 jobs listed at once in one folder, as scripts and make -j run them, the drafts in
// that folder too (TMPDIR): every run lists its own job, the same job twice at once gives a
// whole sheet, the job's TXT drawing and files named like drafts stay as they were, and no draft
// is left behind.
TEST_F(Batch, ParallelSheetRunsInOneFolderEachListTheirOwnJob) {
    const std::pair<const char*, const char*> examples[] = {
        {"demo", "EX-SPUR-01"}, {"helical", "EX-HELICAL-01"}, {"ring", "EX-RING-01"}};
    std::vector<std::pair<std::string, std::string>> jobs; // name, drawing number
    for (int copy = 0; copy < 12; ++copy) {
        const auto& [name, number] = examples[copy % 3];
        jobs.emplace_back(name + std::to_string(copy), number);
        fs::copy_file(Dir / (std::string(name) + ".q1w"), Dir / (jobs.back().first + ".q1w"));
    }
    jobs.push_back(jobs.front()); // one job twice at once
    ASSERT_EQ(Qor("demo0.q1w /CAD5:1").code, 0);
    const std::string drawing = qortest::ReadFileBytes((Dir / "demo0.txt").string());
    for (const char* n : {"$$$1.txt", "$OUT1.TMP"})
        qortest::WriteFileBytes((Dir / n).string(), "the user's");
    std::string script = "cd '" + Dir.string() + "' || exit 1; ", sheets;
    for (const auto& [job, number] : jobs) {
        script += "{ env -u DISPLAY TMPDIR=. XDG_CONFIG_HOME=xdg '" QOR_PROGRAM "' " + job +
                  ".q1w /I /NOGUI 2>>errors.log || echo " + job + " failed >>errors.log; } & ";
        sheets += " '" + (Dir / (job + "_sheet.txt")).string() + "'";
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        qortest::RunCommand(script + "wait");
        EXPECT_EQ(qortest::ReadFileBytes((Dir / "errors.log").string()), "");
        // Each sheet read with csv: the job its head names, the drawing number it lists.
        const std::string seen = qortest::RunCommand(
            "/usr/bin/python3 -c \"import csv, sys\n"
            "for f in sys.argv[1:]:\n"
            "    rows = list(csv.reader(open(f, encoding='cp1252', newline=''), delimiter='\\t'))\n"
            "    print(rows[1][0], [r[0].split()[-1] for r in rows if r and r[0][:8] == 'printout'])\"" +
            sheets + " 2>&1");
        std::string want;
        for (const auto& [job, number] : jobs)
            want += job + ".q1w ['" + number + "']\n";
        EXPECT_EQ(seen, want);
        for (const auto& [job, number] : jobs)
            fs::remove(Dir / (job + "_sheet.txt"));
        fs::remove(Dir / "errors.log");
        EXPECT_EQ(Written(), (std::vector<std::string>{"$$$1.txt", "$OUT1.TMP", "demo0.txt"}));
    }
    for (const char* n : {"$$$1.txt", "$OUT1.TMP"})
        EXPECT_EQ(qortest::ReadFileBytes((Dir / n).string()), "the user's");
    EXPECT_EQ(qortest::ReadFileBytes((Dir / "demo0.txt").string()), drawing);
}

// Every drawing of /CADi:j in every format, each for one of the three example jobs in turn, read
// back by ezdxf (the production drawing lettered with the job's drawing number), OpenCASCADE
// (igescheck) and csv; each run writes its one file and nothing else.
TEST_F(Batch, EveryDrawingIsReadBackByAnIndependentReader) {
    const fs::path kept = qortest::FreshTestDir("qor_batch_kept_");
    const std::pair<std::string, std::string> jobs[] = {
        {"demo", "EX-SPUR-01"}, {"helical", "EX-HELICAL-01"}, {"ring", "EX-RING-01"}};
    const int formats[] = {1, 2, 5};
    const char* extensions[] = {"dxf", "igs", "txt"};
    std::string dxf, txt;
    int k = 0;
    for (int j : {1,  2,  3,  4,  5,  6,  7,  11, 12, 13, 14, 15, 16, 17,
                  18, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32}) {
        for (int f = 0; f < 3; ++f) {
            const auto& [job, number] = jobs[(k + f) % 3];
            const std::string sw = "/CAD" + std::to_string(formats[f]) + ":" + std::to_string(j);
            const std::string file = job + "." + extensions[f];
            SCOPED_TRACE(job + " " + sw);
            const RunResult r = Qor(job + ".q1w " + sw + " /NOGUI");
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(Written(), std::vector<std::string>{file});
            if (!fs::exists(Dir / file)) continue;
            const fs::path copy = kept / (std::to_string(j) + "_" + file);
            fs::rename(Dir / file, copy);
            if (f == 0) dxf += " '" + copy.string() + (j == 1 || j == 27 ? "|" + number : "") + "'";
            if (f == 2) txt += " '" + copy.string() + "'";
#ifdef QOR_IGES_CHECK
            if (f == 1) {
                int code = -1;
                const std::string seen =
                    qortest::RunCommand("'" QOR_IGES_CHECK "' '" + copy.string() + "'", code);
                EXPECT_EQ(code, 0) << seen.substr(0, 2000);
            }
#endif
        }
        ++k;
    }
    for (const std::string& args : {"dxf" + dxf, "txt" + txt}) {
        int code = -1;
        const std::string said = qortest::RunCommand(
            "/usr/bin/python3 '" QOR_SOURCE_DIR "/tests/shell/batch_check.py' " + args, code);
        EXPECT_EQ(code, 0) << said;
    }
    fs::remove_all(kept);
}

} // namespace

namespace {

// A tooth view written by /CADi:j, seen by an independent reader: what `what` must find in its
// report (ezdxf for DXF, OpenCASCADE for IGES), and how many times at least.
TEST_F(Batch, ToothViewsWrittenUnderTheJobsName) {
    struct Case {
        const char* args;
        const char* file;
        const char* what;
        int atLeast;
    };
    const Case cases[] = {
        {"demo.q1w /CAD1:4", "demo.dxf", "entity model INSERT 0 EVOLV2 ", 10},   // the wheel
        {"demo.q1w -cad1:5", "demo.dxf", "entity model INSERT 0 WERKZS2 ", 20},  // tool rolled
        {"ring.q1w /CAD1:17", "ring.dxf", "entity model TEXT 3 'eps.al. = ", 1}, // contact
        {"ring.q1w /CAD1:18", "ring.dxf", "entity model INSERT 0 RAD1 ", 3},     // planets
        {"helical.q1w /CAD2:6", "helical.igs", "edge ", 7},                      // the tool
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = Qor(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(Written(), std::vector<std::string>{c.file});
        const std::string file = (Dir / c.file).string();
        const bool iges = std::string(c.file).find(".igs") != std::string::npos;
        std::string reader =
            std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/cad/dxf_check.py";
        if (iges) {
#ifdef QOR_IGES_CHECK
            reader = QOR_IGES_CHECK;
#else
            continue; // no IGES reader on this machine
#endif
        }
        int status = -1;
        const std::string report = qortest::RunCommand(reader + " '" + file + "' 2>&1", status);
        EXPECT_EQ(status, 0) << report.substr(0, 2000);
        if (!iges) {
            EXPECT_THAT(report, HasSubstr("audit_errors 0"));
        }
        int found = 0;
        for (std::size_t at = report.find(c.what); at != std::string::npos;
             at = report.find(c.what, at + 1))
            found += at == 0 || report[at - 1] == '\n';
        EXPECT_GE(found, c.atLeast) << report.substr(0, 2000);
        fs::remove(file);
    }
}

} // namespace

// A run ended by SIGINT, SIGTERM or SIGHUP at each draft it makes in turn (the listing's in the
// temporary folder, the output's beside it, the settings'): it exits with 128 + the signal,
// leaves no file behind, and the output it was replacing keeps its old contents. The window
// program (its start picture here) completes the step in hand and then ends the same way. One
// step past the last draft the run completes and replaces the output. A signal the program was
// started ignoring (SIGHUP under nohup, SIGINT in a script's background job) stays ignored: the
// run completes at once; one not ignored still ends it.
TEST_F(Batch, ASignalRemovesTheDraftsAndKeepsTheOldOutput) {
    // Default for the runs, whatever this test was started with (a shell cannot undo them).
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        std::signal(sig, SIG_DFL);
    fs::create_directory(Dir / "tmp");
    const std::string env = "TMPDIR='" + (Dir / "tmp").string() + "'";
    auto files = [&] {
        std::vector<std::string> all;
        for (const auto& e : fs::recursive_directory_iterator(Dir))
            all.push_back(fs::relative(e.path(), Dir).string());
        std::sort(all.begin(), all.end());
        return all;
    };
    const struct Case {
        const char* Args;
        const char* Output;
        int Signal;
        int MinDrafts;            // the output's draft and at least one more
        const char* Ignored = ""; // at start, as the shell's trap names them
    } cases[] = {{"demo.q1w /I", "demo_sheet.txt", SIGTERM, 2},
                 {"helical.q1w /CAD1:1", "helical.dxf", SIGINT, 1},
                 {"ring.q1w /CAD2:27", "ring.igs", SIGHUP, 1},
                 {"demo.q1w", "start.png", SIGTERM, 1}, // the window program
                 {"helical.q1w", "start.png", SIGHUP, 1},
                 {"demo.q1w /I", "demo_sheet.txt", SIGHUP, 0, "HUP"},
                 {"helical.q1w /CAD1:1", "helical.dxf", SIGINT, 0, "INT TERM"},
                 {"demo.q1w /I", "demo_sheet.txt", SIGTERM, 2, "INT HUP"},
                 {"demo.q1w", "start.png", SIGHUP, 0, "HUP"},
                 {"helical.q1w", "start.png", SIGINT, 0, "INT HUP"},
                 // A reader that leaves is a failed write: SIGPIPE never ends the program.
                 {"demo.q1w /CAD1:1", "demo.dxf", SIGPIPE, 0},
                 {"demo.q1w", "start.png", SIGPIPE, 0}};
    ASSERT_EQ(Qor("demo.q1w /CAD5:1", env).code, 0); // the settings as a run leaves them
    fs::remove(Dir / "demo.txt");
    for (const Case& c : cases) {
        const std::string output = (Dir / c.Output).string();
        const bool window = c.Output == std::string("start.png"); // its step in hand completes
        const std::string extra =
            env + (window ? " QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" +
                                (Dir / "tmp").string() + "' QOR1W_START_PICTURE='" + output + "'"
                          : "");
        ASSERT_EQ(window ? Qor(c.Args, extra).code : 0, 0) << "its session file as a run leaves it";
        int draft = 1;
        for (;; ++draft) {
            qortest::WriteFileBytes(output, "the old output\r\n");
            const std::vector<std::string> before = files();
            SCOPED_TRACE(std::string(c.Args) + " at draft " + std::to_string(draft));
            const RunResult r = Qor(c.Args,
                                    extra + " QOR_SIGNAL_AT_DRAFT=" + std::to_string(draft) + ":" +
                                        std::to_string(c.Signal),
                                    c.Ignored);
            EXPECT_EQ(files(), before); // no draft, no listings' folder left
            if (r.code == 0) break;     // no signal came: every draft had been made
            ASSERT_EQ(r.code, 128 + c.Signal) << r.err;
            EXPECT_EQ(qortest::ReadFileBytes(output) == "the old output\r\n", !window);
            ASSERT_LT(draft, 20);
        }
        SCOPED_TRACE(std::string(c.Args) + " ignoring " + c.Ignored);
        EXPECT_GE(draft - 1, c.MinDrafts);
        EXPECT_EQ(draft == 1, c.MinDrafts == 0);                // an ignored signal ends nothing
        EXPECT_GT(qortest::ReadFileBytes(output).size(), 500u); // replaced by the new output
        fs::remove(output);
    }
}
