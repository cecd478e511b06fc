#pragma once
// TForm: a top-level window with caption, bounds, border style, colour, font, key preview, an
// optional main menu, modal showing with modal results, and the form events.
//
// ShowModal: with a ModalResponder installed (responder.h) the responder answers at once; with a
// display a modal event loop runs until ModalResult is set; without a display (no QApplication,
// or Qt's offscreen platform) and without a responder the batch answer is given: the question
// goes to stderr and the form is cancelled as Esc would (never waiting for a person).
//
// Closing follows the usual rules: a button with a ModalResult sets the form's ModalResult before
// its OnClick; a non-zero ModalResult ends the modal state once OnCloseQuery allows it and OnClose
// does not answer caNone. Close() on a modal form sets ModalResult to mrCancel. The window's close
// box calls Close(): it runs no Cancel button's handler, so it is "Cancel" only when the form's
// own OnClose/OnCloseQuery make it so.

#include "platform/gui/controls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <memory>
#include <string_view>
#include <utility>

class TMainMenu;
class TCanvas;

enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);

    void SetBounds(int left, int top, int width, int height) override;
    // The client area is the form without its menu bar.
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle b);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons b);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle s);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition p) { FPosition = p; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState s);
    void SetColor(TColor c) override;
    // Key events reach the form's OnKeyDown/OnKeyPress before the focused control's.
    bool KeyPreview = false;

    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* m);

    TControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TControl* c);

    // ---- showing and closing
    TModalResult ShowModal();
    void Show();
    void Close();
    bool CloseQuery();
    bool Modal() const { return FModal; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult r) { FModalResult = r; }
    void SetVisible(bool v) override;
    void BringToFront();
    // The window's close box (title-bar X): the same as Close().
    void CloseBox() { Close(); }

    // ---- keys as they arrive from the keyboard (or from a responder): menu shortcuts, the
    // form's OnKeyDown (with KeyPreview, or when the form itself has the focus), the focused
    // control's OnKeyDown, then Enter/Esc press the Default/Cancel button, then OnKeyPress.
    // Returns true when the key was consumed (a shortcut ran, a handler cleared it or a button
    // was pressed).
    bool DispatchKey(std::uint16_t key, TShiftState shift);
    bool DispatchKeyTo(TControl* target, std::uint16_t key, TShiftState shift);

    // The canvas of the client area's back buffer. What is drawn on it shows at the next screen
    // update and stays until a repaint: a repaint (Invalidate, resize, first show) erases the
    // buffer with Color and runs OnPaint. Never nullptr; unbound (draws nothing) without widgets.
    TCanvas* Canvas() const { return FCanvas.get(); }
    // Device pixels per logical pixel of the client area (2 on a screen scaled 2x).
    double PixelRatio() const;
    // The canvas draws in device pixels: its DeviceSize() is the client size times
    // PixelRatio(), and coordinates are device pixels (a form that maps its own drawing sets it
    // to be sharp on scaled screens). Otherwise it draws in logical pixels, scaled by Qt. Set it
    // before the form is first shown.
    bool DevicePixels = false;
    // Repaints the back buffer now (erase, OnPaint), as an expose would, and shows it.
    void PaintNow();
    // Colour of a pixel of the back buffer (clInvalid outside it or without widgets); x and y are
    // logical pixels of the client area.
    TColor ClientPixel(int x, int y) const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnResize;
    TNotifyEvent OnPaint;

    // Runs OnCreate once: call at the end of a derived form's constructor (the layer cannot,
    // because the derived parts do not exist yet while TForm's constructor runs), or create the
    // form with NewForm<T>(...), which does it.
    void Created();
    // Runs OnDestroy (once) and deletes the form. Prefer it to delete: OnDestroy handlers of a
    // derived form may use the derived form's members, which no longer exist inside ~TForm
    // (~TForm runs OnDestroy only when Free was not used).
    void Free();

    // The innermost modal form, else the form shown last that is still visible; nullptr when
    // none (the active form where the window system cannot tell).
    static TForm* TopForm();

    // Layer internals.
    QWidget* ClientWidget() const override;
    void WidgetResized(int w, int h);
    void WidgetMoved(int x, int y);
    void WidgetCloseRequested(bool& accept);
    void FocusMoved(TControl* c);
    void ControlDestroyed(TControl* c);
    void Invalidate() override;
    void Repaint() override { PaintNow(); }
    void MenuChanged();
    void Realign() override;

private:
    bool TryEndModal();
    void ResizeBuffer(int w, int h);
    void SchedulePaint();
    void PlaceByPosition();
    void DoHide();
    void ApplyWindowFlags();
    TButton* FindButton(bool defaultButton) const;
    std::string FCaption;
    TBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    TMainMenu* FMenu = nullptr;
    TControl* FActiveControl = nullptr;
    TModalResult FModalResult = mrNone;
    std::unique_ptr<TCanvas> FCanvas;
    bool FModal = false;
    bool FCreated = false;
    bool FLaidOut = false;
    bool FDestroying = false;
    bool FDestroyed = false;
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// Called with the form when its modal showing has ended (the window is hidden again). One
// listener: the drawing window, which puts back a drawing a dialog's help picture covered.
extern std::function<void(TForm*)> ModalEndedHook;

// Constructs a form and runs its OnCreate.
template <class T, class... Args> T* NewForm(Args&&... args) {
    T* f = new T(std::forward<Args>(args)...);
    f->Created();
    return f;
}
