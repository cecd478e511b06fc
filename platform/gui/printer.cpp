#include "platform/gui/printer.h"

#include "platform/gui/canvas_qt.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool HaveGuiApp() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// PDF output at a typical laser printer's resolution keeps pixel sizes like a real printer's.
constexpr int kPdfResolution = 600;

int Round(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(std::lround(v), -2147483647L, 2147483647L));
}

// path, and the cause of a failure on it in words.
std::string CauseOn(const std::string& path, int code) {
    return path + ": " + os::ErrorCauseText(code, path);
}

// "" when the draft of a PDF file is whole: it ends with "%%EOF", and the "startxref" before
// that points at the cross-reference table inside the file. Qt does not tell when its writes
// failed (a full disk, a file-size limit), so the file itself is asked.
std::string PdfWholeness(int fd, std::uint64_t size) {
    if (size == 0) return "the PDF file came out empty";
    constexpr std::uint64_t kTail = 1024;
    const std::uint64_t from = size > kTail ? size - kTail : 0;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    if (::pread(fd, tail.data(), tail.size(), static_cast<off_t>(from)) !=
        static_cast<ssize_t>(tail.size()))
        return "the PDF file cannot be read back";
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
        tail.pop_back();
    const std::size_t eof = tail.size() >= 5 ? tail.size() - 5 : std::string::npos;
    if (eof == std::string::npos || tail.compare(eof, 5, "%%EOF") != 0)
        return "the PDF file has no end (%%EOF)";
    const std::size_t start = tail.rfind("startxref", eof);
    unsigned long long xref = 0;
    if (start == std::string::npos || std::sscanf(tail.c_str() + start + 9, "%llu", &xref) != 1 ||
        xref + 4 > size)
        return "the PDF file has no cross-reference table";
    char head[4] = {};
    if (::pread(fd, head, 4, static_cast<off_t>(xref)) != 4 || std::memcmp(head, "xref", 4) != 0)
        return "the PDF file has no cross-reference table";
    return {};
}

} // namespace

namespace {
void ReleaseProgramPrinter();
} // namespace

struct TPrinter::Impl {
    std::unique_ptr<QPrinter> printer;
    TPrinterOrientation orientation = poPortrait;
    int copies = 1;

    // The Qt printer set up for the current choice; nullptr without a GUI application.
    QPrinter* Get(const TPrinter& owner) {
        if (!HaveGuiApp()) return nullptr;
        if (!printer) {
            printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            if (&owner == Printer()) qAddPostRoutine(ReleaseProgramPrinter);
        }
        if (!owner.Printing()) Configure(owner);
        return printer.get();
    }

    // Ends any job and drops the Qt printer (before the Qt application goes away).
    void Release(TPrinter& owner) {
        if (owner.Printing()) owner.Abort();
        printer.reset();
    }

    void Configure(const TPrinter& owner) {
        QPrinter& p = *printer;
        if (!owner.OutputFileName().empty()) {
            if (p.outputFormat() != QPrinter::PdfFormat) p.setOutputFormat(QPrinter::PdfFormat);
            p.setResolution(kPdfResolution);
            p.setFullPage(false);
            p.setPageSize(QPageSize(QPageSize::A4));
            p.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        } else {
            if (p.outputFormat() != QPrinter::NativeFormat)
                p.setOutputFormat(QPrinter::NativeFormat);
            const std::string name = owner.PrinterName();
            if (p.printerName().toStdString() != name)
                p.setPrinterName(QString::fromStdString(name));
        }
        p.setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
        p.setCopyCount(copies);
    }
};

TPrinter::TPrinter() : impl_(std::make_unique<Impl>()) {}

TPrinter::~TPrinter() {
    if (printing_) Abort();
}

void TPrinter::Fail(const std::string& message) {
    lastError_ = message;
}

namespace {
std::vector<std::string> SystemPrintQueues() {
    std::vector<std::string> out;
    if (!HaveGuiApp()) return out;
    for (const QString& n : QPrinterInfo::availablePrinterNames())
        out.push_back(n.toStdString());
    return out;
}
} // namespace

PrintQueuesFunc PrintQueues = &SystemPrintQueues;

std::vector<std::string> TPrinter::Printers() const {
    return PrintQueues != nullptr ? PrintQueues() : SystemPrintQueues();
}

bool TPrinter::HasTarget() const {
    return !outputFile_.empty() || !Printers().empty();
}

bool TPrinter::SetPrinterIndex(int index) {
    if (printing_) {
        Fail("Printing in progress");
        return false;
    }
    const auto list = Printers();
    if (index < -1 || index >= static_cast<int>(list.size())) {
        Fail("Printer index out of range");
        return false;
    }
    index_ = index;
    return true;
}

int TPrinter::PrinterIndex() const {
    if (index_ >= 0) return index_;
    if (!HaveGuiApp()) return -1;
    const auto list = Printers();
    const std::string def = QPrinterInfo::defaultPrinterName().toStdString();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == def) return static_cast<int>(i);
    return -1;
}

bool TPrinter::SetPrinterByName(const std::string& name) {
    if (name.empty()) return SetPrinterIndex(-1);
    const auto list = Printers();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == name) return SetPrinterIndex(static_cast<int>(i));
    Fail("There is no printer named " + name);
    return false;
}

std::string TPrinter::PrinterName() const {
    if (!outputFile_.empty()) return "PDF";
    if (!HaveGuiApp()) return {};
    if (index_ >= 0) {
        const auto list = Printers();
        if (index_ < static_cast<int>(list.size())) return list[static_cast<std::size_t>(index_)];
    }
    return QPrinterInfo::defaultPrinterName().toStdString();
}

TPrinterOrientation TPrinter::Orientation() const {
    return impl_->orientation;
}

bool TPrinter::SetOrientation(TPrinterOrientation o) {
    if (printing_) {
        Fail("Printing in progress");
        return false;
    }
    impl_->orientation = o;
    return true;
}

int TPrinter::Copies() const {
    return impl_->copies;
}

void TPrinter::SetCopies(int copies) {
    impl_->copies = std::clamp(copies, 1, 999);
}

bool TPrinter::SetOutputFileName(const std::string& path) {
    if (printing_) {
        Fail("Printing in progress");
        return false;
    }
    outputFile_ = path;
    return true;
}

int TPrinter::PageWidth() const {
    QPrinter* p = impl_->Get(*this);
    return p == nullptr ? 0 : p->width();
}

int TPrinter::PageHeight() const {
    QPrinter* p = impl_->Get(*this);
    return p == nullptr ? 0 : p->height();
}

int TPrinter::Resolution() const {
    QPrinter* p = impl_->Get(*this);
    return p == nullptr ? 0 : p->resolution();
}

bool TPrinter::BeginDoc() {
    lastError_.clear();
    if (printing_) {
        Fail("Printing in progress");
        return false;
    }
    QPrinter* p = impl_->Get(*this);
    if (p == nullptr) {
        Fail("No printer is available without a display");
        return false;
    }
    if (!outputFile_.empty()) {
        // The one way files are replaced: a draft beside the file (a device, a pipe or a
        // folder in its place is refused here), put in place at EndDoc once it is whole.
        if (const int rc = os::BeginReplace(outputFile_, replace_); rc != 0) {
            Fail(CauseOn(outputFile_, rc));
            return false;
        }
        p->setOutputFileName(QString::fromStdString(replace_.Draft));
    } else {
        p->setOutputFileName(QString());
        if (PrinterName().empty()) {
            Fail("There is no default printer currently selected");
            return false;
        }
    }
    p->setDocName(QString::fromStdString(Title));
    p->setCreator(QStringLiteral("qor1w"));
    CanvasSetDevice(canvas_, p, p->resolution());
    if (!CanvasBegin(canvas_)) {
        CanvasSetDevice(canvas_, nullptr, p->resolution());
        Fail("Printing could not be started on " +
             (outputFile_.empty() ? PrinterName() : outputFile_));
        os::AbandonReplace(replace_);
        return false;
    }
    printing_ = true;
    aborted_ = false;
    page_ = 1;
    return true;
}

bool TPrinter::NewPage() {
    if (!printing_) {
        Fail("Printer is not currently printing");
        return false;
    }
    if (!impl_->printer->newPage()) {
        Fail("A new page could not be started");
        return false;
    }
    ++page_;
    return true;
}

bool TPrinter::EndDoc() {
    if (!printing_) {
        Fail("Printer is not currently printing");
        return false;
    }
    QPrinter* p = impl_->printer.get();
    CanvasRelease(canvas_);
    CanvasSetDevice(canvas_, nullptr, p->resolution());
    printing_ = false;
    if (replace_.Draft.empty()) {
        if (p->printerState() == QPrinter::Error) {
            Fail("The print job failed on " + PrinterName());
            return false;
        }
        return true;
    }
    p->setOutputFileName(QString()); // Qt closes the draft
    // The PDF replaces the file only when it is whole, whatever Qt's state says.
    int rc = p->printerState() == QPrinter::Error ? os::NoteIncompleteWrite(replace_.Target, 0) : 0;
    const bool existed = ::access(replace_.Target.c_str(), F_OK) == 0;
    if (rc == 0) rc = os::CommitReplace(replace_, -1, &PdfWholeness);
    os::AbandonReplace(replace_);
    if (rc != 0) {
        Fail("The print job failed on " + CauseOn(outputFile_, rc) +
             (existed ? ". The existing file was kept." : "."));
        return false;
    }
    return true;
}

void TPrinter::Abort() {
    if (!printing_) return;
    QPrinter* p = impl_->printer.get();
    p->abort();
    CanvasRelease(canvas_);
    CanvasSetDevice(canvas_, nullptr, p->resolution());
    printing_ = false;
    aborted_ = true;
    if (!replace_.Draft.empty()) {
        p->setOutputFileName(QString());
        os::AbandonReplace(replace_);
    }
}

TPrinterCapabilities TPrinter::Capabilities() const {
    TPrinterCapabilities c;
    QPrinter* p = impl_->Get(*this);
    if (p == nullptr) return c;
    c.Name = PrinterName();
    c.DriverVersion = std::string("Qt ") + qVersion();
    c.Technology = 2;
    const int res = p->resolution();
    const QPageLayout layout = p->pageLayout();
    const QRectF paintMm = layout.paintRect(QPageLayout::Millimeter);
    c.WidthMm = Round(paintMm.width());
    c.HeightMm = Round(paintMm.height());
    c.WidthPixels = p->width();
    c.HeightPixels = p->height();
    const QRect paintPx = layout.paintRectPixels(res);
    c.OffsetXPixels = paintPx.left();
    c.OffsetYPixels = paintPx.top();
    c.DpiX = p->logicalDpiX();
    c.DpiY = p->logicalDpiY();
    c.Colors = p->colorMode() == QPrinter::Color ? -1 : 2;
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    for (const QString& f : families)
        c.Fonts.push_back(f.toStdString());
    return c;
}

namespace {
// The program's printer outlives the Qt application object; its Qt printer must not.
void ReleaseProgramPrinter() {
    Printer()->impl().Release(*Printer());
}
} // namespace

TPrinter* Printer() {
    static TPrinter printer;
    return &printer;
}

namespace {
// sRGB components (0..255) to linear light and back.
double Linear(int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
int Encoded(double lin) {
    const double c = lin <= 0.0031308 ? lin * 12.92 : 1.055 * std::pow(lin, 1 / 2.4) - 0.055;
    return std::clamp(static_cast<int>(std::lround(c * 255)), 0, 255);
}
} // namespace

TColor ColourOnPaper(TColor c) {
    if (c < 0 || c > 0xFFFFFF) return c; // no RGB colour
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    const double lr = Linear(r), lg = Linear(g), lb = Linear(b);
    const double luminance = 0.2126 * lr + 0.7152 * lg + 0.0722 * lb;
    // Contrast against white (1.05 / (L + 0.05)) below 3:1: too light for a line on paper.
    constexpr double kLightest = 0.30;
    // Darkened to a contrast of 4.5:1, enough for thin lines and small text.
    constexpr double kTarget = 0.18;
    if (luminance <= kLightest) return c;
    const double f = kTarget / luminance;
    return static_cast<TColor>(Encoded(lr * f) | (Encoded(lg * f) << 8) | (Encoded(lb * f) << 16));
}
