#pragma once
// The user interface's side of the core's hooks: InstallUiHooks, called once at program start
// (and by every test that drives windows), puts the GUI layer's message box, file dialogs, event
// processing and screen metrics behind the hooks of framework/core.

#include "framework/core/config_file.h"

// The GUI layer's screen, no main window.
TScreenMetrics GuiScreenMetrics();

void InstallUiHooks();
