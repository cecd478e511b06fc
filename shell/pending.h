#pragma once
// Commands whose subsystems are still being built: the handler shows "<command> is not
// available" through the program's message routine and sets AbortFlag, so that the handler
// stops as after a cancel and marks nothing modified. docs/shell.md lists every such command.

#include <string_view>

class TMenuItem;

// "<what> is not available" as a message; AbortFlag := 1.
void NotAvailable(std::string_view what);
// The same, named by the item's caption without its "&".
void NotAvailable(const TMenuItem* item);
