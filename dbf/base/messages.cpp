// Message and progress windows of long operations (unit `tzmsg`), shown through the GUI's hook.

#include "dbf/base/messages.h"

#include "platform/os/codepage.h"

namespace dbf {

MessageWindowProc MessageWindowHook = nullptr;
TMessageWindowOps MessageWindowOps;
MessageShownProc MessageShownHook = nullptr;

TTzMsg::TTzMsg(TComponent* owner) {
    if (MessageWindowHook != nullptr) FWindow = MessageWindowHook(owner);
}

TTzMsg::~TTzMsg() {
    if (FWindow != nullptr && MessageWindowOps.Free != nullptr) MessageWindowOps.Free(FWindow);
}

void TTzMsg::ShowText(const std::string& text) {
    if (!text.empty()) FText = text;
    if (FWindow != nullptr && MessageWindowOps.Show != nullptr)
        MessageWindowOps.Show(FWindow, os::Cp1252ToUtf8(FCaption), os::Cp1252ToUtf8(FText));
    if (MessageShownHook != nullptr) MessageShownHook(FCaption, FText);
}

TTzProgress100::TTzProgress100(TComponent* owner) : TTzProgress100(owner, "Progress") {}

TTzProgress100::TTzProgress100(TComponent* owner, const std::string& title) : TTzMsg(owner) {
    SetCaption(title);
    FBar.assign(kBarLength, '|');
    ShowText(FBar);
}

void TTzProgress100::Step() {
    if (FBar.empty())
        FBar.assign(kBarLength, '|');
    else
        FBar.erase(0, 1);
    // An empty bar is shown as such (ShowText would take "" as "the stored text again").
    if (FBar.empty()) {
        ShowText(" ");
        return;
    }
    ShowText(FBar);
}

} // namespace dbf
