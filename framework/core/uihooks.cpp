// The core's hooks into the user interface and their batch-mode defaults.
#include "framework/core/uihooks.h"

#include <iostream>

MessageBoxProc MessageBoxHook = nullptr;
FileChoiceProc FileChoiceHook = nullptr;
CoreEventsProc ProcessPendingEventsHook = nullptr;

int CoreMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    if (MessageBoxHook != nullptr) return MessageBoxHook(text, caption, flags);
    MessageQuestion q;
    q.Text = std::string(text);
    q.Caption = std::string(caption);
    q.Flags = flags;
    const int answer = q.CancelAnswer();
    std::cerr << "question: " << (q.Caption.empty() ? std::string() : q.Caption + ": ") << q.Text
              << " -> " << MessageAnswerName(answer) << '\n';
    return answer;
}

bool ChooseFile(const TFileChoice& choice, std::string& fileName) {
    if (FileChoiceHook != nullptr) return FileChoiceHook(choice, fileName);
    std::cerr << "question: " << (choice.Save ? "save" : "open") << " file in " << choice.InitialDir
              << " -> Cancel\n";
    return false;
}

void ProcessPendingEvents() {
    if (ProcessPendingEventsHook != nullptr) ProcessPendingEventsHook();
}
