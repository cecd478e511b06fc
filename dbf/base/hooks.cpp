// The engine's tables of operations (index, memo, parser, GUI), empty until their units start.

#include "dbf/base/hooks.h"

namespace dbf {

TIndexHooks IndexHooks;
TMemoHooks MemoHooks;
TParserHooks ParserHooks;
ProcessEventsProc ProcessEventsHook = nullptr;
TerminatingProc TerminatingHook = nullptr;
ConfirmProc ConfirmHook = nullptr;
RecordChoiceProc RecordChoiceHook = nullptr;

void ClearEngineHooks() {
    IndexHooks = TIndexHooks{};
    MemoHooks = TMemoHooks{};
    ParserHooks = TParserHooks{};
}

} // namespace dbf
