#include "framework/ui/stored_texts.h"

#include "framework/core/text.h"
#include "platform/gui/controls.h"
#include "platform/gui/grids.h"

void TStoredTexts::Show(TEdit* edit, std::string_view stored, std::string_view text) {
    edit->SetText(text);
    Remember({edit, 0, 0, edit->Text(), std::string(stored), 0});
}

void TStoredTexts::Show(TMemo* memo, std::string_view stored, std::string_view text) {
    memo->SetText(text);
    // What the memo gives back for the text (its lines, each ended).
    Remember({memo, 0, 0, memo->Text(), std::string(stored), 0});
}

void TStoredTexts::Show(TStringGrid* grid, int col, int row, std::string_view stored,
                        std::string_view text) {
    grid->SetCells(col, row, text);
    Remember({grid, col, row, grid->Cells(col, row), std::string(stored), 0});
}

void TStoredTexts::ShowOem(TEdit* edit, std::string_view stored) {
    Show(edit, stored, OemToAnsiString(stored));
}

void TStoredTexts::ShowOem(TMemo* memo, std::string_view stored) {
    Show(memo, stored, OemToAnsiString(stored));
}

void TStoredTexts::ShowOem(TStringGrid* grid, int col, int row, std::string_view stored) {
    Show(grid, col, row, stored, OemToAnsiString(stored));
}

void TStoredTexts::ShowValue(TStringGrid* grid, int col, int row, long double value,
                             std::string_view text) {
    grid->SetCells(col, row, text);
    Remember({grid, col, row, grid->Cells(col, row), grid->Cells(col, row), value});
}

bool TStoredTexts::Changed(const TWinControl* input, int col, int row) const {
    const Shown* s = Find(input, col, row);
    return s == nullptr || Current(input, col, row) != s->Text;
}

std::string TStoredTexts::Entered(const TEdit* edit) const {
    return Changed(edit) ? edit->Text() : Find(edit, 0, 0)->Stored;
}

std::string TStoredTexts::Entered(const TMemo* memo) const {
    return Changed(memo) ? memo->Text() : Find(memo, 0, 0)->Stored;
}

std::string TStoredTexts::Entered(const TStringGrid* grid, int col, int row) const {
    return Changed(grid, col, row) ? grid->Cells(col, row) : Find(grid, col, row)->Stored;
}

bool TStoredTexts::Value(const TStringGrid* grid, int col, int row, long double& value) const {
    if (Changed(grid, col, row)) return false;
    value = Find(grid, col, row)->Number;
    return true;
}

const TStoredTexts::Shown* TStoredTexts::Find(const TWinControl* input, int col, int row) const {
    for (const Shown& s : FShown)
        if (s.Input == input && s.Col == col && s.Row == row) return &s;
    return nullptr;
}

void TStoredTexts::Remember(Shown s) {
    // Shown again (the dialog reloaded): the new value stands.
    for (Shown& old : FShown)
        if (old.Input == s.Input && old.Col == s.Col && old.Row == s.Row) {
            old = std::move(s);
            return;
        }
    FShown.push_back(std::move(s));
}

std::string TStoredTexts::Current(const TWinControl* input, int col, int row) {
    if (auto* e = dynamic_cast<const TEdit*>(input)) return e->Text();
    if (auto* m = dynamic_cast<const TMemo*>(input)) return m->Text();
    if (auto* g = dynamic_cast<const TStringGrid*>(input)) return g->Cells(col, row);
    return {};
}
