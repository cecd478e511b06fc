#pragma once
// The question whether to save changed data before it is replaced or dropped (qor1wu).

#include <string>

// What AskSaveModified did: nothing to ask, saved, dropped (the user said the data may go),
// or cancelled (AbortFlag set).
enum class TAskSaveResult { Unchanged, Saved, Dropped, Cancelled };

// Archived data (ArchiveMode and ArchiveFlag) is dropped without asking. Otherwise changed data
// with a name: "Save file (<name>) ?" Yes saves (DataModified cleared only when the save
// succeeded; a failed save leaves AbortFlag set, so the caller stops), No drops, Cancel sets
// AbortFlag. Changed data without a name: "Reject old data ?" Yes drops, No and Cancel set
// AbortFlag. Unchanged data: nothing. Call with AbortFlag clear.
TAskSaveResult AskSaveModified();

// Writes the job under name without the overwrite question.
void SaveDataFile(const std::string& name);
