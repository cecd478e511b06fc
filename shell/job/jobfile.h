#pragma once
// The job file: one gear pair with its drawing texts, load data, drawing settings, change
// records and document links, as a line-oriented text file (CR LF) in a fixed order of one
// value per line. Files written by the older generation ("qor") are read by the same reader.
//
// Writing never destroys the previous file before the new one is complete (temporary file in
// the same directory, flushed and renamed over it). Reading fills a staging copy and takes it
// over only when the whole file was read: a failed load changes nothing.

#include <string>
#include <string_view>

#include "calc/geardata.h"
#include "framework/core/fixedtypes.h"
#include "framework/core/shelldata.h"
#include "shell/job/changes.h"
#include "shell/job/doclinks.h"

// Everything a job file holds.
struct TJobData {
    TGearData Gear;
    TLoadDefaults Defaults;
    RangeArray<ShortString<65>, 1, 3> Titles;
    TChangeBlock Changes;
    TDocumentLinks Links;

    static TJobData Current(); // a copy of the program's values
    void Commit() const;       // makes them the program's values
};

// Lines of the job-file layout that tests and tools locate by number (1-based file lines).
inline constexpr int kJobHeaderLines = 7;
inline constexpr int kJobVersionLine = kJobHeaderLines + 122; // "V6.0"

// Writes the job file. An empty name asks for one with a save dialog (the chosen directory
// becomes DataDir, the chosen name DataFileName). A name whose file name holds "." is used as
// it is; a bare name becomes DataDir + name + "." + DataFileExt (a name with a directory gets
// the extension only). In archive mode only "actual" may be saved. Failure: AbortFlag set, with
// a message; an existing file stays as it was.
void WriteGearDataFile(std::string name);

// Loads a job file. An empty name asks for one with an open dialog (on success the chosen
// directory becomes DataDir and the name without extension DataFileName). A bare name (no
// directory, no extension, such as "null") means DataDir + name + "." + DataFileExt; any other
// name is used as it is. Failure (missing file, cancelled dialog, unreadable content): AbortFlag
// set, with a message, and the gear data, the name and the directory stay as they were. Files of
// the older generation (extension "qor") may end early: the items they lack keep their values.
void LoadJobFile(std::string name);
// The same with what the file does not hold taken from base instead of the program's values.
void LoadJobFile(std::string name, const TJobData& base);

// What a new job starts from, as File > New gives it: the "null" job of the data directory
// (letter case aside; the program's start values where there is none or it cannot be read),
// with no change records or references, today's date in signature row 1 and no title texts.
// Reads nothing into the program.
TJobData NewJobData();

// Reads the job file at path into data, touching no value of the program and showing nothing
// (what an older file lacks keeps data's values). False, with the reason in problem, when the
// file cannot be opened or read to its end; data may then be partly filled.
bool ReadJobData(const std::string& path, TJobData& data, std::string& problem);

// The full name WriteGearDataFile / LoadJobFile use for a given non-empty name.
std::string JobFileSavePath(std::string_view name);
std::string JobFileLoadPath(std::string_view name);

// The text of the last load or save failure ("" after a success), for batch callers.
const std::string& LastJobFileProblem();
