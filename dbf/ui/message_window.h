#pragma once
// The engine's message and progress windows (unit `tzmsg`) on the screen: the GUI layer's
// TMessageWindow behind the engine's MessageWindowHook.

class TComponent;
class TMessageWindow;

namespace dbf {

// A window while the program has widgets, else none. Sets MessageWindowOps.
TMessageWindow* DefaultMessageWindow(TComponent* owner);

// Installs DefaultMessageWindow as the engine's MessageWindowHook (program start).
void InstallMessageWindows();

} // namespace dbf
