#pragma once
// A small window with one line of text that long work (index builds, appends from text,
// reading and writing virtual files) shows while it runs: no border of its own, always on top,
// yellow. Without a caption it has no frame and shows a raised yellow bevel; with a caption it
// gets a dialog frame and the bevel is hidden. It grows to fit a longer text and never shrinks
// while it lives; whenever it grows it is centred over the form that was active when it was
// made (or over the screen). Showing a text repaints at once and handles pending events except
// user input, so the window is drawn while the work goes on and no click or key starts a second
// command in the middle of it. Without widgets (batch modes) it shows nothing.

#include <string>
#include <string_view>

#include "platform/gui/forms.h"

class TPanel;

class TMessageWindow : public TForm {
public:
    explicit TMessageWindow(TComponent* AOwner);

    // Shows text (UTF-8); an empty text shows the stored one again.
    void ShowText(std::string_view text);
    const std::string& Text() const { return FText; }

    // Space around the text inside the window, pixels (both directions together).
    static constexpr int kTextMargin = 30;

    TPanel* OuterPanel() const { return FOuter; }
    TPanel* TextPanel() const { return FTextPanel; }
    // The form the window is centred over; nullptr: the screen.
    TForm* ReferenceForm() const { return FReference; }

private:
    void PlaceTextPanel();
    TPanel* FOuter = nullptr;
    TPanel* FTextPanel = nullptr;
    TForm* FReference = nullptr;
    std::string FText;
};
