#pragma once
// Document links: five related documents of a job, each a program and the file it opens.
// Saved in the job file as its document block, in the Windows page; a name that page cannot hold
// is stored in UTF-8 (EncodeKeptLine), so every link reads back as it was typed or picked.

#include "framework/core/fixedtypes.h"

inline constexpr int DocumentLinkCount = 5;
inline constexpr int DocTextCapacity = 50;

struct TDocumentLink {
    ShortString<DocTextCapacity> DocProgram;
    ShortString<DocTextCapacity> DocFile;
    friend bool operator==(const TDocumentLink&, const TDocumentLink&) = default;
};
using TDocumentLinks = RangeArray<TDocumentLink, 1, DocumentLinkCount>;

extern TDocumentLinks DocumentLinks;

// Start values: program "NOTEPAD.EXE" and no file for each link.
void InitDocumentLinks();

// The document block of the job file, written to SharedTextFile: "documents", "5", 20 dashes,
// then per link its program, its file and 14 dashes.
void WriteDocumentLinks();

class JobLineReader;
// Reads a document block into links: the count line says how many links follow (0..5); links
// beyond the count keep their values. False when the block is unreadable (see the reader).
bool ReadDocumentLinks(JobLineReader& in, TDocumentLinks& links);
