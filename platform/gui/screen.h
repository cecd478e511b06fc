#pragma once
// The desktop as the program sees it: screen size and resolution, the one application-wide
// cursor override (hourglass while busy), the clipboard and the warning beep. Every call is safe
// without a GUI application (batch modes): sizes fall back to 640 x 480 at 96 pixels per inch,
// cursors and beeps do nothing, the clipboard is empty.

#include <string>
#include <vector>

class TBitmap;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNo = -18;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

class TScreen {
public:
    int Width() const; // primary screen, pixels
    int Height() const;
    int PixelsPerInch() const; // logical resolution (fonts in points are converted with it)
    // The part of the primary screen windows may use (without panels and docks); the whole
    // screen where the desktop does not tell.
    void WorkArea(int& left, int& top, int& width, int& height) const;

    // The application-wide cursor. crDefault lets every window show its own; any other value
    // overrides them all. Only one override is ever in force: setting another replaces it.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);

    // Installed font families, sorted.
    std::vector<std::string> Fonts() const;

private:
    TCursor cursor_ = crDefault;
    bool overridden_ = false;
};

TScreen* Screen();

class TClipboard {
public:
    bool HasText() const;
    std::string AsText() const; // UTF-8
    void SetAsText(const std::string& text);
    bool HasImage() const;
    bool GetImage(TBitmap& bitmap) const; // false when the clipboard holds no picture
    void SetImage(const TBitmap& bitmap);
    void Clear();
};

TClipboard* Clipboard();

// The standard warning sound.
void Beep();
