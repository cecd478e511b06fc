#pragma once
// The question whether to save changed data before it is replaced or dropped (qor1wu).

#include <string>

// Archived data (ArchiveMode and ArchiveFlag) is dropped without asking. Otherwise changed data
// with a name: "Save file (<name>) ?" Yes saves (DataModified cleared only when the save
// succeeded; a failed save leaves AbortFlag set, so the caller stops), No drops, Cancel sets
// AbortFlag. Changed data without a name: "Reject old data ?" Yes drops, No and Cancel set
// AbortFlag. Unchanged data: nothing. Call with AbortFlag clear.
void AskSaveModified();

// Writes the job under name without the overwrite question.
void SaveDataFile(const std::string& name);
