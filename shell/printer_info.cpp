// printinf: the printer information window.
#include "shell/printer_info.h"

#include <string>
#include <utility>
#include <vector>

#include "framework/ui/dialogs.h"
#include "platform/gui/printer.h"
#include "shell/input_fields.h"

namespace {

std::string TechnologyText(int t) {
    static const char* const names[] = {
        "Plotter", "Rasterbildschirm", "Rasterdrucker", "?", "Zeichendrucker", "Metafile", "?"};
    return t >= 0 && t <= 6 ? names[t] : "?";
}

} // namespace

TForm_printerinfo::TForm_printerinfo(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_printerinfo");
    SetBorderStyle(bsDialog);
    SetClientWidth(440);
    SetClientHeight(400);
    StringGrid1 = new TStringGrid(this);
    StringGrid1->SetName("StringGrid1");
    StringGrid1->SetParent(this);
    StringGrid1->SetBounds(8, 8, 424, 344);
    StringGrid1->SetColCount(2);
    StringGrid1->SetFixedRows(0);
    StringGrid1->SetColWidths(0, 200);
    StringGrid1->SetColWidths(1, 200);
    Button_ok = NewButton(this, "Button_ok", "&OK", 175, 364, 90, [this] { Button_okClick(this); });
    Button_ok->SetDefault(true);
    Button_ok->SetCancel(true);
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_printerinfo::FormCreate(TObject*) {
    FitForm(this);
    SetCaption("Printer Info");
    const TPrinterCapabilities c = Printer()->Capabilities();
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"Name", c.Name},
        {"Treiberversion", c.DriverVersion},
        {"Technologie", TechnologyText(c.Technology)},
        {"Druckbreite (mm)", std::to_string(c.WidthMm)},
        {"Druckhöhe (mm)", std::to_string(c.HeightMm)},
        {"Breite (Pixel)", std::to_string(c.WidthPixels)},
        {"Höhe (Pixel)", std::to_string(c.HeightPixels)},
        {"Linker Seitenoffset (Pixel)", std::to_string(c.OffsetXPixels)},
        {"Oberer Seitenoffset (Pixel)", std::to_string(c.OffsetYPixels)},
        {"DPI (horizontal)", std::to_string(c.DpiX)},
        {"DPI (vertikal)", std::to_string(c.DpiY)},
        {"Pinsel", std::to_string(c.Brushes)},
        {"Stifte", std::to_string(c.Pens)},
        {"Markierer", std::to_string(c.Markers)},
        {"Farben", std::to_string(c.Colors)},
        {"Schriften", std::to_string(c.Fonts.size())},
    };
    StringGrid1->SetRowCount(static_cast<int>(rows.size() + c.Fonts.size()));
    int r = 0;
    for (const auto& [item, value] : rows) {
        StringGrid1->SetCells(0, r, item);
        StringGrid1->SetCells(1, r++, value);
    }
    for (const std::string& font : c.Fonts)
        StringGrid1->SetCells(1, r++, font);
    StringGrid1->SelectCell(1, 0);
    StringGrid1->SetTopRow(0);
}

void TForm_printerinfo::Button_okClick(TObject*) {
    Close();
}
