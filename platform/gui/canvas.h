#pragma once
// Drawing surfaces: a canvas with pen, brush and font that draws on a window's back buffer, on an
// in-memory bitmap (saved as PNG) or on the printer. Coordinates are device pixels, y downwards,
// with the conventions of the Windows graphics interface that the drawing code assumes: colours
// are 0x00BBGGRR values, rectangles exclude their right and bottom edge, a line excludes its end
// pixel, arcs run counter-clockwise as seen on the screen.
//
// This header is free of Qt; platform/gui/canvas_qt.h binds a canvas to a Qt paint device.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Geometry

struct TPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Left/top inclusive, right/bottom exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
inline TPoint Point(int x, int y) {
    return {x, y};
}

// ---------------------------------------------------------------------------------------------
// Colours

// 0x00BBGGRR for plain colours. Values with the top bit set name a system colour (resolved from
// the desktop palette), clNone is "no colour". clInvalid is what a pixel probe gives outside an
// image or on a device that cannot be read.
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((static_cast<std::uint32_t>(r) & 0xFF) |
                               ((static_cast<std::uint32_t>(g) & 0xFF) << 8) |
                               ((static_cast<std::uint32_t>(b) & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) {
    return static_cast<int>(static_cast<std::uint32_t>(c) & 0xFF);
}
constexpr int GetGValue(TColor c) {
    return static_cast<int>((static_cast<std::uint32_t>(c) >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c) {
    return static_cast<int>((static_cast<std::uint32_t>(c) >> 16) & 0xFF);
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clInvalid = -1;

// System colours (top bit set, low byte the index).
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// The plain 0x00BBGGRR value of a colour: system colours from the desktop palette (fixed
// Windows-like defaults without a GUI application), clNone and clDefault as white.
TColor ColorToRGB(TColor c);

// Contrast of two colours as the web's accessibility guidelines measure it: (L1 + 0.05) /
// (L2 + 0.05) of their relative luminances, 1 (equal) to 21 (black on white).
double ContrastRatio(TColor a, TColor b);
// The colour c, or c mixed with white (against a dark colour) or black (against a light one)
// just so far that its contrast with against reaches ratio: the hue stays, the colour reads.
TColor WithContrast(TColor c, TColor against, double ratio);

// ---------------------------------------------------------------------------------------------
// Pen, brush, font

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// How the pen combines with what is there: copy, invert the destination (rubber bands: drawing
// twice restores the picture), exclusive or, and its inverse.
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor };

struct TPen {
    TColor Color = clBlack;
    int Width = 1; // pixels; 0 and 1 give the thinnest line
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    friend bool operator==(const TPen&, const TPen&) = default;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

// Font styles as bits: the sum is the 4-bit style code the settings store.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// A font is given either by its size in points or by its height in pixels, whichever was set
// last. A negative height is the character height (em), a positive one the cell height (ascent
// plus descent), as in the Windows font interface. PixelsPerInch converts between the two; a
// canvas sets it to its device's resolution.
class TFont {
public:
    std::string Name = "MS Sans Serif";
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    TFontPitch Pitch = fpDefault;
    int Orientation = 0; // text angle, tenths of a degree, counter-clockwise
    int Width = 0;       // average character width in pixels; 0 keeps the font's own proportions
    int PixelsPerInch = 96;

    int Size() const;
    void SetSize(int points);
    int Height() const;
    void SetHeight(int pixels);
    // True when the font was last given in pixels (SetHeight), false for points (SetSize).
    bool HeightInPixels() const { return heightGiven_; }

    friend bool operator==(const TFont&, const TFont&) = default;

private:
    int size_ = 8;
    int height_ = 0;
    bool heightGiven_ = false;
};

// The advance of a text in a font (family and style), in units of that font's average character
// width, the width TFont::Width gives: how wide a canvas draws it. NaN without a GUI application
// (no fonts to measure).
double FontAdvanceInAverageWidths(const std::string& family, TFontStyles style,
                                  std::string_view text);

// ---------------------------------------------------------------------------------------------
// Canvas

enum TFillStyle { fsSurface, fsBorder };

// Text formats for TCanvas::DrawText.
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_EXPANDTABS = 0x0040;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;
constexpr unsigned DT_RTLREADING = 0x20000;

class TCanvas {
public:
    TCanvas();
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Set the fields freely; they take effect at the next drawing call.
    TPen Pen;
    TBrush Brush;
    TFont Font;

    // Called after every drawing call (windows use it to schedule a repaint).
    std::function<void()> OnChange;

    // True while the canvas is bound to a device it can draw on.
    bool HandleAllocated() const;
    // Size of the device in pixels (0 x 0 when unbound).
    TSize DeviceSize() const;
    // Logical resolution of the device, pixels per inch.
    int PixelsPerInch() const;

    TPoint PenPos() const;
    void SetPenPos(TPoint p);
    void MoveTo(int x, int y);
    void LineTo(int x, int y); // from the pen position, end pixel excluded; moves the pen

    void Rectangle(int x1, int y1, int x2, int y2); // outline with the pen, inside with the brush
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(const TRect& r);  // brush only
    void FrameRect(const TRect& r); // one-pixel frame in the brush colour
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // The part of the ellipse in the box (x1, y1, x2, y2) from the ray through (x3, y3) counter-
    // clockwise to the ray through (x4, y4); equal rays draw the whole ellipse.
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // As Arc, closed by the chord (Chord) or by the two radii (Pie) and filled with the brush.
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(std::span<const TPoint> points); // alternate (even-odd) fill with the brush
    void Polyline(std::span<const TPoint> points);

    // Text (UTF-8). The point is the top-left corner of the text cell before rotation by
    // Font.Orientation. The background is filled with the brush unless Brush.Style is bsClear.
    // The pen moves to the end of the text.
    void TextOut(int x, int y, std::string_view text);
    // Text clipped to the rectangle, whose rest is filled with the brush (unless bsClear).
    void TextRect(const TRect& r, int x, int y, std::string_view text);
    // Formatted text in a rectangle (word wrap, alignment, tabs), transparent background; the
    // flags are the DT_ values below. With DT_CALCRECT nothing is drawn and r's bottom (and,
    // for a single line, its right) is set to what the text needs. Returns the text's height.
    int DrawText(TRect& r, std::string_view text, unsigned format);
    TSize TextExtent(std::string_view text) const; // unrotated width and cell height
    int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) const { return TextExtent(text).cy; }

    // Pixel probe: clInvalid outside the device or on a device that cannot be read (printer).
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);
    // Fills with the brush from (x, y): fsSurface the connected area of colour c, fsBorder the
    // connected area bounded by colour c. Only on readable devices (bitmaps, window buffers).
    void FloodFill(int x, int y, TColor c, TFillStyle style);
    // Copies the part src of another canvas's bitmap (or of this one) into dest, scaled.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& src);
    // Copies the whole of another canvas's bitmap into the rectangle (scaled).
    void StretchDraw(const TRect& r, const TCanvas& source);
    void Draw(int x, int y, const TCanvas& source);

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// ---------------------------------------------------------------------------------------------
// In-memory bitmap with its own canvas; new or enlarged areas are white.

class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const;
    int Height() const;
    // Sizes are clamped to 0 .. 32767; returns false when memory could not be had.
    bool SetSize(int width, int height);
    TCanvas* Canvas() { return &canvas_; }
    const TCanvas* Canvas() const { return &canvas_; }

    // PNG (by default), BMP or JPEG by the file's extension. Writes a temporary file beside the
    // target and renames it, so a failed save leaves the old file. False on failure, with
    // LastError() telling why.
    bool SaveToFile(const std::string& path);
    bool LoadFromFile(const std::string& path);
    const std::string& LastError() const { return lastError_; }

    struct Data;
    Data& data() const { return *data_; }

private:
    std::unique_ptr<Data> data_;
    TCanvas canvas_;
    std::string lastError_;
};
