#include "shell/drawing_text_dialog.h"

#include "calc/geardata.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/questions.h"

namespace {
constexpr int kLabelWidth = 150, kEdit = 170, kRow = 29;
} // namespace

TForm_vqeingabetext::TForm_vqeingabetext(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_vqeingabetext");
    SetClientWidth(kEdit + 470 + 16);
    SetClientHeight(2 * kRow + 16 + 22 + 3 * kRow + 12 + 40);
    Label_info1 = NewLabel(this, "Label_info1", "", 16, 12, kLabelWidth);
    Edit_info1 = NewTextEdit(this, "Edit_info1", kEdit, 12, 470, 65);
    Label_info2 = NewLabel(this, "Label_info2", "", 16, 12 + kRow, kLabelWidth);
    Edit_info2 = NewTextEdit(this, "Edit_info2", kEdit, 12 + kRow, 470, 65);

    const int groupTop = 12 + 2 * kRow + 8;
    const int groupHeight = 22 + 3 * kRow + 4;
    auto group = [&](const char* name, const char* caption, const std::string& n, TEdit*& drawing,
                     TEdit*& number, TEdit*& second) {
        auto* g = NewGroupBox(this, name, caption, 8, groupTop, ClientWidth() - 16, groupHeight);
        NewLabel(g, "Label_zeichname" + n, "Drawing name", 8, 22, kLabelWidth);
        drawing = NewTextEdit(g, "Edit_zeichname" + n, kEdit - 8, 22, 260, DrawingNameCapacity);
        NewLabel(g, "Label_zeichnr" + n, "Drawing number", 8, 22 + kRow, kLabelWidth);
        number =
            NewTextEdit(g, "Edit_zeichnr" + n, kEdit - 8, 22 + kRow, 200, DrawingNumberCapacity);
        NewLabel(g, "Label_zeichname2" + n, std::string("Drawing name") + " 2", 8, 22 + 2 * kRow,
                 kLabelWidth);
        second = NewTextEdit(g, "Edit_zeichname2" + n, kEdit - 8, 22 + 2 * kRow, 310,
                             DrawingName2Capacity);
        return g;
    };
    GroupBox_welle =
        group("GroupBox_welle", "gear 1", "1", Edit_zeichname1, Edit_zeichnr1, Edit_zeichname21);
    GroupBox_nabe =
        group("GroupBox_nabe", "gear 2", "2", Edit_zeichname2, Edit_zeichnr2, Edit_zeichname22);
    CreateOkCancel(8, groupTop + groupHeight + 12, [this] {
        if (!TextsStorable()) return false;
        StoreControls();
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_vqeingabetext::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(OemToAnsiString(MakerTitle));
    Label_info1->SetCaption(std::string("Text") + " 1");
    Label_info2->SetCaption(std::string("Text") + " 2");
    const TGearData& g = GearData;
    FStored.ShowOem(Edit_info1, TitleTexts[1]);
    FStored.ShowOem(Edit_info2, TitleTexts[2]);
    FStored.ShowOem(Edit_zeichname1, g.DrawingName[1]);
    FStored.ShowOem(Edit_zeichnr1, g.DrawingNumber[1]);
    FStored.ShowOem(Edit_zeichname21, g.DrawingName2[1]);
    FStored.ShowOem(Edit_zeichname2, g.DrawingName[2]);
    FStored.ShowOem(Edit_zeichnr2, g.DrawingNumber[2]);
    FStored.ShowOem(Edit_zeichname22, g.DrawingName2[2]);
    // Only gear 2 is designed: its fields without a frame, gear 1 hidden.
    GroupBox_welle->Hide();
    GroupBox_nabe->SetCaption("");
}

bool TForm_vqeingabetext::TextsStorable() {
    // A text typed here is stored as it stands (the job file keeps the DOS page), or the dialog
    // stays open and says why. A text left as shown keeps what is stored.
    for (TEdit* e : {Edit_info1, Edit_info2, Edit_zeichname1, Edit_zeichnr1, Edit_zeichname21,
                     Edit_zeichname2, Edit_zeichnr2, Edit_zeichname22}) {
        const bool inUse = e->Visible() && (e->Parent() == this || e->Parent()->Visible());
        if (!inUse || !FStored.Changed(e)) continue;
        std::string what = Caption() + ", ";
        for (int i = 0; i < e->Parent()->ControlCount(); ++i)
            if (auto* l = dynamic_cast<TLabel*>(e->Parent()->Controls(i));
                l != nullptr && l->Top() >= e->Top() && l->Top() < e->Top() + e->Height())
                what += l->Caption();
        if (!TextStorable(what, e->Text(), e->MaxLength(), TextEncoding::Oem, {}, "the job file",
                          [e] { e->SetFocus(); }))
            return false;
    }
    return true;
}

void TForm_vqeingabetext::StoreControls() {
    TGearData& g = GearData;
    // Each ShortString keeps its capacity: a longer text is cut there.
    g.DrawingNumber[1] = FStored.Entered(Edit_zeichnr1);
    g.DrawingNumber[2] = FStored.Entered(Edit_zeichnr2);
    g.DrawingName[1] = FStored.Entered(Edit_zeichname1);
    g.DrawingName[2] = FStored.Entered(Edit_zeichname2);
    g.DrawingName2[1] = FStored.Entered(Edit_zeichname21);
    g.DrawingName2[2] = FStored.Entered(Edit_zeichname22);
    TitleTexts[1] = FStored.Entered(Edit_info1);
    TitleTexts[2] = FStored.Entered(Edit_info2);
}

void ShowDrawingTextDialog() {
    FormPtr<TForm_vqeingabetext> form(NewForm<TForm_vqeingabetext>(nullptr));
    form->ShowModal();
}

void ClearTitleTexts() {
    for (int i = 1; i <= 3; ++i)
        TitleTexts[i] = "";
}
