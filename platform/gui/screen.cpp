#include "platform/gui/screen.h"

#include "platform/gui/canvas.h"
#include "platform/gui/canvas_qt.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

QGuiApplication* GuiApp() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
}

QScreen* PrimaryScreen() {
    if (GuiApp() == nullptr) return nullptr;
    return QGuiApplication::primaryScreen();
}

Qt::CursorShape ShapeFor(TCursor c) {
    switch (c) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

int TScreen::Width() const {
    if (QScreen* s = PrimaryScreen()) return s->geometry().width();
    return 640;
}

int TScreen::Height() const {
    if (QScreen* s = PrimaryScreen()) return s->geometry().height();
    return 480;
}

void TScreen::WorkArea(int& left, int& top, int& width, int& height) const {
    left = top = 0;
    width = Width();
    height = Height();
    if (QScreen* s = PrimaryScreen()) {
        const QRect a = s->availableGeometry();
        if (a.width() > 0 && a.height() > 0) {
            left = a.left(), top = a.top(), width = a.width(), height = a.height();
        }
    }
}

int TScreen::PixelsPerInch() const {
    if (QScreen* s = PrimaryScreen()) {
        const double dpi = s->logicalDotsPerInchY();
        if (std::isfinite(dpi) && dpi >= 24 && dpi <= 2400)
            return static_cast<int>(std::lround(dpi));
    }
    return 96;
}

void TScreen::SetCursor(TCursor c) {
    cursor_ = c;
    if (GuiApp() == nullptr) {
        overridden_ = false;
        return;
    }
    if (c == crDefault) {
        if (overridden_) QGuiApplication::restoreOverrideCursor();
        overridden_ = false;
        return;
    }
    const QCursor qc(ShapeFor(c));
    if (overridden_) {
        QGuiApplication::changeOverrideCursor(qc);
    } else {
        QGuiApplication::setOverrideCursor(qc);
        overridden_ = true;
    }
}

std::vector<std::string> TScreen::Fonts() const {
    std::vector<std::string> out;
    if (GuiApp() == nullptr) return out;
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    for (const QString& f : families)
        out.push_back(f.toStdString());
    return out;
}

TScreen* Screen() {
    static TScreen screen;
    return &screen;
}

// ---------------------------------------------------------------------------------------------

namespace {
QClipboard* QtClipboard() {
    if (GuiApp() == nullptr) return nullptr;
    return QGuiApplication::clipboard();
}
} // namespace

bool TClipboard::HasText() const {
    QClipboard* c = QtClipboard();
    if (c == nullptr) return false;
    const QMimeData* m = c->mimeData();
    return m != nullptr && m->hasText();
}

std::string TClipboard::AsText() const {
    QClipboard* c = QtClipboard();
    if (c == nullptr) return {};
    return c->text().toStdString();
}

void TClipboard::SetAsText(const std::string& text) {
    if (QClipboard* c = QtClipboard()) c->setText(QString::fromStdString(text));
}

bool TClipboard::HasImage() const {
    QClipboard* c = QtClipboard();
    if (c == nullptr) return false;
    const QMimeData* m = c->mimeData();
    return m != nullptr && m->hasImage();
}

bool TClipboard::GetImage(TBitmap& bitmap) const {
    QClipboard* c = QtClipboard();
    if (c == nullptr) return false;
    const QImage img = c->image();
    if (img.isNull()) return false;
    if (!bitmap.SetSize(img.width(), img.height())) return false;
    QImage& target = BitmapImage(bitmap);
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, img);
    return true;
}

void TClipboard::SetImage(const TBitmap& bitmap) {
    if (QClipboard* c = QtClipboard()) c->setImage(BitmapImage(bitmap).copy());
}

void TClipboard::Clear() {
    if (QClipboard* c = QtClipboard()) c->clear();
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}

void Beep() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) QApplication::beep();
}
