// error0: the message list.
#include "framework/core/errorlist.h"

#include <vector>

#include "framework/core/globals.h"
#include "platform/os/utf8.h"

std::uint16_t ErrorCount = 0;
RangeArray<ShortString<ErrorTextCapacity>, 1, ErrorListSize> ErrorList;

namespace {

// Fatal messages outrank errors, errors everything else (warnings, notes).
int Rank(std::string_view text) {
    if (text.rfind("Fatal", 0) == 0) return 2;
    return text.rfind("Error", 0) == 0 ? 1 : 0;
}

} // namespace

void AddError(std::string_view Msg) {
    // The text as a line holds it, compared and stored without a copy of its own.
    const std::string_view key = Msg.substr(0, os::Utf8Offset(Msg, ErrorTextCapacity));
    for (int i = 1; i <= ErrorCount && i <= ErrorListSize; ++i)
        if (ErrorList[i] == key) return;
    if (ErrorCount < ErrorListSize) {
        ++ErrorCount;
        ErrorList[ErrorCount] = key;
        return;
    }
    // Full: the last line says that messages were left out, and the others are the first ones
    // raised, except that a message displaces the latest one of a lower rank (so an error is
    // never lost for a warning).
    std::vector<ShortString<ErrorTextCapacity>> kept;
    for (int i = 1; i <= ErrorListSize; ++i)
        if (!(i == ErrorListSize && ErrorList[i] == ErrorListLeftOut)) kept.push_back(ErrorList[i]);
    kept.emplace_back(key);
    while (kept.size() > std::size_t(ErrorListSize - 1)) {
        std::size_t drop = kept.size() - 1;
        for (std::size_t n = kept.size(); n-- > 0;)
            if (Rank(kept[n].str()) < Rank(kept[drop].str())) drop = n;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(drop));
    }
    for (int i = 1; i < ErrorListSize; ++i)
        ErrorList[i] = kept[std::size_t(i - 1)];
    ErrorList[ErrorListSize] = ErrorListLeftOut;
    ErrorCount = ErrorListSize;
}

void ClearErrors() {
    ErrorCount = 0;
    CalcErrorFlag = 0;
}

void InitErrors() {
    ErrorCount = 0;
    for (auto& e : ErrorList)
        e = "";
}

namespace {
const bool errorListReady = (InitErrors(), true);
} // namespace
