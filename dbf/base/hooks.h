#pragma once
// Tables of operations through which the work-area commands reach the services above or beside
// them: the index engine, the memo unit, the expression engine, and the GUI's event loop. The
// units that provide a service fill its table when the program starts; an empty entry means the
// service is absent and the caller skips it. The work-area commands never include those units.

#include <cstdint>
#include <string>

namespace dbf {

struct CompiledExpr;
class TMemoTextFile;

// Index engine. Every entry works on the current work area.
struct TIndexHooks {
    bool (*IndexActive)() = nullptr;             // a controlling index is open
    void (*IndexSync)() = nullptr;               // index position to the current record
    std::int32_t (*IndexNext)() = nullptr;       // next key's record (the same when none)
    std::int32_t (*IndexPrior)() = nullptr;      // previous key's record (the same when none)
    std::int32_t (*IndexTop)() = nullptr;        // first key's record; RecordCount + 1 when empty
    std::int32_t (*IndexBottom)() = nullptr;     // last key's record; RecordCount + 1 when empty
    bool (*IndexEOF)() = nullptr;                // past the last key
    bool (*IndexBOF)() = nullptr;                // before the first key
    void (*AppendNewKey)() = nullptr;            // keys of a newly appended record
    void (*IndexRefreshKeys)() = nullptr;        // current keys from the loaded record
    void (*IndexNoteOldKeys)() = nullptr;        // keys of the stored version (before a rewrite)
    void (*IndexUpdateKeys)() = nullptr;         // move the keys that changed with the rewrite
    void (*IndexMarkBOF)() = nullptr;            // set the index's own beginning mark
    void (*IndexMarkEOF)() = nullptr;            // set the index's own end mark
    std::uint8_t* (*IndexFoundFlag)() = nullptr; // the index engine's found flag
    void (*Reindex)() = nullptr;                 // rebuild every index of the area
    void (*IndexCloseAll)() = nullptr;           // close the area's indexes
    std::string (*IndexFileName)(int order) = nullptr;
    std::string (*OrderKeyText)(int order) = nullptr;
    std::string (*ControllingKeyText)() = nullptr;
    bool (*OrderAscending)(int order) = nullptr;
    bool (*OrderSoundex)(int order) = nullptr;
    void (*ReadSemaphore)(bool on) = nullptr; // bracket of a read sequence
    void (*LockSemaphore)(bool on) = nullptr; // bracket of an update
};
extern TIndexHooks IndexHooks;

// Memo unit. Every entry works on the current work area; failures go through the engine's
// error state.
struct TMemoHooks {
    bool (*AssignMemo)(TMemoTextFile& f, std::int32_t& block) = nullptr; // text-file driver
    void (*PackMemofile)() = nullptr;                                    // Pack
    void (*OpenMemofile)(const std::string& tableName) = nullptr;        // Use
    void (*CloseMemofile)() = nullptr;                                   // FreeWorkArea
    std::int32_t (*CopyMemoAppend)(std::uint8_t sourceArea, std::int32_t block) = nullptr;
    std::int32_t (*CopyMemoSameBlock)(std::uint8_t sourceArea, std::int32_t block) = nullptr;
    void (*RecreateMemofile)(const std::string& tableName) = nullptr;
    std::int32_t (*AddMemo)(const std::string& text) = nullptr;
    // The text of the memo that starts at block (negative: its absolute value) of the current
    // area, as read for display; empty when there is none. Locate matches memo fields by it.
    std::string (*MemoText)(std::int32_t block) = nullptr;
};
extern TMemoHooks MemoHooks;

// Expression engine.
struct TParserHooks {
    CompiledExpr* (*AssignExpr)(const std::string& text) = nullptr;
    void (*FreeExpr)(CompiledExpr*& expr) = nullptr;
    const void* (*EvaluateExpr)(CompiledExpr* expr) = nullptr;
    std::string (*ExprText)(CompiledExpr* expr) = nullptr;
    // The value of a logical expression for the current record (filters and WHILE conditions).
    bool (*EvaluateLogical)(CompiledExpr* expr) = nullptr;
};
extern TParserHooks ParserHooks;

// Handles pending GUI events other than user input (paint, timers of the platform), so that
// windows stay drawn during a lock wait without a click or key starting a second engine command
// in the middle of this one. Installed by the program's start when a GUI runs.
using ProcessEventsProc = void (*)();
extern ProcessEventsProc ProcessEventsHook;

// True once the application is ending; lock waits stop early then.
using TerminatingProc = bool (*)();
extern TerminatingProc TerminatingHook;

// Asks the user a yes/no question (OK and Cancel); true for OK. Without it a question that must
// be asked is answered Cancel.
using ConfirmProc = bool (*)(const std::string& text);
extern ConfirmProc ConfirmHook;

// Asks what to save when the record being posted was changed in the file by another program or
// window since the edit began (text names the record and the fields the user changed, and the
// answers): Mine writes the user's changes over the stored record (a record deleted meanwhile:
// as a new record), Stored drops them and shows the stored record, Back returns to the edit
// (offered only when canGoBack). Without it such a post fails with an engine error and the edit
// stays.
enum class TRecordChoice { Mine, Stored, Back };
using RecordChoiceProc = TRecordChoice (*)(const std::string& text, bool canGoBack);
extern RecordChoiceProc RecordChoiceHook;

// Back to the start state: every table empty (engine start and tests).
void ClearEngineHooks();

} // namespace dbf
