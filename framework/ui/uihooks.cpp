// InstallUiHooks: the GUI layer behind the core's hooks.
#include "framework/ui/uihooks.h"

#include "framework/core/uihooks.h"
#include "platform/data/db.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/screen.h"

namespace {

int GuiMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    return MessageBox(text, caption, flags);
}

bool GuiChooseFile(const TFileChoice& choice, std::string& fileName) {
    if (choice.Save) {
        TSaveDialog dlg(nullptr);
        dlg.InitialDir = choice.InitialDir;
        dlg.Filter = choice.Filter;
        dlg.DefaultExt = choice.DefaultExt;
        dlg.Options = ofHideReadOnly | ofPathMustExist |
                      (choice.OverwritePrompt ? TOpenOptions{ofOverwritePrompt} : 0u);
        if (!dlg.Execute()) return false;
        fileName = dlg.FileName;
        return true;
    }
    TOpenDialog dlg(nullptr);
    dlg.InitialDir = choice.InitialDir;
    dlg.Filter = choice.Filter;
    dlg.DefaultExt = choice.DefaultExt;
    dlg.Options =
        ofHideReadOnly | ofPathMustExist | (choice.MustExist ? TOpenOptions{ofFileMustExist} : 0u);
    if (!dlg.Execute()) return false;
    fileName = dlg.FileName;
    return true;
}

// A failed operation of a data-aware control (grid, navigator, browse window) is shown in a
// message box; it never crosses the event loop.
void GuiDataException(const std::exception& e) {
    MessageBox(e.what(), "Error", MB_OK | MB_ICONERROR);
}

void GuiProcessPendingEvents() {
    if (Application != nullptr) Application->ProcessMessagesExceptInput();
}

} // namespace

TScreenMetrics GuiScreenMetrics() {
    TScreenMetrics m;
    if (TScreen* s = Screen()) {
        m.ScreenWidth = s->Width();
        m.ScreenHeight = s->Height();
        m.PixelsPerInch = s->PixelsPerInch();
    }
    return m;
}

void InstallUiHooks() {
    MessageBoxHook = &GuiMessageBox;
    FileChoiceHook = &GuiChooseFile;
    ProcessPendingEventsHook = &GuiProcessPendingEvents;
    ScreenMetricsHook = &GuiScreenMetrics;
    ApplicationExceptionHook = &GuiDataException;
}
