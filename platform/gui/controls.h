#pragma once
// Components and the standard controls. Every control keeps its state in this object (the model);
// a Qt widget shows it when the application has a QApplication, and without one (batch modes)
// the controls still hold and report their values, so a responder can answer a dialog headless.
//
// Ownership: a component is destroyed by its owner (constructor argument), and a control also
// with its Parent, inside which it is shown; a control whose owner is a TWinControl starts with
// that owner as Parent.
// Setting a value from code fires the same events as the user's change where the program relies
// on it: TEdit::SetText fires OnChange, TCheckBox/TRadioButton::SetChecked and
// TRadioGroup::SetItemIndex fire OnClick, TComboBox::SetItemIndex does not fire OnChange.

#include "platform/gui/stringlist.h"
#include "platform/gui/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;
class TCanvas;
class TForm;
class TWinControl;

// ---- TComponent -------------------------------------------------------------------------------
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    const std::string& Name() const { return FName; }
    void SetName(std::string_view name) { FName = name; }
    TComponent* Owner() const { return FOwner; }
    int Tag = 0;

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const; // checked; throws std::out_of_range
    // The owned component of that name (letter case ignored), searched depth-first through the
    // owned components' own components too; nullptr when none.
    TComponent* FindComponent(std::string_view name) const;

    // Detaches and destroys every owned component (last created first).
    void DestroyComponents();

private:
    void InsertComponent(TComponent* c) { FComponents.push_back(c); }
    void RemoveComponent(TComponent* c);
    std::string FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
};

// Typed lookup: FindControl<TEdit>(form, "Edit_x") is nullptr when the name is missing or of
// another kind.
template <class T> T* FindControl(const TComponent& root, std::string_view name) {
    return dynamic_cast<T*>(root.FindComponent(name));
}

// ---- TControl ---------------------------------------------------------------------------------
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);
    // The form this control lies on (following Parent, then Owner); nullptr when none.
    TForm* ParentForm() const;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    // Width and height alone keep a control unpositioned (see Positioned).
    void SetWidth(int v);
    void SetHeight(int v);
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }
    // True once a position was given; controls without one are placed by their parent's flow
    // layout when the form is first shown.
    bool Positioned() const { return FPositioned; }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign a);

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible (the form itself excepted while hidden).
    bool Showing() const;

    const std::string& Hint() const { return FHint; }
    void SetHint(std::string_view h);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v);

    TColor Color() const { return FColor; }
    virtual void SetColor(TColor c);
    const TFont& Font() const { return FFont; }
    virtual void SetFont(const TFont& f);
    // With ParentFont the control takes its parent's font, now and when the parent's changes;
    // SetFont turns it off.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);

    // Repaint request (no-op without a widget).
    virtual void Invalidate();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();

    // Runs the control's click handling as a mouse click does.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Focus: makes this the form's active control (fires OnExit/OnEnter like a person would).
    virtual bool CanFocus() const;
    void SetFocus();
    bool Focused() const;

    // Layer internals (platform/gui only).
    QWidget* Widget() const { return FWidget; }
    virtual QWidget* ClientWidget() const { return FWidget; }
    static TControl* FromWidget(const QWidget* w);
    virtual void DoDblClick();
    virtual void DoMouseDown(TMouseButton b, TShiftState s, int x, int y);
    virtual void DoMouseUp(TMouseButton b, TShiftState s, int x, int y);
    virtual void DoMouseMove(TShiftState s, int x, int y);
    // Focus arrives or leaves through Qt; both end in the form's active-control bookkeeping.
    virtual void WidgetFocusIn();
    // Enter is this control's own key (it opens or ends an edit), never the dialog's default
    // button.
    virtual bool WantsReturn() const { return false; }

protected:
    // Installs the widget that shows this control (call once, from the concrete constructor).
    void AttachWidget(QWidget* w);
    // Pushes the model's bounds, visibility, enabled state, hint, colour and font to the widget.
    virtual void SyncWidget();
    // Size a control gets when none is given.
    void SetDefaultSize(int w, int h);
    // Applies new bounds (model and widget) without touching Positioned.
    void ApplyBounds(int left, int top, int width, int height);
    // Takes bounds the widget already has (moved or resized by the user).
    void StoreBounds(int left, int top, int width, int height);
    // Colour role of the control's background: true for text-entry backgrounds.
    virtual bool ColorIsBase() const { return false; }

    std::string FHint;
    TFont FFont;
    TColor FColor = clBtnFace;
    bool FColorSet = false;
    bool FFontSet = false;

private:
    friend class TWinControl;
    void WidgetDestroyed() { FWidget = nullptr; }
    TWinControl* FParent = nullptr;
    QWidget* FWidget = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FPositioned = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FShowHint = false;
    bool FParentFont = true;
    TAlign FAlign = alNone;
};

// ---- TWinControl: a control that holds other controls -------------------------------------------
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const; // checked; throws std::out_of_range

    // Places the children: aligned ones (alTop, alBottom, alLeft, alRight, alClient) by their
    // Align, the ones never positioned in a top-down flow. Runs on resize and before showing.
    virtual void Realign();

protected:
    // Called when a child control is added to or removed from this parent.
    virtual void ChildAdded(TControl* c);
    virtual void ChildRemoved(TControl* c);

private:
    friend class TControl;
    std::vector<TControl*> FControls;
};

// ---- Standard controls --------------------------------------------------------------------------
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    // The control whose focus the label's "&" mnemonic moves to (set it before the caption).
    TControl* FocusControl = nullptr;

protected:
    void SyncWidget() override;

private:
    void AdjustSize();
    std::string FCaption;
    bool FWordWrap = false;
    bool FAutoSize = true;
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    // Enter on the form presses the Default button, Esc the Cancel button.
    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    // Given to the form as its ModalResult when the button is clicked (before OnClick runs).
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult r) { FModalResult = r; }
    void Click() override;

private:
    std::string FCaption;
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    const std::string& Text() const { return FText; }
    // Fires OnChange when the text changes. MaxLength (above 0) limits typing only, as in
    // Windows: a longer text set here is kept and shown whole.
    void SetText(std::string_view s);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int n);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    void SelectAll();
    // What a person typing into the field would do: focus, then the new text up to MaxLength
    // (ignored when read-only or disabled). Returns whether the text was taken.
    bool TypeText(std::string_view s);

    TNotifyEvent OnChange;

    // Layer internals: the widget's text changed by the user.
    void WidgetTextEdited(const std::string& s);

protected:
    void SyncWidget() override;
    virtual void PushText();
    bool ColorIsBase() const override { return true; }

    std::string FText;
    int FMaxLength = 0;
    bool FReadOnly = false;
};

// An edit with an input mask in the Windows form "mask;save literals;blank".
// Mask characters: 0 digit, 9 optional digit, L letter, l optional letter, A letter or digit,
// a optional letter or digit, C any character, c optional character, # optional digit or sign,
// > upper case, < lower case, \ literal next character.
class TMaskEdit : public TEdit {
public:
    explicit TMaskEdit(TComponent* AOwner);
    const std::string& EditMask() const { return FEditMask; }
    void SetEditMask(std::string_view mask);
    // The mask in Qt's input-mask form (exposed for tests).
    static std::string QtInputMask(std::string_view mask);

private:
    std::string FEditMask;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;
    TStrings& Lines() { return FLines; }
    const TStrings& Lines() const { return FLines; }
    std::string Text() const { return FLines.Text(); }
    void SetText(std::string_view s) { FLines.SetText(s); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle s);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int n) { FMaxLength = n; }
    void SelectAll();
    void CopyToClipboard();
    // The selected text ("" headless or when nothing is selected).
    std::string SelText() const;

    TNotifyEvent OnChange;

    void WidgetTextEdited(const std::string& text);

protected:
    void SyncWidget() override;
    bool ColorIsBase() const override { return true; }

private:
    void PushLines();
    TStrings FLines;
    bool FReadOnly = false;
    bool FWordWrap = true;
    bool FPushing = false;
    bool FSelectAll = false;
    int FMaxLength = 0;
    TScrollStyle FScrollBars = ssNone;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    bool Checked() const { return FChecked; }
    // Fires OnClick when the state changes.
    void SetChecked(bool v);
    // A click toggles the box and fires OnClick.
    void Click() override;

private:
    std::string FCaption;
    bool FChecked = false;
};

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    bool Checked() const { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent; fires OnClick when
    // it becomes checked.
    void SetChecked(bool v);
    void Click() override;

private:
    std::string FCaption;
    bool FChecked = false;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    QWidget* ClientWidget() const override;

private:
    std::string FCaption;
};

class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    TStrings& Items() { return FItems; }
    const TStrings& Items() const { return FItems; }
    int ItemIndex() const { return FItemIndex; }
    // -1 clears the choice; an index outside the items clears it too. Fires OnClick on a change.
    void SetItemIndex(int i);
    int Columns() const { return FColumns; }
    void SetColumns(int n);
    // Enables or disables one item's button.
    void SetItemEnabled(int index, bool enabled);
    bool ItemEnabled(int index) const;

protected:
    void SyncWidget() override;

private:
    void RebuildButtons();
    void SelectFromWidget(int i);
    std::string FCaption;
    TStrings FItems;
    std::vector<bool> FDisabled;
    int FItemIndex = -1;
    int FColumns = 1;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut b);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut b);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int w);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle b);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a);
    void SetColor(TColor c) override;

protected:
    void SyncWidget() override;

private:
    std::string FCaption;
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    TStrings& Items() { return FItems; }
    const TStrings& Items() const { return FItems; }
    int ItemIndex() const { return FItemIndex; }
    // Selects an item (its text becomes Text) without OnChange; -1 clears.
    void SetItemIndex(int i);
    const std::string& Text() const { return FText; }
    // csDropDownList: selects the item with that text (or clears); editable: sets the text and
    // selects a matching item. No OnChange.
    void SetText(std::string_view s);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle s);
    int DropDownCount = 8;
    // What a person does: choose item i from the list; fires OnChange and OnClick.
    bool PickItem(int i);
    // What a person does: type into the edit part (editable styles only); fires OnChange.
    bool TypeText(std::string_view s);

    TNotifyEvent OnChange;

    void WidgetActivated(int i);
    void WidgetTextEdited(const std::string& s);

protected:
    void SyncWidget() override;
    bool ColorIsBase() const override { return true; }

private:
    void PushItems();
    TStrings FItems;
    int FItemIndex = -1;
    std::string FText;
    TComboBoxStyle FStyle = csDropDown;
    bool FPushing = false;
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;
    TStrings& Items() { return FItems; }
    const TStrings& Items() const { return FItems; }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int i); // no event
    int TopIndex() const;
    // What a person does: click item i (fires OnClick).
    bool PickItem(int i);

    void WidgetCurrentChanged(int i);

protected:
    void SyncWidget() override;
    bool ColorIsBase() const override { return true; }

private:
    void PushItems();
    TStrings FItems;
    int FItemIndex = -1;
    bool FPushing = false;
};

class TSpinEdit : public TWinControl {
public:
    explicit TSpinEdit(TComponent* AOwner);
    int Value() const { return FValue; }
    // Values are kept within MinValue..MaxValue when MaxValue > MinValue (as the widget does);
    // fires OnChange on a change.
    void SetValue(int v);
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    void SetMinValue(int v);
    void SetMaxValue(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v);
    std::string Text() const;
    // Typed text: a number within range is taken; anything else is refused (returns false).
    bool TypeText(std::string_view s);

    TNotifyEvent OnChange;

    void WidgetValueChanged(int v);

protected:
    void SyncWidget() override;
    bool ColorIsBase() const override { return true; }

private:
    int Clamp(int v) const;
    int FValue = 0;
    int FMinValue = 0;
    int FMaxValue = 0;
    int FIncrement = 1;
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

// Up-down arrows; with an associated edit the position is shown as the edit's text.
class TUpDown : public TWinControl {
public:
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override;
    TEdit* Associate() const { return FAssociate; }
    void SetAssociate(TEdit* e);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    void SetMin(int v) {
        FMin = v;
        SetPosition(FPosition);
    }
    void SetMax(int v) {
        FMax = v;
        SetPosition(FPosition);
    }
    int Position() const { return FPosition; }
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v; }
    bool Wrap = false;
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation o);
    // One press of an arrow: moves Position by Increment and fires OnClick.
    void PressButton(TUDBtnType b);

    TUDClickEvent OnClick;

private:
    TEdit* FAssociate = nullptr;
    int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
};

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* pc);
    int PageIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool v);
    void SetParent(TWinControl* parent) override;

private:
    friend class TPageControl;
    std::string FCaption;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const; // checked; throws std::out_of_range
    TTabSheet* ActivePage() const;
    // Shows that page; no event (as when set from code).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return FActiveIndex; }
    void SetActivePageIndex(int i);
    // What a person does: click a tab. Fires OnChanging (which may refuse) and OnChange.
    bool SelectPage(int i);

    std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;
    TNotifyEvent OnChange;

    void WidgetTabClicked(int tabIndex);

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* p);
    void RemovePage(TTabSheet* p);
    void PushTabs();
    std::vector<TTabSheet*> FPages;
    int FActiveIndex = -1;
    bool FPushing = false;
};

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TSpeedButton : public TControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    // Non-zero: buttons of one parent with the same index behave like radio buttons.
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int g) { FGroupIndex = g; }
    bool Down() const { return FDown; }
    void SetDown(bool v);
    bool AllowAllUp = false;
    bool Flat() const { return FFlat; }
    void SetFlat(bool v);
    // An image file shown on the button (PNG, BMP, ...); false when it cannot be read.
    bool LoadGlyph(const std::string& path);
    void Click() override;

private:
    std::string FCaption;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FFlat = false;
};

// A picture: loaded from a file, or drawn on its Canvas (a bitmap of the control's size).
class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    bool LoadFromFile(const std::string& path);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v);
    bool Center() const { return FCenter; }
    void SetCenter(bool v);
    // Size of the picture in pixels (0, 0 when empty).
    int PictureWidth() const;
    int PictureHeight() const;
    // Colour of one pixel of the picture, clNone outside it.
    TColor Pixel(int x, int y) const;
    // The canvas on the picture; creates a white picture of the control's size on first use.
    // nullptr while no canvas implementation is linked.
    TCanvas* Canvas();

protected:
    void SyncWidget() override;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    bool FStretch = false;
    bool FCenter = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TControl {
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape s);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle s) { FStyle = s; }

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};
