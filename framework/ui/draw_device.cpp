// The procedural drawing interface over the drawing window.
#include "framework/ui/draw_device.h"

#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/screen.h"
#include "platform/os/errors.h"

TDrawDevice* DrawDevice = nullptr;

TDrawDevice::TDrawDevice() : list_(std::make_unique<TDisplayList>()) {
    DisplayList = list_.get();
}

TDrawDevice::~TDrawDevice() {
    if (DisplayList == list_.get()) DisplayList = nullptr;
    if (DrawDevice == this) DrawDevice = nullptr;
}

void TDrawDevice::ClearDevice() {
    TFkelmgra::Clear();
}

void TDrawDevice::SetDrawWindow(bool keepAspect, bool frame, long double vx1, long double vy1,
                                long double vx2, long double vy2, long double xmin,
                                long double ymin, long double xmax, long double ymax) {
    TFkelmgra::SetWindow(keepAspect, frame, vx1, vy1, vx2, vy2, xmin, ymin, xmax, ymax);
}

void TDrawDevice::DrawHeader(long double xmin, long double ymin, long double xmax,
                             long double ymax) {
    TFkelmgra::Header(xmin, ymin, xmax, ymax);
}

void TDrawDevice::ClearDrawArea() {
    TFkelmgra::ClearViewPort();
}

void TDrawDevice::DrawLine(long double x1, long double y1, long double x2, long double y2) {
    TFkelmgra::line(x1, y1, x2, y2);
}

void TDrawDevice::DrawCircle(long double x, long double y, long double r) {
    TFkelmgra::circle(x, y, r);
}

void TDrawDevice::DrawArc(long double x, long double y, long double startAngle,
                          long double endAngle, long double r) {
    TFkelmgra::Arc(x, y, startAngle, endAngle, r);
}

void TDrawDevice::DrawSolid(long double x1, long double y1, long double x2, long double y2,
                            long double x3, long double y3, long double x4, long double y4) {
    TFkelmgra::Solid(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TDrawDevice::DrawText(std::string_view text, long double x, long double y) {
    TFkelmgra::OutTextXY(OemToAnsiString(text), x, y);
}

void TDrawDevice::SetDrawColor(std::int32_t c) {
    TFkelmgra::SetColorIndex(c);
}

std::uint8_t TDrawDevice::MapPenColour(std::uint8_t c) {
    return TFkelmgra::GetColorTurbo(c);
}

void TDrawDevice::SetPenColor(std::uint8_t c) {
    SetDrawColor(MapPenColour(c));
}

void TDrawDevice::SetDrawLineStyle(std::uint16_t s) {
    TFkelmgra::SetLineStyle(s);
}

void TDrawDevice::SetDrawTextStyle(std::int32_t font, long double angle, long double height,
                                   long double width) {
    TFkelmgra::SetTextStyle(font, angle, height, width);
}

void TDrawDevice::DrawLogo() {
    TFkelmgra::DrawKelmoraLogo();
}

void TDrawDevice::ShowText(std::string_view text) {
    ShowMessageDialog(text);
}

void TDrawDevice::CheckInputFile(std::string_view name) {
    SharedTextFile.Assign(name);
    if (const int rc = SharedTextFile.Reset(); rc != 0) {
        // A name that is there but no file to read (a folder, a pipe, a device) says so.
        ShowText(rc == os::kErrFileNotFound || rc == os::kErrPathNotFound
                     ? WithoutBlanks(name) + " not found !"
                     : FileReadProblem(std::string(name), rc));
        AbortFlag = 1;
        return;
    }
    SharedTextFile.Close();
}

void TDrawDevice::WaitCursor() {
    Screen()->SetCursor(crHourGlass);
}
void TDrawDevice::NormalCursor() {
    TFkelmgra::SetOldCursor();
}

std::string OutputFileName() {
    return CurrentDataFile();
}
