#include "platform/gui/progresswin.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

#include <algorithm>

#include "platform/gui/application.h"
#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/screen.h"

namespace {

constexpr int kBevelWidth = 2;

} // namespace

TMessageWindow::TMessageWindow(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsNone);
    SetBorderIcons(0);
    SetFormStyle(fsStayOnTop);
    SetColor(clYellow);
    SetBounds(0, 0, 0, 0);
    FReference = Application->ActiveForm();
    if (FReference == this) FReference = nullptr;

    FOuter = new TPanel(this);
    FOuter->SetParent(this);
    FOuter->SetName("Panel_frame");
    FOuter->SetBevelOuter(bvRaised);
    FOuter->SetBevelWidth(kBevelWidth);
    FOuter->SetColor(clYellow);
    FOuter->SetAlign(alClient);

    FTextPanel = new TPanel(this);
    FTextPanel->SetParent(this);
    FTextPanel->SetName("Panel_text");
    FTextPanel->SetBevelOuter(bvNone);
    FTextPanel->SetBevelInner(bvNone);
    FTextPanel->SetBorderStyle(bsSingle);
    FTextPanel->SetColor(clYellow);
    FTextPanel->SetParentFont(true);
    FTextPanel->SetVisible(true);

    // The window shows beside the work without taking the keyboard from the form in use.
    if (QWidget* w = Widget()) w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    OnResize = [this](TObject*) { PlaceTextPanel(); };
}

void TMessageWindow::PlaceTextPanel() {
    // Inside the bevel while it shows, else over the whole window.
    const int inset = FOuter->Visible() ? kBevelWidth : 0;
    FTextPanel->SetBounds(inset, inset, std::max(ClientWidth() - 2 * inset, 0),
                          std::max(ClientHeight() - 2 * inset, 0));
    FTextPanel->BringToFront();
}

void TMessageWindow::ShowText(std::string_view text) {
    if (!text.empty()) FText = std::string(text);
    if (!Application->HasWidgets()) return;

    Canvas()->Font = Font();
    const TSize extent = Canvas()->TextExtent(FText);

    bool changed = false;
    if (Caption().empty() && BorderStyle() != bsNone) {
        SetBorderStyle(bsNone);
        changed = true;
    } else if (!Caption().empty() && BorderStyle() != bsDialog) {
        SetBorderStyle(bsDialog);
        changed = true;
    }
    int captionWidth = 0;
    if (BorderStyle() != bsDialog) {
        FOuter->SetVisible(true);
    } else {
        // The title must fit into the frame's caption bar; the frame's own height is the
        // window system's, outside the client area.
        const TFont saved = Canvas()->Font;
        TFont system = saved;
        system.Name = "System";
        Canvas()->Font = system;
        int buttons = 0;
        if (QStyle* style = QApplication::style())
            buttons = style->pixelMetric(QStyle::PM_TitleBarHeight);
        captionWidth = Canvas()->TextWidth(Caption()) + buttons;
        Canvas()->Font = saved;
        FOuter->SetVisible(false);
    }
    const int wantedWidth = std::max(extent.cx + kTextMargin, captionWidth);
    const int wantedHeight = extent.cy + kTextMargin;

    if (wantedWidth > Width() || wantedHeight > Height() || changed) {
        const int width = std::max(wantedWidth, Width());
        const int height = std::max(wantedHeight, Height());
        int left = 0, top = 0;
        if (FReference != nullptr) {
            left = FReference->Left() + (FReference->Width() - width) / 2;
            top = FReference->Top() + (FReference->Height() - height) / 2;
        } else {
            left = (Screen()->Width() - width) / 2;
            top = (Screen()->Height() - height) / 2;
        }
        SetBounds(left, top, width, height);
        PlaceTextPanel();
        if (!Visible()) Show();
    }
    FTextPanel->SetCaption(FText);
    FTextPanel->Repaint();
    if (QWidget* w = Widget()) w->repaint();
    Application->ProcessMessagesExceptInput();
}
