// The engine's message and progress windows (unit `tzmsg`) on the GUI layer's TMessageWindow.

#include "dbf/ui/message_window.h"

#include "dbf/base/messages.h"
#include "platform/gui/application.h"
#include "platform/gui/progresswin.h"

namespace dbf {

namespace {

void ShowWindow(TMessageWindow* w, const std::string& caption, const std::string& text) {
    w->SetCaption(caption);
    w->ShowText(text);
}

void FreeWindow(TMessageWindow* w) {
    w->Free();
}

} // namespace

TMessageWindow* DefaultMessageWindow(TComponent* owner) {
    MessageWindowOps.Show = &ShowWindow;
    MessageWindowOps.Free = &FreeWindow;
    if (Application == nullptr || !Application->HasWidgets()) return nullptr;
    return NewForm<TMessageWindow>(owner);
}

void InstallMessageWindows() {
    MessageWindowHook = &DefaultMessageWindow;
}

} // namespace dbf
