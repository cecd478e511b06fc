#include "shell/ask_save.h"

#include "framework/core/globals.h"
#include "framework/core/files.h"
#include "framework/ui/questions.h"
#include "shell/job/jobfile.h"

void SaveDataFile(const std::string& name) {
    ConfirmOverwrite = 0;
    WriteGearDataFile(name);
    ConfirmOverwrite = 1;
}

TAskSaveResult AskSaveModified() {
    if (ArchiveMode != 0 && ArchiveFlag != 0) {
        const bool had = DataModified != 0;
        DataModified = 0;
        return had ? TAskSaveResult::Dropped : TAskSaveResult::Unchanged;
    }
    if (DataModified == 0) return TAskSaveResult::Unchanged;
    if (!DataFileName.empty()) {
        const bool yes = AskYesNoCancel("Save file (" + CurrentDataFile() + ") ?");
        if (AbortFlag != 0) return TAskSaveResult::Cancelled;
        if (yes) {
            SaveDataFile(DataFileName);
            // A failed save keeps the data marked: the caller stops on AbortFlag and nothing is
            // dropped.
            if (AbortFlag != 0) return TAskSaveResult::Cancelled;
        }
        DataModified = 0;
        return yes ? TAskSaveResult::Saved : TAskSaveResult::Dropped;
    }
    if (AskYesNoCancel("Reject old data ?")) {
        DataModified = 0;
        return TAskSaveResult::Dropped;
    }
    AbortFlag = 1;
    return TAskSaveResult::Cancelled;
}
