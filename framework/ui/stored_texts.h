#pragma once
// The stored values a dialog shows in its text inputs (edits, memos, grid cells).
//
// An input may show a value otherwise than it is stored: special characters transliterated
// (Settings > "Special characters"), a number with the digits the input shows, a name in the
// form it is typed. While the input still shows what it was given, the dialog gives the stored
// value back byte for byte, whatever its length; only a text the user changed is taken from
// the input (and checked as typed: code page, length, reserved characters).

#include <string>
#include <string_view>
#include <vector>

class TEdit;
class TMemo;
class TStringGrid;
class TWinControl;

class TStoredTexts {
public:
    // Shows text in the input and remembers stored as the value it stands for.
    void Show(TEdit* edit, std::string_view stored, std::string_view text);
    void Show(TMemo* memo, std::string_view stored, std::string_view text);
    void Show(TStringGrid* grid, int col, int row, std::string_view stored, std::string_view text);
    // A text of the DOS page, shown as OemToAnsiString shows it.
    void ShowOem(TEdit* edit, std::string_view stored);
    void ShowOem(TMemo* memo, std::string_view stored);
    void ShowOem(TStringGrid* grid, int col, int row, std::string_view stored);
    // A number shown as text in a grid cell.
    void ShowValue(TStringGrid* grid, int col, int row, long double value, std::string_view text);

    // Whether the input (a grid's cell col, row) shows something else than it was given; an
    // input never given a value counts as changed.
    bool Changed(const TWinControl* input, int col = 0, int row = 0) const;
    // The stored value while the input is unchanged, else the input's text.
    std::string Entered(const TEdit* edit) const;
    std::string Entered(const TMemo* memo) const;
    std::string Entered(const TStringGrid* grid, int col, int row) const;
    // The number shown in an unchanged cell: true and value set; false when it was changed.
    bool Value(const TStringGrid* grid, int col, int row, long double& value) const;

private:
    struct Shown {
        const TWinControl* Input;
        int Col, Row;
        std::string Text;   // as the input showed it
        std::string Stored; // the value it stands for
        long double Number;
    };
    const Shown* Find(const TWinControl* input, int col, int row) const;
    void Remember(Shown s);
    static std::string Current(const TWinControl* input, int col, int row);
    std::vector<Shown> FShown;
};
