#include "platform/gui/controls.h"

#include "platform/gui/application.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/forms.h"
#include "platform/gui/qtbridge.h"
#include "platform/gui/screen.h"
#include "platform/os/utf8.h"

#include <QAbstractScrollArea>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <stdexcept>

using guiqt::Q;
using guiqt::S;

// ---- TComponent ---------------------------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw std::out_of_range("component index " + std::to_string(index));
    return FComponents[static_cast<std::size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (os::SameTextNoCase(c->FName, name)) return c;
    for (TComponent* c : FComponents)
        if (TComponent* found = c->FindComponent(name)) return found;
    return nullptr;
}

void TComponent::DestroyComponents() {
    // Each destructor removes itself from the list (and may destroy others it owns).
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        c->FOwner = nullptr;
        FComponents.pop_back();
        delete c;
    }
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(FComponents.begin(), FComponents.end(), c);
    if (it != FComponents.end()) FComponents.erase(it);
}

// ---- TControl -----------------------------------------------------------------------------------

namespace {
// A window's position is that of its frame (as the user sees it), its size that of its inside.
void PlaceWidget(QWidget* w, int left, int top, int width, int height) {
    if (w->isWindow()) {
        // The size first: a resize goes by the window's position as Qt knows it, which a frame
        // move leaves unsettled until the window manager answers.
        w->resize(width, height);
        guiqt::MoveFrame(w, left, top);
    } else {
        w->setGeometry(left, top, width, height);
    }
}
} // namespace

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    if (auto* p = dynamic_cast<TWinControl*>(AOwner)) TControl::SetParent(p);
}

TControl::~TControl() {
    DestroyComponents();
    if (TForm* f = ParentForm()) f->ControlDestroyed(this);
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        FParent = nullptr;
    }
    if (FWidget) {
        QWidget* w = FWidget;
        FWidget = nullptr;
        w->disconnect();
        w->setProperty("qorControl", QVariant());
        delete w;
    }
}

TForm* TControl::ParentForm() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (auto* f = dynamic_cast<const TForm*>(c)) return const_cast<TForm*>(f);
    for (TComponent* o = Owner(); o; o = o->Owner())
        if (auto* f = dynamic_cast<TForm*>(o)) return f;
    return nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        FParent->ChildRemoved(this);
    }
    FParent = parent;
    if (FParent) FParent->FControls.push_back(this);
    if (FParent && FParentFont) FFont = FParent->Font();
    if (FWidget) {
        FWidget->setParent(FParent ? FParent->ClientWidget() : nullptr);
        SyncWidget();
    }
    if (FParent) FParent->ChildAdded(this);
}

void TControl::AttachWidget(QWidget* w) {
    FWidget = w;
    guiqt::LinkWidget(w, this);
    QObject::connect(w, &QObject::destroyed, [this, w](QObject*) {
        if (FWidget == w) FWidget = nullptr;
    });
    if (FParent && FParent->ClientWidget()) w->setParent(FParent->ClientWidget());
    if (FWidth == 0 && FHeight == 0) {
        const QSize hint = w->sizeHint();
        if (hint.isValid()) {
            FWidth = hint.width();
            FHeight = hint.height();
        }
    }
    SyncWidget();
}

void TControl::SetDefaultSize(int w, int h) {
    FWidth = w;
    FHeight = h;
    if (FWidget) FWidget->resize(w, h);
}

void TControl::ApplyBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const bool resized = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FWidget) PlaceWidget(FWidget, left, top, width, height);
    if (resized)
        if (auto* wc = dynamic_cast<TWinControl*>(this)) wc->Realign();
}

void TControl::StoreBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = std::max(width, 0);
    FHeight = std::max(height, 0);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    FPositioned = true;
    ApplyBounds(left, top, width, height);
}

void TControl::SetWidth(int v) {
    ApplyBounds(FLeft, FTop, v, FHeight);
}
void TControl::SetHeight(int v) {
    ApplyBounds(FLeft, FTop, FWidth, v);
}

void TControl::SetAlign(TAlign a) {
    FAlign = a;
    if (FParent) FParent->Realign();
}

void TControl::SetEnabled(bool v) {
    FEnabled = v;
    if (FWidget) FWidget->setEnabled(v);
}

void TControl::SetVisible(bool v) {
    FVisible = v;
    if (FWidget) FWidget->setVisible(v);
    if (FParent && FAlign != alNone) FParent->Realign();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

namespace {
// A hint shows when the control or one of its parents asks for hints.
bool HintWanted(const TControl* c) {
    for (; c; c = c->Parent())
        if (c->ShowHint()) return true;
    return false;
}

void SyncHints(TControl* c) {
    if (QWidget* w = c->Widget())
        w->setToolTip(HintWanted(c) && Application->ShowHint ? Q(c->Hint()) : QString());
    if (auto* wc = dynamic_cast<TWinControl*>(c))
        for (int i = 0; i < wc->ControlCount(); ++i)
            SyncHints(wc->Controls(i));
}
} // namespace

void TControl::SetHint(std::string_view h) {
    FHint = h;
    SyncHints(this);
}

void TControl::SetShowHint(bool v) {
    FShowHint = v;
    SyncHints(this);
}

void TControl::SetColor(TColor c) {
    FColor = c;
    FColorSet = true;
    SyncWidget();
}

namespace {
// Children that follow their parent's font take the new one (the widgets inherit it from Qt).
void PropagateFont(TControl* c) {
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (!wc) return;
    for (int i = 0; i < wc->ControlCount(); ++i) {
        TControl* child = wc->Controls(i);
        if (child->ParentFont()) child->SetParentFont(true);
    }
}
} // namespace

void TControl::SetFont(const TFont& f) {
    FFont = f;
    FFontSet = true;
    FParentFont = false;
    SyncWidget();
    PropagateFont(this);
}

void TControl::SetParentFont(bool v) {
    FParentFont = v;
    if (!v) return;
    if (FParent) FFont = FParent->Font();
    FFontSet = false;
    if (FWidget) {
        // A font without explicit properties makes Qt inherit the parent's again.
        FWidget->setFont(QFont());
        FWidget->setPalette(QPalette());
        if (FColorSet) SyncWidget();
    }
    PropagateFont(this);
}

void TControl::SyncWidget() {
    QWidget* w = FWidget;
    if (!w) return;
    PlaceWidget(w, FLeft, FTop, FWidth, FHeight);
    w->setEnabled(FEnabled);
    if (FColorSet) {
        QPalette pal = w->palette();
        TColor shown = FColor;
        // A field marked by its colour (a red field: a value to look at) keeps the colour's hue
        // but is lightened or darkened until its text reads (7:1, as for body text).
        if (ColorIsBase() && !FFontSet)
            shown = WithContrast(FColor, FromQColor(pal.color(QPalette::Text)), 7.0);
        pal.setColor(ColorIsBase() ? QPalette::Base : QPalette::Window, ToQColor(shown));
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    if (FFontSet) {
        QFont qf = ToQFont(FFont, w->logicalDpiY());
        w->setFont(qf);
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, ToQColor(FFont.Color));
        pal.setColor(QPalette::Text, ToQColor(FFont.Color));
        w->setPalette(pal);
    }
    SyncHints(this);
    if (!w->isWindow()) w->setVisible(FVisible);
}

void TControl::Invalidate() {
    if (FWidget) FWidget->update();
}

void TControl::Repaint() {
    if (FWidget) FWidget->repaint();
}

void TControl::BringToFront() {
    if (FWidget) FWidget->raise();
}

void TControl::Click() {
    FireEvent(OnClick, this);
}

bool TControl::CanFocus() const {
    return false;
}

void TControl::SetFocus() {
    if (TForm* f = ParentForm()) f->SetActiveControl(this);
}

bool TControl::Focused() const {
    TForm* f = ParentForm();
    return f && f->ActiveControl() == this;
}

void TControl::DoDblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::DoMouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::DoMouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::DoMouseMove(TShiftState s, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, s, x, y);
}

void TControl::WidgetFocusIn() {
    if (TForm* f = ParentForm()) f->FocusMoved(this);
}

// ---- TWinControl --------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // This object is half gone: its widget must not report the children's removal to it.
    if (QWidget* w = Widget()) QObject::disconnect(w, nullptr, nullptr, nullptr);
    // Controls shown inside go with their parent, whoever owns them.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        FControls.pop_back();
        c->FParent = nullptr;
        delete c;
    }
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw std::out_of_range("control index " + std::to_string(index));
    return FControls[static_cast<std::size_t>(index)];
}

void TWinControl::ChildAdded(TControl* c) {
    if (c->Align() != alNone) Realign();
}

void TWinControl::ChildRemoved(TControl* c) {
    if (c->Align() != alNone) Realign();
}

void TWinControl::Realign() {
    int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
    // Aligned controls in the usual order: top, bottom, left, right, then client.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : FControls) {
            if (c->Align() != pass || !c->Visible()) continue;
            switch (pass) {
            case alTop:
                c->ApplyBounds(left, top, right - left, c->Height());
                top += c->Height();
                break;
            case alBottom:
                bottom -= c->Height();
                c->ApplyBounds(left, bottom, right - left, c->Height());
                break;
            case alLeft:
                c->ApplyBounds(left, top, c->Width(), bottom - top);
                left += c->Width();
                break;
            case alRight:
                right -= c->Width();
                c->ApplyBounds(right, top, c->Width(), bottom - top);
                break;
            case alClient:
                c->ApplyBounds(left, top, right - left, bottom - top);
                break;
            default:
                break;
            }
        }
    }
    // Controls given no position flow top-down in creation order.
    int y = top + 8;
    for (TControl* c : FControls) {
        if (c->Align() != alNone || c->Positioned() || !c->Visible() || dynamic_cast<TTabSheet*>(c))
            continue;
        c->ApplyBounds(left + 8, y, c->Width(), c->Height());
        y += c->Height() + 6;
    }
}

// ---- TLabel -------------------------------------------------------------------------------------

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include <charconv>

namespace {
bool Widgets() {
    return Application->HasWidgets();
}

// Caption text without its mnemonic markers: "&Yes" shows "Yes", "&&" shows "&".
QString WithoutMnemonic(std::string_view caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return Q(out);
}
} // namespace

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    if (Widgets()) AttachWidget(new QLabel);
    SetDefaultSize(65, 17);
}

void TLabel::SetCaption(std::string_view s) {
    FCaption = s;
    SyncWidget();
}

void TLabel::SetWordWrap(bool v) {
    FWordWrap = v;
    SyncWidget();
}

void TLabel::SetAutoSize(bool v) {
    FAutoSize = v;
    SyncWidget();
}

void TLabel::SetAlignment(TAlignment a) {
    FAlignment = a;
    SyncWidget();
}

void TLabel::SetTransparent(bool v) {
    FTransparent = v;
    SyncWidget();
}

void TLabel::AdjustSize() {
    auto* l = qobject_cast<QLabel*>(Widget());
    if (!l || !FAutoSize) return;
    if (FWordWrap) {
        // Word-wrapped labels keep their width and grow downwards.
        const int h = l->heightForWidth(std::max(Width(), 1));
        if (h > 0) ApplyBounds(Left(), Top(), Width(), h);
    } else {
        const QSize hint = l->sizeHint();
        ApplyBounds(Left(), Top(), hint.width(), hint.height());
    }
}

void TLabel::SyncWidget() {
    TControl::SyncWidget();
    auto* l = qobject_cast<QLabel*>(Widget());
    if (!l) return;
    l->setTextFormat(Qt::PlainText);
    // With a focus control the "&" letter moves the focus there (Qt shows the mnemonic itself).
    if (FocusControl && FocusControl->Widget()) {
        l->setText(Q(FCaption));
        l->setBuddy(FocusControl->Widget());
    } else {
        l->setText(WithoutMnemonic(FCaption));
    }
    l->setWordWrap(FWordWrap);
    Qt::Alignment a = FAlignment == taRightJustify ? Qt::AlignRight
                      : FAlignment == taCenter     ? Qt::AlignHCenter
                                                   : Qt::AlignLeft;
    l->setAlignment(a | Qt::AlignTop);
    if (FTransparent) l->setAutoFillBackground(false);
    AdjustSize();
}

// ---- TButton ------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* b = new QPushButton;
        b->setAutoDefault(false);
        AttachWidget(b);
        QObject::connect(b, &QPushButton::clicked, b, [this] { Click(); });
    }
    SetDefaultSize(75, 25);
}

void TButton::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* b = qobject_cast<QPushButton*>(Widget())) b->setText(Q(FCaption));
}

void TButton::SetDefault(bool v) {
    FDefault = v;
    if (auto* b = qobject_cast<QPushButton*>(Widget())) b->setDefault(v);
}

void TButton::Click() {
    // The form takes the button's ModalResult first, so that OnClick can still change it.
    if (TForm* f = ParentForm()) f->SetModalResult(FModalResult);
    TControl::Click();
}

// ---- TEdit --------------------------------------------------------------------------------------

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* e = new QLineEdit;
        AttachWidget(e);
        QObject::connect(e, &QLineEdit::textEdited, e,
                         [this](const QString& t) { WidgetTextEdited(S(t)); });
    }
    SetDefaultSize(121, 24);
    FColor = clWindow;
}

void TEdit::SetText(std::string_view s) {
    if (s == FText) return;
    FText = std::string(s);
    PushText();
    if (OnChange) OnChange(this);
}

void TEdit::PushText() {
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) {
        const QSignalBlocker block(e);
        guiqt::LimitTyping(e, FMaxLength, Q(FText));
        e->setText(Q(FText));
    }
}

void TEdit::SetMaxLength(int n) {
    FMaxLength = std::max(n, 0);
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) guiqt::LimitTyping(e, FMaxLength, e->text());
}

void TEdit::SetReadOnly(bool v) {
    FReadOnly = v;
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) e->setReadOnly(v);
}

void TEdit::SelectAll() {
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) e->selectAll();
}

bool TEdit::TypeText(std::string_view s) {
    if (FReadOnly || !Enabled()) return false;
    SetFocus();
    // Typing stops at the limit.
    SetText(FMaxLength > 0 ? os::Utf8Left(s, static_cast<std::size_t>(FMaxLength)) : std::string(s));
    return true;
}

void TEdit::WidgetTextEdited(const std::string& s) {
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) guiqt::LimitTyping(e, FMaxLength, e->text());
    if (s == FText) return;
    FText = s;
    if (OnChange) OnChange(this);
}

void TEdit::SyncWidget() {
    TControl::SyncWidget();
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) {
        e->setReadOnly(FReadOnly);
        PushText();
    }
}

// ---- TMaskEdit ----------------------------------------------------------------------------------

TMaskEdit::TMaskEdit(TComponent* AOwner) : TEdit(AOwner) {}

std::string TMaskEdit::QtInputMask(std::string_view mask) {
    // Fields: the mask, then whether literals are saved, then the blank character.
    std::string_view body = mask;
    char blank = '_';
    const auto semi = mask.find(';');
    if (semi != std::string_view::npos) {
        body = mask.substr(0, semi);
        const auto semi2 = mask.find(';', semi + 1);
        if (semi2 != std::string_view::npos && semi2 + 1 < mask.size()) blank = mask[semi2 + 1];
    }
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        switch (c) {
        case '0':
            out += '9';
            break; // required digit
        case '9':
            out += '0';
            break; // optional digit
        case 'L':
            out += 'A';
            break;
        case 'l':
            out += 'a';
            break;
        case 'A':
            out += 'N';
            break;
        case 'a':
            out += 'n';
            break;
        case 'C':
            out += 'X';
            break;
        case 'c':
            out += 'x';
            break;
        case '#':
            out += '#';
            break;
        case '>':
        case '<':
            out += c;
            break;
        case '!':
            break;
        case '\\':
            if (i + 1 < body.size()) {
                out += '\\';
                out += body[++i];
            }
            break;
        default:
            // Qt's own mask letters stand for themselves only when escaped.
            if (std::string_view("9AaNnXxDdHhBb#0<>!{}[]\\").find(c) != std::string_view::npos)
                out += '\\';
            out += c;
        }
    }
    if (!out.empty()) {
        out += ';';
        out += blank;
    }
    return out;
}

void TMaskEdit::SetEditMask(std::string_view mask) {
    FEditMask = mask;
    if (auto* e = qobject_cast<QLineEdit*>(Widget())) {
        const QSignalBlocker block(e);
        e->setInputMask(Q(QtInputMask(FEditMask)));
        e->setText(Q(FText));
    }
}

// ---- TMemo --------------------------------------------------------------------------------------

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* m = new QPlainTextEdit;
        AttachWidget(m);
        QObject::connect(m, &QPlainTextEdit::textChanged, m, [this, m] {
            if (!FPushing) WidgetTextEdited(S(m->toPlainText()));
        });
    }
    FLines.OnChange = [this] {
        if (FPushing) return;
        PushLines();
        if (OnChange) OnChange(this);
    };
    SetDefaultSize(185, 89);
    FColor = clWindow;
}

TMemo::~TMemo() {
    FLines.OnChange = nullptr;
}

void TMemo::PushLines() {
    FSelectAll = false;
    auto* m = qobject_cast<QPlainTextEdit*>(Widget());
    if (!m) return;
    FPushing = true;
    std::string text = FLines.Text();
    if (!text.empty()) text.pop_back(); // no empty line after the last one
    m->setPlainText(Q(text));
    FPushing = false;
}

void TMemo::WidgetTextEdited(const std::string& text) {
    FPushing = true;
    FLines.SetText(text);
    FPushing = false;
    if (OnChange) OnChange(this);
}

void TMemo::SetReadOnly(bool v) {
    FReadOnly = v;
    if (auto* m = qobject_cast<QPlainTextEdit*>(Widget())) m->setReadOnly(v);
}

void TMemo::SetWordWrap(bool v) {
    FWordWrap = v;
    SyncWidget();
}

void TMemo::SetScrollBars(TScrollStyle s) {
    FScrollBars = s;
    SyncWidget();
}

void TMemo::SelectAll() {
    FSelectAll = true;
    if (auto* m = qobject_cast<QPlainTextEdit*>(Widget())) m->selectAll();
}

std::string TMemo::SelText() const {
    if (auto* m = qobject_cast<QPlainTextEdit*>(Widget())) {
        QString t = m->textCursor().selectedText();
        t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        return S(t);
    }
    if (!FSelectAll) return {};
    std::string text = FLines.Text();
    if (!text.empty()) text.pop_back();
    return text;
}

void TMemo::CopyToClipboard() {
    if (auto* m = qobject_cast<QPlainTextEdit*>(Widget()))
        m->copy();
    else if (!SelText().empty())
        Clipboard()->SetAsText(SelText());
}

void TMemo::SyncWidget() {
    TControl::SyncWidget();
    auto* m = qobject_cast<QPlainTextEdit*>(Widget());
    if (!m) return;
    m->setReadOnly(FReadOnly);
    // Horizontal scrolling and word wrap exclude each other.
    const bool hscroll = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    m->setLineWrapMode(FWordWrap && !hscroll ? QPlainTextEdit::WidgetWidth
                                             : QPlainTextEdit::NoWrap);
    m->setVerticalScrollBarPolicy(FScrollBars == ssVertical || FScrollBars == ssBoth
                                      ? Qt::ScrollBarAlwaysOn
                                      : Qt::ScrollBarAsNeeded);
    m->setHorizontalScrollBarPolicy(hscroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

// ---- TCheckBox ----------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* b = new QCheckBox;
        AttachWidget(b);
        QObject::connect(b, &QCheckBox::clicked, b, [this](bool checked) {
            FChecked = checked;
            TControl::Click();
        });
    }
    SetDefaultSize(97, 17);
}

void TCheckBox::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* b = qobject_cast<QCheckBox*>(Widget())) b->setText(Q(FCaption));
}

void TCheckBox::SetChecked(bool v) {
    if (v == FChecked) return;
    FChecked = v;
    if (auto* b = qobject_cast<QCheckBox*>(Widget())) {
        const QSignalBlocker block(b);
        b->setChecked(v);
    }
    TControl::Click();
}

void TCheckBox::Click() {
    SetChecked(!FChecked);
}

// ---- TRadioButton -------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* b = new QRadioButton;
        b->setAutoExclusive(false); // the siblings are unchecked here, in SetChecked
        AttachWidget(b);
        QObject::connect(b, &QRadioButton::clicked, b, [this, b](bool) {
            const QSignalBlocker block(b);
            b->setChecked(true);
            if (FChecked) {
                TControl::Click();
            } else {
                SetChecked(true);
            }
        });
    }
    SetDefaultSize(113, 17);
}

void TRadioButton::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* b = qobject_cast<QRadioButton*>(Widget())) b->setText(Q(FCaption));
}

void TRadioButton::SetChecked(bool v) {
    if (v == FChecked) return;
    FChecked = v;
    if (auto* b = qobject_cast<QRadioButton*>(Widget())) {
        const QSignalBlocker block(b);
        b->setChecked(v);
    }
    if (!v) return;
    if (TWinControl* p = Parent()) {
        for (int i = 0; i < p->ControlCount(); ++i) {
            auto* other = dynamic_cast<TRadioButton*>(p->Controls(i));
            if (other && other != this && other->FChecked) {
                other->FChecked = false;
                if (auto* ob = qobject_cast<QRadioButton*>(other->Widget())) {
                    const QSignalBlocker block(ob);
                    ob->setChecked(false);
                }
            }
        }
    }
    TControl::Click();
}

void TRadioButton::Click() {
    if (FChecked)
        TControl::Click();
    else
        SetChecked(true);
}

// ---- TGroupBox ----------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) AttachWidget(new QGroupBox);
    SetDefaultSize(185, 105);
}

void TGroupBox::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* g = qobject_cast<QGroupBox*>(Widget())) g->setTitle(Q(FCaption));
}

QWidget* TGroupBox::ClientWidget() const {
    return Widget();
}

// ---- TRadioGroup --------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* g = new QGroupBox;
        new QGridLayout(g);
        AttachWidget(g);
    }
    FItems.OnChange = [this] {
        if (FItemIndex >= FItems.Count()) FItemIndex = FItems.Count() - 1;
        FDisabled.resize(static_cast<std::size_t>(FItems.Count()), false);
        RebuildButtons();
    };
    SetDefaultSize(185, 105);
}

TRadioGroup::~TRadioGroup() {
    FItems.OnChange = nullptr;
}

void TRadioGroup::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* g = qobject_cast<QGroupBox*>(Widget())) g->setTitle(Q(FCaption));
}

void TRadioGroup::SetItemIndex(int i) {
    if (i < -1 || i >= FItems.Count()) i = -1;
    if (i == FItemIndex) return;
    FItemIndex = i;
    RebuildButtons();
    TControl::Click();
}

void TRadioGroup::SetColumns(int n) {
    FColumns = std::clamp(n, 1, 16);
    RebuildButtons();
}

void TRadioGroup::SetItemEnabled(int index, bool enabled) {
    FItems.Strings(index); // range check
    FDisabled.resize(static_cast<std::size_t>(FItems.Count()), false);
    FDisabled[static_cast<std::size_t>(index)] = !enabled;
    RebuildButtons();
}

bool TRadioGroup::ItemEnabled(int index) const {
    FItems.Strings(index);
    return static_cast<std::size_t>(index) >= FDisabled.size() ||
           !FDisabled[static_cast<std::size_t>(index)];
}

void TRadioGroup::SelectFromWidget(int i) {
    SetItemIndex(i);
}

void TRadioGroup::RebuildButtons() {
    auto* g = qobject_cast<QGroupBox*>(Widget());
    if (!g) return;
    auto* grid = qobject_cast<QGridLayout*>(g->layout());
    QList<QRadioButton*> buttons = g->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    const int n = FItems.Count();
    // Keep the buttons there are (a click may be running inside one of them).
    while (buttons.size() > n) {
        QRadioButton* b = buttons.takeLast();
        grid->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    while (buttons.size() < n) {
        auto* b = new QRadioButton(g);
        b->setAutoExclusive(false);
        const int index = static_cast<int>(buttons.size());
        QObject::connect(b, &QRadioButton::clicked, b, [this, index] {
            SelectFromWidget(index);
            RebuildButtons();
        });
        buttons.push_back(b);
    }
    const int rows = (n + FColumns - 1) / std::max(FColumns, 1);
    for (int i = 0; i < n; ++i) {
        QRadioButton* b = buttons[i];
        const QSignalBlocker block(b);
        b->setText(Q(FItems[i]));
        b->setChecked(i == FItemIndex);
        b->setEnabled(ItemEnabled(i));
        const int row = rows > 0 ? i % rows : 0, col = rows > 0 ? i / rows : 0;
        const int at = grid->indexOf(b);
        int r = -1, c = -1, rs = 0, cs = 0;
        if (at >= 0) grid->getItemPosition(at, &r, &c, &rs, &cs);
        if (r != row || c != col) {
            if (at >= 0) grid->removeWidget(b);
            grid->addWidget(b, row, col);
        }
        b->show();
    }
}

void TRadioGroup::SyncWidget() {
    TControl::SyncWidget();
    RebuildButtons();
}

// ---- TPanel -------------------------------------------------------------------------------------

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* l = new QLabel;
        l->setAlignment(Qt::AlignCenter);
        AttachWidget(l);
    }
    SetDefaultSize(185, 41);
}

void TPanel::SetCaption(std::string_view s) {
    FCaption = s;
    SyncWidget();
}
void TPanel::SetBevelOuter(TBevelCut b) {
    FBevelOuter = b;
    SyncWidget();
}
void TPanel::SetBevelInner(TBevelCut b) {
    FBevelInner = b;
    SyncWidget();
}
void TPanel::SetBevelWidth(int w) {
    FBevelWidth = std::max(w, 0);
    SyncWidget();
}
void TPanel::SetBorderStyle(TBorderStyle b) {
    FBorderStyle = b;
    SyncWidget();
}
void TPanel::SetAlignment(TAlignment a) {
    FAlignment = a;
    SyncWidget();
}
void TPanel::SetColor(TColor c) {
    TControl::SetColor(c);
}

void TPanel::SyncWidget() {
    TControl::SyncWidget();
    auto* l = qobject_cast<QLabel*>(Widget());
    if (!l) return;
    l->setTextFormat(Qt::PlainText);
    l->setText(WithoutMnemonic(FCaption));
    l->setAlignment((FAlignment == taLeftJustify    ? Qt::AlignLeft
                     : FAlignment == taRightJustify ? Qt::AlignRight
                                                    : Qt::AlignHCenter) |
                    Qt::AlignVCenter);
    if (FBorderStyle == bsSingle) {
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setLineWidth(1);
    } else if (FBevelOuter == bvNone && FBevelInner == bvNone) {
        l->setFrameStyle(QFrame::NoFrame);
    } else {
        const TBevelCut cut = FBevelOuter != bvNone ? FBevelOuter : FBevelInner;
        l->setFrameStyle(QFrame::Panel | (cut == bvLowered ? QFrame::Sunken : QFrame::Raised));
        l->setLineWidth(FBevelWidth);
    }
}

// ---- TComboBox ----------------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* c = new QComboBox;
        AttachWidget(c);
        QObject::connect(c, &QComboBox::activated, c, [this](int i) { WidgetActivated(i); });
    }
    FItems.OnChange = [this] {
        if (FItemIndex >= FItems.Count()) FItemIndex = -1;
        // A list-only box shows its chosen item's text, or nothing.
        if (FStyle == csDropDownList) FText = FItemIndex >= 0 ? FItems[FItemIndex] : "";
        PushItems();
    };
    SetDefaultSize(145, 24);
    FColor = clWindow;
    SyncWidget();
}

TComboBox::~TComboBox() {
    FItems.OnChange = nullptr;
}

void TComboBox::PushItems() {
    auto* c = qobject_cast<QComboBox*>(Widget());
    if (!c) return;
    const QSignalBlocker block(c);
    FPushing = true;
    c->clear();
    for (const auto& s : FItems.Items())
        c->addItem(Q(s));
    c->setCurrentIndex(FItemIndex);
    if (c->isEditable()) c->setEditText(Q(FText));
    FPushing = false;
}

void TComboBox::SetItemIndex(int i) {
    if (i < -1 || i >= FItems.Count()) i = -1;
    FItemIndex = i;
    FText = i >= 0 ? FItems[i] : std::string();
    if (auto* c = qobject_cast<QComboBox*>(Widget())) {
        const QSignalBlocker block(c);
        c->setCurrentIndex(i);
        if (c->isEditable()) c->setEditText(Q(FText));
    }
}

void TComboBox::SetText(std::string_view s) {
    const int i = FItems.IndexOf(s);
    if (FStyle == csDropDownList) {
        SetItemIndex(i);
        return;
    }
    FItemIndex = i;
    FText = s;
    if (auto* c = qobject_cast<QComboBox*>(Widget())) {
        const QSignalBlocker block(c);
        c->setCurrentIndex(i);
        c->setEditText(Q(FText));
    }
}

void TComboBox::SetStyle(TComboBoxStyle s) {
    FStyle = s;
    if (FStyle == csDropDownList && FItemIndex < 0) FText.clear();
    SyncWidget();
}

bool TComboBox::PickItem(int i) {
    if (i < 0 || i >= FItems.Count() || !Enabled()) return false;
    SetItemIndex(i);
    TControl::Click();
    if (OnChange) OnChange(this);
    return true;
}

bool TComboBox::TypeText(std::string_view s) {
    if (!Enabled()) return false;
    if (FStyle == csDropDownList) {
        // A list-only box takes typed text only as the choice of a matching item.
        const int i = FItems.IndexOf(s);
        return i >= 0 && PickItem(i);
    }
    SetFocus();
    FText = s;
    FItemIndex = FItems.IndexOf(s);
    if (auto* c = qobject_cast<QComboBox*>(Widget())) {
        const QSignalBlocker block(c);
        c->setCurrentIndex(FItemIndex);
        c->setEditText(Q(FText));
    }
    if (OnChange) OnChange(this);
    return true;
}

void TComboBox::WidgetActivated(int i) {
    if (FPushing) return;
    if (i < 0 || i >= FItems.Count()) return;
    FItemIndex = i;
    FText = FItems[i];
    TControl::Click();
    if (OnChange) OnChange(this);
}

void TComboBox::WidgetTextEdited(const std::string& s) {
    if (FPushing || s == FText) return;
    FText = s;
    FItemIndex = FItems.IndexOf(s);
    if (OnChange) OnChange(this);
}

void TComboBox::SyncWidget() {
    TControl::SyncWidget();
    auto* c = qobject_cast<QComboBox*>(Widget());
    if (!c) return;
    const bool editable = FStyle != csDropDownList;
    if (c->isEditable() != editable) {
        const QSignalBlocker block(c);
        c->setEditable(editable);
        if (editable && c->lineEdit())
            QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c,
                             [this](const QString& t) { WidgetTextEdited(S(t)); });
    }
    c->setMaxVisibleItems(std::max(DropDownCount, 1));
    PushItems();
}

// ---- TListBox -----------------------------------------------------------------------------------

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* l = new QListWidget;
        AttachWidget(l);
        QObject::connect(l, &QListWidget::currentRowChanged, l,
                         [this](int i) { WidgetCurrentChanged(i); });
        QObject::connect(l, &QListWidget::itemDoubleClicked, l,
                         [this](QListWidgetItem*) { DoDblClick(); });
    }
    FItems.OnChange = [this] {
        if (FItemIndex >= FItems.Count()) FItemIndex = -1;
        PushItems();
    };
    SetDefaultSize(121, 97);
    FColor = clWindow;
}

TListBox::~TListBox() {
    FItems.OnChange = nullptr;
}

void TListBox::PushItems() {
    auto* l = qobject_cast<QListWidget*>(Widget());
    if (!l) return;
    const QSignalBlocker block(l);
    FPushing = true;
    l->clear();
    for (const auto& s : FItems.Items())
        l->addItem(Q(s));
    l->setCurrentRow(FItemIndex);
    FPushing = false;
}

void TListBox::SetItemIndex(int i) {
    if (i < -1 || i >= FItems.Count()) i = -1;
    FItemIndex = i;
    if (auto* l = qobject_cast<QListWidget*>(Widget())) {
        const QSignalBlocker block(l);
        l->setCurrentRow(i);
        if (i >= 0) l->scrollToItem(l->item(i));
    }
}

int TListBox::TopIndex() const {
    if (auto* l = qobject_cast<QListWidget*>(Widget())) {
        const QModelIndex top = l->indexAt(QPoint(1, 1));
        return top.isValid() ? top.row() : 0;
    }
    return 0;
}

bool TListBox::PickItem(int i) {
    if (i < 0 || i >= FItems.Count() || !Enabled()) return false;
    SetItemIndex(i);
    TControl::Click();
    return true;
}

void TListBox::WidgetCurrentChanged(int i) {
    if (FPushing) return;
    FItemIndex = i;
    TControl::Click();
}

void TListBox::SyncWidget() {
    TControl::SyncWidget();
    PushItems();
}

// ---- TSpinEdit ----------------------------------------------------------------------------------

TSpinEdit::TSpinEdit(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* s = new QSpinBox;
        AttachWidget(s);
        QObject::connect(s, &QSpinBox::valueChanged, s, [this](int v) { WidgetValueChanged(v); });
    }
    SetDefaultSize(121, 24);
    FColor = clWindow;
    SyncWidget();
}

int TSpinEdit::Clamp(int v) const {
    if (FMaxValue > FMinValue) return std::clamp(v, FMinValue, FMaxValue);
    return v;
}

void TSpinEdit::SetValue(int v) {
    v = Clamp(v);
    if (v == FValue) return;
    FValue = v;
    if (auto* s = qobject_cast<QSpinBox*>(Widget())) {
        const QSignalBlocker block(s);
        s->setValue(v);
    }
    if (OnChange) OnChange(this);
}

void TSpinEdit::SetMinValue(int v) {
    FMinValue = v;
    SyncWidget();
    SetValue(FValue);
}

void TSpinEdit::SetMaxValue(int v) {
    FMaxValue = v;
    SyncWidget();
    SetValue(FValue);
}

void TSpinEdit::SetIncrement(int v) {
    FIncrement = std::max(v, 1);
    SyncWidget();
}

std::string TSpinEdit::Text() const {
    return std::to_string(FValue);
}

bool TSpinEdit::TypeText(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    int v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || p != end || s.empty()) return false;
    if (FMaxValue > FMinValue && (v < FMinValue || v > FMaxValue)) return false;
    SetValue(v);
    return true;
}

void TSpinEdit::WidgetValueChanged(int v) {
    if (v == FValue) return;
    FValue = v;
    if (OnChange) OnChange(this);
}

void TSpinEdit::SyncWidget() {
    TControl::SyncWidget();
    if (auto* s = qobject_cast<QSpinBox*>(Widget())) {
        const QSignalBlocker block(s);
        if (FMaxValue > FMinValue)
            s->setRange(FMinValue, FMaxValue);
        else
            s->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        s->setSingleStep(FIncrement);
        s->setValue(FValue);
    }
}

// ---- TUpDown ------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* w = new QWidget;
        auto* box = new QVBoxLayout(w);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        auto* up = new QToolButton(w);
        up->setArrowType(Qt::UpArrow);
        auto* down = new QToolButton(w);
        down->setArrowType(Qt::DownArrow);
        for (auto* b : {up, down})
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        box->addWidget(up);
        box->addWidget(down);
        AttachWidget(w);
        QObject::connect(up, &QToolButton::clicked, w, [this] { PressButton(btNext); });
        QObject::connect(down, &QToolButton::clicked, w, [this] { PressButton(btPrev); });
    }
    SetDefaultSize(17, 24);
}

TUpDown::~TUpDown() = default;

void TUpDown::SetAssociate(TEdit* e) {
    FAssociate = e;
    if (!e) return;
    if (e->Parent() == Parent()) SetBounds(e->Left() + e->Width(), e->Top(), Width(), e->Height());
    SetPosition(FPosition);
    FAssociate->SetText(std::to_string(FPosition));
}

void TUpDown::SetPosition(int v) {
    v = FMax >= FMin ? std::clamp(v, FMin, FMax) : std::clamp(v, FMax, FMin);
    const bool changed = v != FPosition;
    FPosition = v;
    if (changed && FAssociate) FAssociate->SetText(std::to_string(FPosition));
}

void TUpDown::SetOrientation(TUDOrientation o) {
    FOrientation = o;
}

void TUpDown::PressButton(TUDBtnType b) {
    if (!Enabled()) return;
    const int step = b == btNext ? FIncrement : -FIncrement;
    const long long next = static_cast<long long>(FPosition) + step;
    const int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    int v;
    if (next > hi)
        v = Wrap ? lo : hi;
    else if (next < lo)
        v = Wrap ? hi : lo;
    else
        v = static_cast<int>(next);
    SetPosition(v);
    if (OnClick) OnClick(this, b);
}

// ---- TPageControl / TTabSheet -------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    // A sheet lives in a page control only; the owner is not its parent.
    if (Parent()) TControl::SetParent(nullptr);
    if (Widgets()) AttachWidget(new QWidget);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetCaption(std::string_view s) {
    FCaption = s;
    if (FPageControl) FPageControl->PushTabs();
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (auto* pc = dynamic_cast<TPageControl*>(parent))
        SetPageControl(pc);
    else
        TControl::SetParent(parent);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    if (pc == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    FPageControl = pc;
    if (pc) pc->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    for (int i = 0; i < FPageControl->PageCount(); ++i)
        if (FPageControl->Pages(i) == this) return i;
    return -1;
}

void TTabSheet::SetTabVisible(bool v) {
    FTabVisible = v;
    if (FPageControl) FPageControl->PushTabs();
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    if (Widgets()) {
        auto* t = new QTabWidget;
        AttachWidget(t);
        QObject::connect(t, &QTabWidget::currentChanged, t, [this](int i) {
            if (!FPushing) WidgetTabClicked(i);
        });
    }
    SetDefaultSize(289, 193);
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : FPages)
        p->FPageControl = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount())
        throw std::out_of_range("page index " + std::to_string(index));
    return FPages[static_cast<std::size_t>(index)];
}

TTabSheet* TPageControl::ActivePage() const {
    return FActiveIndex >= 0 && FActiveIndex < PageCount() ? FPages[FActiveIndex] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
    for (int i = 0; i < PageCount(); ++i)
        if (FPages[i] == page) return SetActivePageIndex(i);
    SetActivePageIndex(-1);
}

void TPageControl::SetActivePageIndex(int i) {
    if (i < -1 || i >= PageCount()) i = -1;
    FActiveIndex = i;
    PushTabs();
}

bool TPageControl::SelectPage(int i) {
    if (i < 0 || i >= PageCount() || !Enabled() || !FPages[i]->TabVisible()) return false;
    if (i == FActiveIndex) return true;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) {
        PushTabs();
        return false;
    }
    SetActivePageIndex(i);
    if (OnChange) OnChange(this);
    return true;
}

void TPageControl::WidgetTabClicked(int tabIndex) {
    SelectPage(tabIndex);
}

void TPageControl::InsertPage(TTabSheet* p) {
    FPages.push_back(p);
    TControl* asControl = p;
    asControl->TControl::SetParent(this);
    if (FActiveIndex < 0) FActiveIndex = 0;
    PushTabs();
}

void TPageControl::RemovePage(TTabSheet* p) {
    auto it = std::find(FPages.begin(), FPages.end(), p);
    if (it == FPages.end()) return;
    const int index = static_cast<int>(it - FPages.begin());
    FPages.erase(it);
    if (auto* t = qobject_cast<QTabWidget*>(Widget())) {
        FPushing = true;
        t->removeTab(index);
        FPushing = false;
    }
    if (FActiveIndex >= PageCount()) FActiveIndex = PageCount() - 1;
    TControl* asControl = p;
    asControl->TControl::SetParent(nullptr);
    PushTabs();
}

void TPageControl::PushTabs() {
    // Only the active sheet counts as visible: its controls are the ones a person can reach.
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet* p = FPages[i];
        p->TControl::SetVisible(i == FActiveIndex);
        p->ApplyBounds(0, 0, Width(), Height());
    }
    auto* t = qobject_cast<QTabWidget*>(Widget());
    if (!t) return;
    FPushing = true;
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet* p = FPages[i];
        if (t->indexOf(p->Widget()) != i) {
            if (t->indexOf(p->Widget()) >= 0) t->removeTab(t->indexOf(p->Widget()));
            t->insertTab(i, p->Widget(), Q(p->Caption()));
        }
        t->setTabText(i, Q(p->Caption()));
        t->setTabVisible(i, p->TabVisible());
    }
    if (FActiveIndex >= 0) t->setCurrentIndex(FActiveIndex);
    FPushing = false;
}

// ---- TSpeedButton -------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* AOwner) : TControl(AOwner) {
    if (Widgets()) {
        auto* b = new QToolButton;
        AttachWidget(b);
        QObject::connect(b, &QToolButton::clicked, b, [this] { Click(); });
    }
    SetDefaultSize(23, 22);
}

void TSpeedButton::SetCaption(std::string_view s) {
    FCaption = s;
    if (auto* b = qobject_cast<QToolButton*>(Widget())) b->setText(Q(FCaption));
}

void TSpeedButton::SetDown(bool v) {
    FDown = v;
    if (v && FGroupIndex != 0 && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) {
                other->FDown = false;
                if (auto* ob = qobject_cast<QToolButton*>(other->Widget())) {
                    const QSignalBlocker block(ob);
                    ob->setChecked(false);
                }
            }
        }
    }
    if (auto* b = qobject_cast<QToolButton*>(Widget())) {
        const QSignalBlocker block(b);
        b->setCheckable(FGroupIndex != 0);
        b->setChecked(FDown);
    }
}

void TSpeedButton::SetFlat(bool v) {
    FFlat = v;
    if (auto* b = qobject_cast<QToolButton*>(Widget())) b->setAutoRaise(v);
}

bool TSpeedButton::LoadGlyph(const std::string& path) {
    QPixmap pm;
    if (!Widgets() || !pm.load(Q(path))) return false;
    if (auto* b = qobject_cast<QToolButton*>(Widget())) b->setIcon(QIcon(pm));
    return true;
}

void TSpeedButton::Click() {
    if (FGroupIndex != 0) {
        if (!FDown)
            SetDown(true);
        else if (AllowAllUp)
            SetDown(false);
        else
            SetDown(true); // keeps the widget's state in step
    }
    TControl::Click();
}

// ---- TImage -------------------------------------------------------------------------------------

namespace {
class ImageWidget : public QWidget {
public:
    explicit ImageWidget(TImage* owner) : FOwner(owner) {}
    std::function<void(QPainter&)> Paint;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (Paint) Paint(p);
    }

private:
    TImage* FOwner;
};
} // namespace

struct TImage::Impl {
    TBitmap Bitmap;
    bool HasPicture = false;
};

TImage::TImage(TComponent* AOwner) : TControl(AOwner), FImpl(std::make_unique<Impl>()) {
    if (Widgets()) {
        auto* w = new ImageWidget(this);
        w->Paint = [this, w](QPainter& p) {
            if (!FImpl->HasPicture) return;
            CanvasRelease(*FImpl->Bitmap.Canvas());
            const QImage& img = BitmapImage(FImpl->Bitmap);
            if (FStretch) {
                p.drawImage(w->rect(), img);
            } else if (FCenter) {
                p.drawImage((w->width() - img.width()) / 2, (w->height() - img.height()) / 2, img);
            } else {
                p.drawImage(0, 0, img);
            }
        };
        AttachWidget(w);
    }
    FImpl->Bitmap.Canvas()->OnChange = [this] {
        FImpl->HasPicture = true;
        Invalidate();
    };
    SetDefaultSize(105, 105);
}

TImage::~TImage() {
    FImpl->Bitmap.Canvas()->OnChange = nullptr;
}

bool TImage::LoadFromFile(const std::string& path) {
    if (!FImpl->Bitmap.LoadFromFile(path)) return false;
    FImpl->HasPicture = true;
    Invalidate();
    return true;
}

void TImage::SetStretch(bool v) {
    FStretch = v;
    Invalidate();
}

void TImage::SetCenter(bool v) {
    FCenter = v;
    Invalidate();
}

int TImage::PictureWidth() const {
    return FImpl->HasPicture ? FImpl->Bitmap.Width() : 0;
}
int TImage::PictureHeight() const {
    return FImpl->HasPicture ? FImpl->Bitmap.Height() : 0;
}

TColor TImage::Pixel(int x, int y) const {
    if (!FImpl->HasPicture) return clNone;
    const TColor c = FImpl->Bitmap.Canvas()->Pixel(x, y);
    return c == clInvalid ? clNone : c;
}

TCanvas* TImage::Canvas() {
    if (!FImpl->HasPicture) {
        FImpl->Bitmap.SetSize(std::max(Width(), 1), std::max(Height(), 1));
        FImpl->HasPicture = true;
    }
    return FImpl->Bitmap.Canvas();
}

void TImage::SyncWidget() {
    TControl::SyncWidget();
}

// ---- TBevel -------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TControl(AOwner) {
    if (Widgets()) {
        auto* f = new QFrame;
        f->setFrameStyle(QFrame::Box | QFrame::Sunken);
        AttachWidget(f);
    }
    SetDefaultSize(50, 50);
}

void TBevel::SetShape(TBevelShape s) {
    FShape = s;
    auto* f = qobject_cast<QFrame*>(Widget());
    if (!f) return;
    const int shadow = FStyle == bsLowered ? QFrame::Sunken : QFrame::Raised;
    switch (s) {
    case bsTopLine:
    case bsBottomLine:
        f->setFrameStyle(QFrame::HLine | shadow);
        break;
    case bsLeftLine:
    case bsRightLine:
        f->setFrameStyle(QFrame::VLine | shadow);
        break;
    case bsSpacer:
        f->setFrameStyle(QFrame::NoFrame);
        break;
    default:
        f->setFrameStyle(QFrame::Box | shadow);
        break;
    }
}
