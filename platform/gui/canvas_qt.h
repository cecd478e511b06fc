#pragma once
// Qt side of the canvas, for platform/gui only: binding a canvas to a paint device (a window's
// back buffer image, a widget inside its paint event, the printer) and conversions.

#include "platform/gui/canvas.h"

#include <QColor>
#include <QFont>

class QImage;
class QPaintDevice;
class QPainter;

// Binds the canvas to a device (nullptr unbinds). Ends any painting on the previous device.
// pixelsPerInch 0 takes the device's own logical resolution. The canvas begins painting lazily
// at its first drawing call and keeps the painter open until CanvasRelease, a new binding or its
// destruction, so long replays do not pay for a painter per primitive.
void CanvasSetDevice(TCanvas& canvas, QPaintDevice* device, int pixelsPerInch = 0);
QPaintDevice* CanvasDevice(const TCanvas& canvas);

// Ends the open painter, if any: call before resizing, copying or saving the device's image
// and before a printer page or job ends. The next drawing call begins again.
void CanvasRelease(TCanvas& canvas);

// Begins painting now (false when the device refuses, e.g. a printer that cannot start).
bool CanvasBegin(TCanvas& canvas);

// The open painter (begun if need be), with the canvas's pen, brush and font applied; nullptr
// when unbound or the device refuses. For Qt code that draws beside the canvas calls.
QPainter* CanvasPainter(TCanvas& canvas);

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// The Qt font for a canvas font on a device of the given resolution (pixel sized, with the
// width, style, pitch and the common Windows face names mapped to installed faces).
QFont ToQFont(const TFont& font, int pixelsPerInch);
// Fills a canvas font from a Qt font (points when the Qt font has a point size).
void FromQFont(const QFont& qfont, TFont& font);

// The image behind a bitmap (for controls that show one).
QImage& BitmapImage(TBitmap& bitmap);
const QImage& BitmapImage(const TBitmap& bitmap);
