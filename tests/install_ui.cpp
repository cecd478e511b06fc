// Test programs that drive windows start as the program does: the user interface's hooks are
// in place before any test runs.
#include "framework/ui/uihooks.h"

namespace {
const bool installed = [] {
    InstallUiHooks();
    return true;
}();
} // namespace
