#pragma once
// Change records and drawing information of a job (the data lives in framework/core/shelldata.h):
// the change block of the job file, its writer and reader, and the reset for a new job.
//
// Descriptions hold their line breaks as "\n". In the job file every line break becomes "|" so
// that a description stays on one line; the reader turns "|" back into line breaks and also
// joins a description that older files split over several lines.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/shelldata.h"

// Everything the change block stores, as one value: the reader fills a copy, and the job file
// commits it only when the whole file has been read.
struct TChangeBlock {
    RangeArray<TChangeEntry, 1, ChangeTableMax> Table;
    std::uint16_t Count = 0;
    TDrawingInfo Info;
    RangeArray<TDrawingText, 1, DrawingTextMax> Texts;
    std::uint16_t TextCount = 0;

    static TChangeBlock Current(); // a copy of the program's values
    void Commit() const;           // makes them the program's values
    // As ClearChangeTable, on this block.
    void ClearForNewJob();
};

// Reset for a new job: no change records, no references, today's date in signature row 1, the
// other dates and the names empty. The free drawing texts are kept.
void ClearChangeTable();

// The description as one job-file line: every line break (CR LF, CR or LF) becomes "|".
std::string DescriptionToJobLine(std::string_view description);
// The reverse: every "|" becomes "\n".
std::string JobLineToDescription(std::string_view line);

// Writes the change block to SharedTextFile (texts in the job file's DOS page; free drawing
// texts as typed).
void WriteChangeBlock();

class JobLineReader;
// Reads a change block into block. False when it is unreadable (see the reader).
bool ReadChangeBlock(JobLineReader& in, TChangeBlock& block);
