// Change records and drawing information: the modification and drawing-information dialogs and
// the change list.
#include "shell/change_records.h"

#include <algorithm>
#include <cmath>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "platform/os/utf8.h"
#include "shell/input_fields.h"

namespace {

// The description as the memo shows it, and back: line breaks are "\n"; the memo's final line
// end is not part of the text.
std::string MemoToDescription(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void AddButtonRow(TForm* form, TButton*& ok, TButton*& cancel, TButton*& help, int top, int width,
                  std::string_view helpCaption) {
    ok = NewButton(form, "Button_ok", "&OK", 8, top, 88, {});
    ok->SetDefault(true);
    cancel = NewButton(form, "Button_cancel", "&Cancel", 104, top, 88, {});
    cancel->SetCancel(true);
    help = NewButton(form, "Button_help", helpCaption, width - 104, top, 96, {});
}

} // namespace

std::string ChangeIndexText(int i) {
    if (FrameOption == 1) return IntToString(i);
    return std::string(1, static_cast<char>(96 + std::clamp(i, 1, 26)));
}

void InitDrawingInfoDates() {
    for (int row = 1; row <= 3; ++row)
        DrawingInfo.Rows[row].Date = DateString();
}

// ---- TForm_EinAend ----------------------------------------------------------------------------

TForm_EinAend::TForm_EinAend(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_EinAend");
    SetBounds(0, 0, 440, 330);
    SetClientWidth(440);
    SetClientHeight(300);
    Label_aenderung = NewLabel(this, "Label_aenderung", "", 8, 8);
    Edit_aenderung = NewTextEdit(this, "Edit_aenderung", 150, 8, 220, 20);
    Label_datum = NewLabel(this, "Label_datum", "", 8, 38);
    Edit_datum = NewTextEdit(this, "Edit_datum", 150, 38, 110, 10);
    Button_datum = NewButton(this, "Button_datum", "", 268, 37, 130, {});
    Label_bearbeiter = NewLabel(this, "Label_bearbeiter", "", 8, 68);
    Edit_bearbeiter = NewTextEdit(this, "Edit_bearbeiter", 150, 68, 80, 5);
    Label_beschreibung = NewLabel(this, "Label_beschreibung", "", 8, 98);
    Memo_beschreibung = NewControl<TMemo>(this, "Memo_beschreibung", 8, 122, 424, 132);
    Memo_beschreibung->SetScrollBars(ssVertical);
    AddButtonRow(this, Button_ok, Button_cancel, Button_help, 266, 440, "&Help");
    Button_datum->OnClick = [this](TObject* s) { Button_datumClick(s); };
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_EinAend::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Modification");
    Label_aenderung->SetCaption("text of changes");
    Label_datum->SetCaption("Date");
    Label_bearbeiter->SetCaption("responsible");
    Label_beschreibung->SetCaption("Description");
    Button_datum->SetCaption("<" + DateString());
}

void TForm_EinAend::LoadEntry() {
    const TChangeEntry& e = ChangeTable[Entry];
    SetCaption("Modification " + IntToString(Entry));
    // The name takes five characters from typing; a longer stored name is shown whole.
    FStored.ShowOem(Edit_aenderung, e.ChangeText);
    FStored.Show(Edit_datum, e.ChangeDate, e.ChangeDate);
    FStored.ShowOem(Edit_bearbeiter, e.ChangeName);
    FStored.ShowOem(Memo_beschreibung, e.ChangeDescription);
    SetActiveControl(Edit_aenderung);
}

void TForm_EinAend::Button_datumClick(TObject*) {
    Edit_datum->SetText(DateString());
}

void TForm_EinAend::Button_okClick(TObject*) {
    // Each text typed is stored as it stands, or the dialog stays open and says why: the job
    // file keeps the DOS page, and writes the description's line breaks as "|". A text left
    // as shown keeps what is stored. The lengths are what the job keeps, which may be more
    // than typing takes (the name): a stored name shortened by an edit is taken.
    const bool described = FStored.Changed(Memo_beschreibung);
    const std::string description = described ? MemoToDescription(Memo_beschreibung->Text())
                                              : FStored.Entered(Memo_beschreibung);
    const std::string what = Caption() + ", ";
    const struct {
        TWinControl* input;
        const TLabel* label;
        std::string text;
        int capacity;
        const char* refused;
    } inputs[] = {
        {Edit_aenderung, Label_aenderung, Edit_aenderung->Text(),
         decltype(TChangeEntry::ChangeText)::Capacity, ""},
        {Edit_datum, Label_datum, Edit_datum->Text(), decltype(TChangeEntry::ChangeDate)::Capacity,
         ""},
        {Edit_bearbeiter, Label_bearbeiter, Edit_bearbeiter->Text(),
         decltype(TChangeEntry::ChangeName)::Capacity, ""},
        {Memo_beschreibung, Label_beschreibung, description, 0, "|"},
    };
    for (const auto& in : inputs)
        if (FStored.Changed(in.input) &&
            !TextStorable(what + in.label->Caption(), in.text, in.capacity, TextEncoding::Oem,
                          in.refused, "the job file", [&in] { in.input->SetFocus(); }))
            return;
    AbortFlag = 0;
    TChangeEntry& e = ChangeTable[Entry];
    e.ChangeText = FStored.Entered(Edit_aenderung);
    e.ChangeDate = FStored.Entered(Edit_datum);
    e.ChangeName = FStored.Entered(Edit_bearbeiter);
    e.ChangeDescription = description;
    SetModalResult(mrOk);
}

void TForm_EinAend::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TForm_EinAend::Button_helpClick(TObject*) {
    ShowHelp(3000, 1);
}

bool ShowEnterChange(int n) {
    if (n < 1 || n > ChangeTableMax) {
        AbortFlag = 1;
        return false;
    }
    auto form = CreateForm<TForm_EinAend>();
    form->Entry = n;
    form->LoadEntry();
    if (form->ShowModal() != mrOk) AbortFlag = 1; // Esc or the close box: nothing stored
    return AbortFlag == 0;
}

// ---- TForm_zeichInfo --------------------------------------------------------------------------

namespace {
constexpr int kTextColumns = 6; // row number, x, y, h, phi, text
} // namespace

TForm_zeichInfo::TForm_zeichInfo(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_zeichInfo");
    SetBounds(0, 0, 600, 520);
    SetClientWidth(600);
    SetClientHeight(492);
    Label_ersatzfuer = NewLabel(this, "Label_ersatzfuer", "", 8, 8);
    Edit_ersatzfuer = NewTextEdit(this, "Edit_ersatzfuer", 130, 8, 160, 15);
    Label_ersetztdurch = NewLabel(this, "Label_ersetztdurch", "", 310, 8);
    Edit_ersetztdurch = NewTextEdit(this, "Edit_ersetztdurch", 420, 8, 172, 15);

    // Grids as high and wide as their cells, the scroll bars and the frame.
    constexpr int kRow = 24, kTop1 = 44, kTop2 = kTop1 + 5 * (kRow + 1) + 30;
    StringGrid1 = NewControl<TStringGrid>(this, "StringGrid1", 8, kTop1, 396, 5 * (kRow + 1) + 20);
    StringGrid1->SetColCount(3);
    StringGrid1->SetRowCount(5);
    StringGrid1->SetDefaultRowHeight(kRow);
    StringGrid1->SetColWidths(0, 150);
    StringGrid1->SetColWidths(1, 110);
    StringGrid1->SetColWidths(2, 110);
    StringGrid1->SetOptions(StringGrid1->Options() | goEditing | goTabs);
    // Typing stops where the job file's fields end.
    StringGrid1->SetColMaxLength(1, decltype(TSignatureRow::Date)::Capacity);
    StringGrid1->SetColMaxLength(2, decltype(TSignatureRow::Name)::Capacity);
    TButton** dateButtons[] = {&Button1, &Button2, &Button3, &Button4};
    for (int row = 1; row <= 4; ++row) {
        TButton*& b = *dateButtons[row - 1];
        b = NewButton(this, "Button" + std::to_string(row), "", 412, kTop1 + 2 + (kRow + 1) * row,
                      150, {});
        b->OnClick = [this, row](TObject*) { DateButtonClick(row); };
    }

    StringGrid2 = NewControl<TStringGrid>(this, "StringGrid2", 8, kTop2, 584,
                                          (DrawingTextMax + 1) * (kRow + 1) + 20);
    StringGrid2->SetColCount(kTextColumns);
    StringGrid2->SetRowCount(DrawingTextMax + 1);
    StringGrid2->SetDefaultRowHeight(kRow);
    StringGrid2->SetColWidths(0, 36);
    for (int c = 1; c <= 4; ++c)
        StringGrid2->SetColWidths(c, 66);
    StringGrid2->SetColWidths(5, 256);
    StringGrid2->SetOptions(StringGrid2->Options() | goEditing | goTabs);
    StringGrid2->SetColMaxLength(5, decltype(TDrawingText::Text)::Capacity);

    AddButtonRow(this, Button_ok, Button_cancel, Button_help, 458, 600, "&Help");
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TForm_zeichInfo::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Info drawing");
    Label_ersatzfuer->SetCaption("Replacement for");
    Label_ersetztdurch->SetCaption("Replaced by");
    StringGrid1->SetCells(1, 0, "Date");
    StringGrid1->SetCells(2, 0, "Name");
    const std::string rowTitles[] = {"Compl.", "Check", "Stand.", OemToAnsiString(FourthRowLabel)};
    for (int row = 1; row <= 4; ++row)
        StringGrid1->SetCells(0, row, rowTitles[row - 1]);
    for (TButton* b : {Button1, Button2, Button3, Button4})
        b->SetCaption("< " + DateString());
    const char* heads[] = {"", "x", "y", "h", "phi", "Text"};
    for (int c = 0; c < kTextColumns; ++c)
        StringGrid2->SetCells(c, 0, heads[c]);
    for (int row = 1; row <= DrawingTextMax; ++row)
        StringGrid2->SetCells(0, row, IntToString(row));
    FormShow(nullptr);
}

void TForm_zeichInfo::FormShow(TObject*) {
    FStored.ShowOem(Edit_ersatzfuer, DrawingInfo.ReplacementFor);
    FStored.ShowOem(Edit_ersetztdurch, DrawingInfo.ReplacedBy);
    for (int row = 1; row <= 4; ++row) {
        FStored.ShowOem(StringGrid1, 1, row, DrawingInfo.Rows[row].Date);
        FStored.ShowOem(StringGrid1, 2, row, DrawingInfo.Rows[row].Name);
    }
    // A coordinate keeps its digits while its cell shows the three significant ones.
    for (int row = 1; row <= DrawingTextMax; ++row) {
        const bool used = row <= DrawingTextCount;
        const TDrawingText& t = DrawingTexts[row];
        const long double values[] = {t.x, t.y, t.h, t.phi};
        for (int c = 1; c <= 4; ++c)
            FStored.ShowValue(StringGrid2, c, row, used ? values[c - 1] : 0.0L,
                              used ? FloatToStrSig3(values[c - 1]) : "");
        FStored.Show(StringGrid2, 5, row, used ? t.Text.str() : "", used ? t.Text.str() : "");
    }
}

void TForm_zeichInfo::DateButtonClick(int row) {
    StringGrid1->SetCells(1, row, DateString());
}

bool TForm_zeichInfo::StoreTexts() {
    RangeArray<TDrawingText, 1, DrawingTextMax> texts = DrawingTexts;
    // The rows up to the last with anything typed: a blank row between texts is kept (it draws
    // nothing), so nothing typed below it is dropped.
    int last = 1;
    for (int row = 2; row <= DrawingTextMax; ++row)
        for (int c = 1; c < kTextColumns; ++c)
            if (!WithoutBlanks(StringGrid2->Cells(c, row)).empty()) last = row;
    int count = 0;
    for (int row = 1; row <= last; ++row) {
        TDrawingText& t = texts[row];
        long double* values[] = {&t.x, &t.y, &t.h, &t.phi};
        for (int c = 1; c <= 4; ++c) {
            long double v = 0.0L;
            if (FStored.Value(StringGrid2, c, row, v)) {
                *values[c - 1] = v;
                continue;
            }
            const std::string cell = TrimBlanks(StringGrid2->Cells(c, row));
            bool ok = cell.empty();
            v = ok ? 0.0L : ParseReal(cell, ok);
            if (!ok || !std::isfinite(v)) {
                StringGrid2->SelectCell(c, row);
                ShowErrorBox("Invalid Input \"" + cell + "\" in " +
                             GridCellName(*StringGrid2, c, row) + " !");
                StringGrid2->SetFocus();
                return false;
            }
            *values[c - 1] = v;
        }
        t.Text = FStored.Entered(StringGrid2, 5, row);
        count = row;
    }
    DrawingTexts = texts;
    DrawingTextCount = static_cast<std::uint16_t>(count);
    return true;
}

bool TForm_zeichInfo::TextsStorable() {
    // Each text is stored as it stands, or the dialog stays open and says why (the DOS page; a
    // signature row's "|" the job file would turn into "/"; the free texts in the Windows page).
    const std::string what = Caption() + ", ";
    const struct {
        TEdit* edit;
        const TLabel* label;
    } edits[] = {{Edit_ersatzfuer, Label_ersatzfuer}, {Edit_ersetztdurch, Label_ersetztdurch}};
    for (const auto& e : edits)
        if (FStored.Changed(e.edit) &&
            !TextStorable(what + e.label->Caption(), e.edit->Text(), e.edit->MaxLength(),
                          TextEncoding::Oem, {}, "the job file", [&e] { e.edit->SetFocus(); }))
            return false;
    const auto cell = [&](TStringGrid* grid, int col, int row, TextEncoding page,
                          const char* refused) {
        return !FStored.Changed(grid, col, row) ||
               TextStorable(what + GridCellName(*grid, col, row), grid->Cells(col, row),
                            grid->ColMaxLength(col), page, refused, "the job file", [=] {
                                grid->SelectCell(col, row);
                                grid->SetFocus();
                            });
    };
    for (int row = 1; row <= 4; ++row)
        for (int col = 1; col <= 2; ++col)
            if (!cell(StringGrid1, col, row, TextEncoding::Oem, "|")) return false;
    for (int row = 1; row <= DrawingTextMax; ++row)
        if (!cell(StringGrid2, 5, row, TextEncoding::Ansi, "")) return false;
    return true;
}

void TForm_zeichInfo::Button_okClick(TObject*) {
    if (!TextsStorable()) return;
    const TDrawingInfo before = DrawingInfo;
    DrawingInfo.ReplacementFor = FStored.Entered(Edit_ersatzfuer);
    DrawingInfo.ReplacedBy = FStored.Entered(Edit_ersetztdurch);
    for (int row = 1; row <= 4; ++row) {
        DrawingInfo.Rows[row].Date = FStored.Entered(StringGrid1, 1, row);
        DrawingInfo.Rows[row].Name = FStored.Entered(StringGrid1, 2, row);
    }
    if (!StoreTexts()) {
        DrawingInfo = before; // the dialog stays open with every entry as typed
        return;
    }
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_zeichInfo::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TForm_zeichInfo::Button_helpClick(TObject*) {
    ShowHelp(3010, 1);
}

bool ShowDrawingInfo() {
    auto form = CreateForm<TForm_zeichInfo>();
    if (form->ShowModal() != mrOk) AbortFlag = 1;
    return AbortFlag == 0;
}

// ---- the change list --------------------------------------------------------------------------

void ChangeTableListing(int mode) {
    ListHeader(MakerTitle + " V" + VersionCode.str(), "Protocol of changes", TitleTexts[1].str(),
               TitleTexts[2].str(), TitleTexts[3].str(), 0);
    ListBegin(mode == 1 ? ListDeviceScreen : 0, DataFileName + ".TXT");
    if (AbortFlag != 0) return;
    if (!ListRewrite()) {
        ListEnd();
        return;
    }
    ListHead(0, 0); // on the HTML device the document's head
    const TSignatureRow& designed = DrawingInfo.Rows[1];
    ListLine("");
    ListLine("Drawing date: " + designed.Date.str() + "     " + "Designed by" + ": " +
             designed.Name.str());
    if (!DrawingInfo.ReplacementFor.str().empty()) {
        ListLine("");
        ListLine("Replacement for: " + PadTo(DrawingInfo.ReplacementFor.str(), 15));
    }
    if (!DrawingInfo.ReplacedBy.str().empty()) {
        ListLine("");
        ListLine("Replaced by: " + PadTo(DrawingInfo.ReplacedBy.str(), 15));
    }
    ListLine("");
    ListLine(PadTo("Index", 6) + "  " + PadTo("Date", 10) + "   " + PadTo("Compl.", 6) + "   " +
             PadTo("Modification", 20));
    ListLine(ListDoubleRuleLine());
    for (int i = 1; i <= ChangeCount && i <= ChangeTableMax && AbortFlag == 0; ++i) {
        const TChangeEntry& e = ChangeTable[i];
        ListLine("  " + ChangeIndexText(i) + "     " + PadTo(e.ChangeDate.str(), 10) + "   " +
                 PadTo(e.ChangeName.str(), 6) + "   " + PadTo(e.ChangeText.str(), 20));
        // Each line of the description on a line of its own.
        std::size_t start = 0;
        const std::string& d = e.ChangeDescription;
        do {
            const std::size_t end = d.find('\n', start);
            ListLine(" " + d.substr(start, end == std::string::npos ? end : end - start));
            start = end == std::string::npos ? d.size() + 1 : end + 1;
        } while (start <= d.size());
        ListLine(ListRuleLine());
    }
    ListEnd();
}

bool EditChanges(int code) {
    switch (code) {
    case 1: {
        if (ChangeCount >= ChangeTableMax) {
            ShowError("Max. Changes = " + IntToString(ChangeTableMax) + " !");
            AbortFlag = 1;
            return false;
        }
        // A fresh entry: a deleted entry's texts never show again.
        const int n = ChangeCount + 1;
        ChangeTable[n] = TChangeEntry{};
        ChangeTable[n].ChangeDate = DateString();
        ChangeCount = static_cast<std::uint16_t>(n);
        if (!ShowEnterChange(n)) {
            ChangeCount = static_cast<std::uint16_t>(n - 1);
            ChangeTable[n] = TChangeEntry{};
            return false;
        }
        ChangeTableListing(1);
        return true;
    }
    case 2:
        if (ChangeCount == 0) return false;
        if (!ShowEnterChange(ChangeCount)) return false;
        ChangeTableListing(1);
        return true;
    case 3: {
        const bool dropped = ChangeCount > 0;
        if (dropped) --ChangeCount;
        ChangeTableListing(1);
        return dropped;
    }
    case 4:
        ChangeTableListing(1);
        return false;
    case 5:
        ChangeTableListing(0);
        return false;
    default:
        return false;
    }
}
