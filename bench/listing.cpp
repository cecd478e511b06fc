// A 50,000-line listing written through the listing engine and loaded into the text window:
// head, value rows with rule lines and page breaks (66 lines per page, head on every page),
// ListEnd converting the file to outwin.txt and showing it. Target: under 2 s.
//
// The reference writes the same number of lines straight through the shared text file, without
// the engine and the window: the ratio is what the layout, the page breaks, the conversion and
// the window cost on top of the bare file.
#include <benchmark/benchmark.h>

#include "framework/ui/dialogs.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/listing.h"
#include "framework/core/settings.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "platform/os/paths.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kLines = 50000;

// Closes the text window once it has loaded the listing; counts the lines it holds.
class CloseWindow : public ModalResponder {
public:
    void RespondForm(TForm& form) override {
        if (auto* w = dynamic_cast<TForm_showtextfile*>(&form))
            shownLines = static_cast<int>(w->Memo1->Lines().Items().size());
        form.Close();
    }
    int RespondMessage(const MessageQuestion&) override { return IDOK; }
    bool RespondDialog(TCommonDialog&) override { return false; }
    int shownLines = 0;
};

struct Folder {
    std::string path;
    Folder() {
        path = os::TempDirectory() + "/qor_bench_listing_" + std::to_string(::getpid());
        std::filesystem::create_directories(path);
        TempDir = path;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void BM_ListingToTextWindow(benchmark::State& state) {
    Folder folder;
    CloseWindow responder;
    ResponderScope scope(responder);
    FrameStyle = 1;
    LinesPerPage = 66;
    for (auto _ : state) {
        AbortFlag = 0;
        ListHeader("Benchmark listing", "first head line", "second", "third", "", 0);
        ListSetHeaderFields("", "Symbol", "Unit", "premach.", "finished");
        ListBegin(ListDeviceScreen, "");
        ListRewrite();
        ListHead(0, 1);
        // Value rows with their rule lines: two lines each.
        for (int i = 0; i < kLines / 2; ++i)
            ListValuePairLine("Span measurement", "W max.", "mm", FloatToStrFix(4, 3, 23.456L + i),
                              FloatToStrFix(4, 3, 23.4L + i));
        ListSectionBreak();
        ListEnd();
        if (AbortFlag != 0) state.SkipWithError("the listing failed");
    }
    state.counters["lines_shown"] = responder.shownLines;
    state.counters["target_s"] = 2;
}
BENCHMARK(BM_ListingToTextWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reference: the same number of lines written straight into a file.
void BM_PlainLinesToFile(benchmark::State& state) {
    Folder folder;
    const std::string line = "       Span measurement                  W max.   mm         23.456"
                             "     23.400";
    for (auto _ : state) {
        SharedTextFile.Assign(folder.path + "/plain.txt", TextEncoding::Oem);
        SharedTextFile.Rewrite();
        for (int i = 0; i < kLines; ++i)
            WriteTextLine(line);
        SharedTextFile.Close();
    }
}
BENCHMARK(BM_PlainLinesToFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    // The text window needs the GUI application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    InitAllSettings();
    SetProductIdentity();
    InitErrors();
    InitListing();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
