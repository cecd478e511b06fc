#pragma once
// qor1wu: the File menu's commands on job files: open, open through the table of the data
// directory's job files, save, save as, import of an older job (".qor"), and the four recent
// files. Each clears AbortFlag and stops at the first step that leaves it set; the data, its name
// and the title then stay as they were.
//
// Changed data is never replaced without the save question (AskSaveModified); when the user lets
// it go but the new job does not come (the dialog was cancelled, the file did not load), it stays
// marked as changed. Every job that loads is calculated at once, so results, drawings and
// messages belong to it.

#include <string>

// The current job file's full name: DataFileName as given when it has an extension (a name
// from the command line), else DataDir + DataFileName + "." + DataFileExt; "" without a name.
std::string CurrentJobPath();

// After a job was loaded: the calculation, the message count and the configured view.
void AfterJobLoaded();
// A job that just came (opened, imported, entered as new), calculated: the message count and
// the configured view; when the calculation failed, the window shows why and the message
// browser lists the calculation's messages, never a drawing of the job before.
void ShowJobResult();

void OpenJobCommand();   // File > Open
void OpenTableCommand(); // File > Open (Table)
void SaveJobCommand();   // File > Save (asks for a name when there is none)
void SaveJobAsCommand(); // File > Save As
// File > Import QOR1: what the older file does not hold starts as File > New starts it.
void ImportOlderJobCommand();
// Recent file n (1..4): a file that no longer exists is reported and leaves the list.
void OpenRecentFile(int n);
