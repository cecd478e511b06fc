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
#include <sys/resource.h>
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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// A new empty file beside path for the job to write (a draft a signal removes); its name in
// tmp.
bool CreateTempBeside(const std::string& path, std::string& tmp, std::string& error) {
    const std::string base = path.substr(path.find_last_of('/') + 1);
    if (const int rc = os::CreateTempFile(FolderOf(path), "." + base + ".", tmp, ".tmp"); rc != 0) {
        error = CauseOn(path, rc);
        return false;
    }
    struct stat st {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(tmp.c_str(), mode);
    return true;
}

bool FlushAndRename(const std::string& tmp, const std::string& path, std::string& error) {
    const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = CauseOn(path, os::ErrnoToDosForPath(errno, tmp.c_str()));
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    if (const int rc = os::RenameOver(tmp, path); rc != 0) {
        error = CauseOn(path, rc);
        return false;
    }
    // The new name must survive a crash as well as the contents.
    const std::string dir = FolderOf(path);
    const int dfd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

// Why writing the job into file failed, when the file system tells: Qt only says that it did.
std::string WriteFailureCause(const std::string& file) {
    rlimit limit{};
    const bool limited = ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    std::uint64_t free = 0;
    if (!limited && (os::FreeDiskSpace(FolderOf(file), free) != 0 || free > (1u << 20))) return {};
    return ": " + os::ErrorCauseText(os::NoteCode(os::kErrWriteFault), file);
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
        if (!CreateTempBeside(outputFile_, tempFile_, lastError_)) return false;
        p->setOutputFileName(QString::fromStdString(tempFile_));
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
        if (!tempFile_.empty()) {
            ::unlink(tempFile_.c_str());
            tempFile_.clear();
        }
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
    bool ok = p->printerState() != QPrinter::Error;
    if (!ok)
        Fail("The print job failed on " +
             (outputFile_.empty() ? PrinterName() : outputFile_ + WriteFailureCause(tempFile_)));
    if (!tempFile_.empty()) {
        p->setOutputFileName(QString());
        if (ok) ok = FlushAndRename(tempFile_, outputFile_, lastError_);
        if (!ok) ::unlink(tempFile_.c_str());
        tempFile_.clear();
    }
    return ok;
}

void TPrinter::Abort() {
    if (!printing_) return;
    QPrinter* p = impl_->printer.get();
    p->abort();
    CanvasRelease(canvas_);
    CanvasSetDevice(canvas_, nullptr, p->resolution());
    printing_ = false;
    aborted_ = true;
    if (!tempFile_.empty()) {
        p->setOutputFileName(QString());
        ::unlink(tempFile_.c_str());
        tempFile_.clear();
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
