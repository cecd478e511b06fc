#include "shell/job/doclinks.h"

#include <string>

#include "shell/job/joblines.h"

TDocumentLinks DocumentLinks;

void InitDocumentLinks() {
    for (auto& link : DocumentLinks) {
        link.DocProgram = "NOTEPAD.EXE";
        link.DocFile = "";
    }
}

namespace {
const struct DocLinksUnitInit {
    DocLinksUnitInit() { InitDocumentLinks(); }
} docLinksUnitInit;

const std::string kBlockRule(20, '-');
const std::string kEntryRule(14, '-');
} // namespace

void WriteDocumentLinks() {
    WriteTextLine("documents");
    WriteJobInt(DocumentLinkCount);
    WriteTextLine(kBlockRule);
    for (const auto& link : DocumentLinks) {
        WriteJobText(link.DocProgram, JobPage("DocProgram"));
        WriteJobText(link.DocFile, JobPage("DocFile"));
        WriteTextLine(kEntryRule);
    }
}

bool ReadDocumentLinks(JobLineReader& in, TDocumentLinks& links) {
    std::int32_t count = 0;
    in.Skip(); // "documents"
    if (!in.Int(count, 0, DocumentLinkCount)) return false;
    in.Skip(); // dashes
    for (int i = 1; i <= count; ++i) {
        TDocumentLink link;
        in.Text(link.DocProgram, JobPage("DocProgram"));
        in.Text(link.DocFile, JobPage("DocFile"));
        in.Skip();
        if (!in.Ok()) return false;
        links[i] = link;
    }
    return in.Ok();
}
