#pragma once
// kelmgraf: the drawing window and its display list.
//
// Nothing is drawn directly: every primitive is appended to DisplayList as a record in world
// units (millimetres of the drawing). The window replays the list whenever it must be painted,
// after a zoom or a pan, and onto the printer. Records map to pixels only at replay, through a
// world window (WorldWindow), a viewport on the virtual screen (ScreenWidth x ScreenHeight of
// the settings, not the window's size) and the zoom rectangle ZoomRect.
//
// The records keep their text form "code;field;field..." for serialisation (Line, Text,
// AddLine), but are held parsed: a paint walks numbers, not text.
//
// The window paints into its back buffer: an expose or the rubber band of the mouse zoom only
// shows the buffer again; a new drawing, a zoom or a pan replays the list into it.
//
// One drawing window exists. Its view state and its recording state are therefore unit-level,
// and the recording and view operations are static members of TFkelmgra: they work before the
// window exists (start-up, batch modes, tests), and act on the window (repaint, cursor) when
// DrawWindow is set.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/forms.h"

class TPrinter;
class TBitmap;

// ---- display list ----------------------------------------------------------------------------

// Record codes.
enum : int {
    drMoveTo = 1,
    drLineTo = 2,
    drCircle = 3,
    drLine = 4,
    drArc = 5,
    drText = 6,
    drSolid = 7,
    drColour = 8,
    drTextStyle = 9,
    drWindow = 10,
    drLineStyle = 11,
    drLineWidth = 12,
    drPause = 13,
};

// The text size and angle a replay draws with: set by each text-style record, in the user's
// text height factor and width/height ratio.
struct TReplayTextStyle {
    long double Height = 3.5L, Width = 3.5L, Angle = 0;
    void Take(const double* v);
};

// The text of a real in a record: general format with 8 significant digits, no trailing zeros,
// "." as decimal point; fixed notation for 1e-4 <= |x| < 1e8, otherwise "d.dddE-dd" with at
// least two exponent digits and a sign only when negative.
std::string RealToRecordText(long double x);

class TDisplayList {
public:
    // One record: its code and where its values (and, for text records, its text) are held.
    // Code 0 draws nothing: a line whose code or fields could not be read (kept as text).
    struct Record {
        std::int32_t Code = 0;
        std::uint32_t First = 0; // index of the first value, or of the text of a raw line
        std::uint32_t Text = 0;  // text index of a text record
    };

    // Recording: reals are rounded to their record text's 8 significant digits, so the list
    // holds exactly what its text says.
    void AddReals(int code, std::initializer_list<long double> values);
    void AddInts(int code, std::initializer_list<std::int64_t> values);
    void AddWindow(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                   long double xmin, long double ymin, long double xmax, long double ymax);
    void AddTextStyle(long double height, long double width, std::int32_t font, long double angle);
    void AddText(long double x, long double y, std::string_view text);
    // Parses one record line (a trailing CR is dropped).
    void AddLine(std::string_view line);

    void Clear();
    // Takes the records of another list (its generation moves on, never back).
    void Replace(TDisplayList&& other);
    int Count() const { return static_cast<int>(records_.size()); }
    bool Empty() const { return records_.empty(); }
    // Changes with every change of the list.
    std::uint64_t Generation() const { return generation_; }

    // Text form of record i (0-based; std::out_of_range outside 0 .. Count - 1).
    std::string Line(int i) const;
    std::vector<std::string> Lines() const;
    // Every line followed by CR LF; SetText reads lines with any line end.
    std::string Text() const;
    void SetText(std::string_view text);

    // Replay access.
    const std::vector<Record>& Records() const { return records_; }
    const double* Values(const Record& r) const { return values_.data() + r.First; }
    const std::string& TextOf(const Record& r) const { return texts_.at(r.Text); }
    // Number of values a record of this code holds (0 for codes without a layout).
    static int ValueCount(int code);

private:
    void Push(int code, std::uint32_t first, std::uint32_t text);
    void AddRaw(std::string_view line);
    std::vector<Record> records_;
    std::vector<double> values_;
    std::vector<std::string> texts_;
    std::uint64_t generation_ = 0;
};

// Created by the drawing device's Init and freed by its Done (draw_device.h). While it is
// nullptr the recording operations record nothing (the view state still changes).
extern TDisplayList* DisplayList;

// ---- view state ------------------------------------------------------------------------------

struct TViewport {
    std::int32_t X1, Y1, X2, Y2; // pixels of the virtual screen; Y1 top, Y2 bottom
    friend bool operator==(const TViewport&, const TViewport&) = default;
};
struct TWorldWindow {
    long double XMin, YMin, XMax, YMax;
    friend bool operator==(const TWorldWindow&, const TWorldWindow&) = default;
};
struct TDragRect {
    std::int32_t X1, Y1, X2, Y2; // start and end of the mouse zoom drag, client pixels
    friend bool operator==(const TDragRect&, const TDragRect&) = default;
};

class TFkelmgra;
extern TFkelmgra* DrawWindow;      // the drawing window (the main window), nullptr before it exists
extern std::uint8_t DrawToPrinter; // the replay draws on the printer
extern TViewport Viewport;
extern TWorldWindow WorldWindow;
extern TViewport SavedViewport;
extern TWorldWindow SavedLimits;
extern long double ScaleX; // pixels per world unit
extern long double ScaleY;
// The scales the printout maps onto the page: with KeepAspect the page is a 4:3 virtual screen
// (world units equally long on a 4:3 page), while the screen keeps its pixels square.
extern long double PageScaleX;
extern long double PageScaleY;
extern TDragRect DragRect;
// Pan request of the last key: 'H' up, 'P' down, 'K' left, 'M' right, 'I' page up, 'Q' page
// down, '?' reset, ' ' none. (LastKey is in globals.h.)
extern char PanKey;

// The largest distance of the zoom rectangle's corners from the origin, in virtual-screen pixels:
// zooming out and panning stop there instead of overflowing.
constexpr std::int32_t ZoomRectLimit = 1 << 24;

// Width and height of the virtual screen (the configured ScreenWidth and ScreenHeight; 640 x 480
// while they are not set).
int VirtualScreenWidth();
int VirtualScreenHeight();

// World to virtual-screen pixels with the mapping in force. [v] rounds half to even; values
// beyond the drawable range are clamped.
int PixelX(long double x);
int PixelY(long double y);
int LengthX(long double l);
int LengthY(long double l);
int ScreenFracX(long double f);
int ScreenFracY(long double f);
// And back: the world point a virtual-screen pixel shows.
long double WorldXOfPixel(long double px);
long double WorldYOfPixel(long double py);

// Resets the view state and the window's recording state to their start values (program start;
// tests).
void InitDrawWindowState();

// The view in force on a surface of Width x Height pixels (the window's client area, a picture):
// the virtual screen stretched onto the surface, so a drawing fits whatever the window's size;
// a drawing that keeps its aspect gets equal scales and is centred in its viewport. The
// printout keeps the virtual screen's page (PageScaleX/Y).
struct TScreenMapping {
    long double OriginX = 0, OriginY = 0; // surface point of (VisibleWindow.XMin, .YMin)
    long double ScaleX = 1, ScaleY = 1;   // surface pixels per world unit
    int X(long double x) const;
    int Y(long double y) const;
    int LenX(long double l) const;
    int LenY(long double l) const;
    long double WorldX(long double px) const;
    long double WorldY(long double py) const;
    static TScreenMapping Of(int width, int height);
};

// ---- pictures over the drawing ---------------------------------------------------------------
// Help pictures and the logo of the about box are shown in the drawing window over the drawing
// of the job. The first such picture keeps that drawing (list and view); it comes back when the
// window that asked for the picture closes: the dialog that was open then (its modal showing
// ends), or, with none open, at RestoreDrawingUnderPicture. A drawing made meanwhile stays.

// Before a picture clears the window.
void KeepDrawingUnderPicture();
// After the picture is recorded.
void PictureDrawn();
// The kept drawing back (and shown) when the picture is still what the window shows; the kept
// drawing is dropped either way.
void RestoreDrawingUnderPicture();
// True while a drawing is kept under a picture.
bool DrawingKeptUnderPicture();

// ---- the drawing window ----------------------------------------------------------------------

class TFkelmgra : public TForm {
public:
    explicit TFkelmgra(TComponent* AOwner);
    ~TFkelmgra() override;

    // Recording state of the one window (kept with the class so that recording works before
    // the window exists).
    static inline std::uint8_t TextSizeMode = 0;
    static inline std::int32_t CurrentColour = -1;     // last colour recorded by SetColor
    static inline std::uint16_t CurrentLineStyle = 99; // last style recorded
    static inline std::uint16_t CurrentLineWidth = 1;  // last width recorded
    static inline std::uint8_t StepMode = 0;           // pause at each colour-0 record
    // Mouse state of this window.
    std::uint8_t Dragging = 0;
    std::uint8_t DoubleClicked = 0;

    // ---- events
    void FormCreate(TObject* Sender);
    // The replay: into the window's back buffer, or onto the printer canvas while DrawToPrinter
    // is set (the graphic printout calls it between BeginDoc and EndDoc).
    void FormPaint(TObject* Sender);
    void FormDblClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
    void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    // key is a virtual-key code; keys without a meaning here change nothing.
    static void processKey(std::uint16_t key);
    // The rubber band on the window canvas, client pixels (logical).
    void DrawRectangle(int x1, int y1, int x2, int y2);

    // ---- window and view
    static void SetWindow(bool keepAspect, bool frame, long double vx1, long double vy1,
                          long double vx2, long double vy2, long double xmin, long double ymin,
                          long double xmax, long double ymax);
    static void Header(long double xmin, long double ymin, long double xmax, long double ymax);
    static void SetScale(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    static void SaveLimit();
    static void RestoreLimit();
    static void ReSetWindow();
    static void ResetZoom();
    static void SaveViewPort();
    static void RetrieveViewPort();
    static void Regen();
    static void Clear();
    static void ClearViewPort();
    static long double EinX(long double f);
    static long double EinY(long double f);

    // ---- recording
    static void circle(long double x, long double y, long double r);
    static void line(long double x1, long double y1, long double x2, long double y2);
    static void Arc(long double x, long double y, long double startAngle, long double endAngle,
                    long double r);
    static void Rectangle(long double x1, long double y1, long double x2, long double y2);
    static void Solid(long double x1, long double y1, long double x2, long double y2,
                      long double x3, long double y3, long double x4, long double y4);
    static void OutTextXY(std::string_view text, long double x, long double y);
    // SetColor of the drawing: the name SetColor is the form's background colour (TForm).
    static void SetColorIndex(std::int32_t c);
    static void SetColorAcad(std::uint8_t c);
    static std::int32_t GetColor();
    static std::uint8_t GetColorTurbo(std::uint8_t c);
    static void SetLineStyle(std::uint16_t s);
    static void SetLineStyleName(std::string_view name);
    static void SetLineWidth(std::uint16_t w);
    static void SleepMs(std::int32_t ms);
    static void SetTextStyle(std::int32_t font, long double angle, long double height,
                             long double width);
    static void SetTextSizeMode(std::uint8_t b);
    static int GetDirection(long double angle);
    static void DrawKelmoraLogo();

    // ---- direct drawing on the window (mapped, not recorded)
    static void LineTo(long double x, long double y);
    static void MoveTo(long double x, long double y);

    static void SetWaitCursor();
    static void SetOldCursor();

    // Replays the list onto a canvas of width x height pixels through the screen mapping (what
    // the window shows); pen widths are multiplied by pixelRatio (device pixels per pixel).
    // Used for the window's buffer, pictures of the drawing and the benchmark.
    static void ReplayToCanvas(TCanvas& canvas, int width, int height, double pixelRatio = 1);
    // The mapping of the window's client area (device pixels) and its pixel ratio.
    TScreenMapping ClientMapping() const;
    // The drawing as the window shows it, ScreenWidth + 1 by ScreenHeight + 1 pixels, saved as
    // a PNG (or BMP/JPEG by extension). False when it could not be written.
    static bool SaveDrawingPicture(const std::string& path);

private:
    void PaintBuffer(TObject* Sender);
};

// How wide the drawing window and its printouts draw a text: its advance in the graphics font
// (GraphicsFont, GraphicsTextStyle) in units of that font's average character width, which the
// window makes the width a text style gives. Without a GUI application (batch modes) the widths
// of the font the default "Arial" stands for here (Liberation Sans).
long double GraphicsTextAdvance(std::string_view text);
// Those widths of that default font.
long double DefaultFontAdvance(std::string_view text);
