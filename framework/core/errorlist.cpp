// error0: the message list.
#include "framework/core/errorlist.h"

#include "framework/core/globals.h"

std::uint16_t ErrorCount = 0;
RangeArray<ShortString<ErrorTextCapacity>, 1, ErrorListSize> ErrorList;

void AddError(std::string_view Msg) {
    const ShortString<ErrorTextCapacity> key(Msg);
    for (int i = 1; i <= ErrorCount && i <= ErrorListSize; ++i)
        if (ErrorList[i] == key) return;
    if (ErrorCount >= ErrorListSize) {
        ErrorCount = ErrorListSize; // the list keeps its first 11 distinct messages
        return;
    }
    ++ErrorCount;
    ErrorList[ErrorCount] = key;
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
