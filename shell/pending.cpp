#include "shell/pending.h"

#include <string>

#include "framework/core/globals.h"
#include "framework/ui/questions.h"
#include "platform/gui/menus.h"

void NotAvailable(std::string_view what) {
    ShowMessage(std::string(what) + " is not available");
    AbortFlag = 1;
}

void NotAvailable(const TMenuItem* item) {
    std::string name;
    if (item != nullptr)
        for (char c : item->Caption())
            if (c != '&') name += c;
    NotAvailable(name);
}
