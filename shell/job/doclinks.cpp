#include "shell/job/doclinks.h"

#include <string>

#include "framework/core/files.h"

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

// A link names a file, whatever characters its name holds: a name the page cannot hold is
// written in UTF-8, which the reader tells from the page's bytes (as in the settings file).
void WriteLinkText(std::string_view text, TextEncoding page) {
    WriteJobText(EncodeKeptLine(OneLine(text), page), TextEncoding::Utf8);
}

template <std::size_t N>
void ReadLinkText(JobLineReader& in, ShortString<N>& s, TextEncoding page) {
    std::string bytes;
    if (in.Text(bytes, TextEncoding::Utf8)) s = DecodeKeptLine(bytes, page);
}
} // namespace

void WriteDocumentLinks() {
    WriteTextLine("documents");
    WriteJobInt(DocumentLinkCount);
    WriteTextLine(kBlockRule);
    for (const auto& link : DocumentLinks) {
        WriteLinkText(link.DocProgram, JobPage("DocProgram"));
        WriteLinkText(link.DocFile, JobPage("DocFile"));
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
        ReadLinkText(in, link.DocProgram, JobPage("DocProgram"));
        ReadLinkText(in, link.DocFile, JobPage("DocFile"));
        in.Skip();
        if (!in.Ok()) return false;
        links[i] = link;
    }
    return in.Ok();
}
