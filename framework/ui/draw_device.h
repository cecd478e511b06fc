#pragma once
// The procedural drawing interface. The CAD layer's screen output, the HP-GL interpreter and the
// help pictures draw through the one device DrawDevice, which owns the display list and forwards
// every call to the drawing window (drawing_window.h). It also converts DOS texts, maps pen numbers
// to the 16 colours and offers a file check and the busy cursor.
//
// The operations work whether or not the drawing window exists: recording needs only the list.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TDisplayList;

class TDrawDevice {
public:
    // Init: creates DisplayList (drawing_window.h); Done (the destructor) frees it. A second device
    // takes the list over; the first then frees only its own.
    TDrawDevice();
    virtual ~TDrawDevice();
    TDrawDevice(const TDrawDevice&) = delete;
    TDrawDevice& operator=(const TDrawDevice&) = delete;

    void ClearDevice();
    void SetDrawWindow(bool keepAspect, bool frame, long double vx1, long double vy1,
                       long double vx2, long double vy2, long double xmin, long double ymin,
                       long double xmax, long double ymax);
    void DrawHeader(long double xmin, long double ymin, long double xmax, long double ymax);
    void ClearDrawArea();
    void DrawLine(long double x1, long double y1, long double x2, long double y2);
    void DrawCircle(long double x, long double y, long double r);
    // Degrees, counter-clockwise from startAngle to endAngle.
    void DrawArc(long double x, long double y, long double startAngle, long double endAngle,
                 long double r);
    void DrawSolid(long double x1, long double y1, long double x2, long double y2, long double x3,
                   long double y3, long double x4, long double y4);
    // text as stored in the DOS code page (UTF-8 inside); shown as OemToAnsiString gives it.
    void DrawText(std::string_view text, long double x, long double y);
    void SetDrawColor(std::int32_t c); // 0..16
    void SetPenColor(std::uint8_t c);  // pen or ACAD colour number
    static std::uint8_t MapPenColour(std::uint8_t c);
    void SetDrawLineStyle(std::uint16_t s); // 0..3
    void SetDrawTextStyle(std::int32_t font, long double angle, long double height,
                          long double width);
    void DrawLogo();
    // The text in the plain message window.
    void ShowText(std::string_view text);
    // AbortFlag := 1 and "<name without blanks> not found !" when the file cannot be opened for
    // reading; AbortFlag untouched otherwise.
    void CheckInputFile(std::string_view name);
    void WaitCursor();
    void NormalCursor();
    void EmptyDrawHook() {}

private:
    std::unique_ptr<TDisplayList> list_;
};

// The one device: created by the main window before anything is drawn, freed at exit.
extern TDrawDevice* DrawDevice;

// The current job file's full name: "" without a current file, the bare name in archive mode,
// else DataDir + name + "." + DataFileExt.
std::string OutputFileName();
