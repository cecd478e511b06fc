#pragma once
// Shared by the GUI-layer tests: the Qt application (offscreen in tests) is created on first use.

#include "platform/gui/application.h"

inline void EnsureGuiApp() {
    Application->Initialize();
}
