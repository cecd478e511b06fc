#include "platform/gui/dialogs.h"

#include "platform/gui/application.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/printer.h"
#include "platform/gui/qtbridge.h"
#include "platform/gui/responder.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cctype>

using guiqt::Q;
using guiqt::S;

// ---- TCommonDialog ------------------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* AOwner, TCommonDialogKind kind)
    : TComponent(AOwner), FKind(kind) {}

bool TCommonDialog::Execute() {
    BeforeExecute();
    bool accepted;
    if (ModalResponder* r = CurrentModalResponder()) {
        accepted = r->RespondDialog(*this);
    } else if (!Application->Interactive()) {
        BatchResponder batch;
        accepted = batch.RespondDialog(*this);
    } else {
        accepted = ExecuteInteractive();
    }
    if (accepted) Accepted();
    return accepted;
}

std::string TCommonDialog::Describe() const {
    return Title;
}

// ---- TOpenDialog --------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner, dkOpen) {}
TOpenDialog::TOpenDialog(TComponent* AOwner, TCommonDialogKind kind) : TCommonDialog(AOwner, kind) {
    FSave = kind == dkSave;
}

TSaveDialog::TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner, dkSave) {
    Options |= ofOverwritePrompt;
}

std::vector<std::pair<std::string, std::vector<std::string>>>
TOpenDialog::ParseFilter(std::string_view filter) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= filter.size(); ++i) {
        if (i == filter.size() || filter[i] == '|') {
            parts.emplace_back(filter.substr(start, i - start));
            start = i + 1;
        }
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::vector<std::string> masks;
        std::string_view m = parts[i + 1];
        std::size_t s = 0;
        for (std::size_t j = 0; j <= m.size(); ++j) {
            if (j == m.size() || m[j] == ';') {
                std::string one(m.substr(s, j - s));
                one.erase(0, one.find_first_not_of(' '));
                one.erase(one.find_last_not_of(' ') + 1);
                if (!one.empty()) masks.push_back(one);
                s = j + 1;
            }
        }
        out.emplace_back(parts[i], std::move(masks));
    }
    // A lone mask without a description stands for itself.
    if (parts.size() % 2 == 1 && !parts.back().empty() && parts.size() == 1)
        out.emplace_back(parts.back(), std::vector<std::string>{parts.back()});
    return out;
}

std::string TOpenDialog::QtFilter(std::string_view filter) {
    std::string out;
    for (const auto& [description, masks] : ParseFilter(filter)) {
        std::vector<std::string> all;
        auto add = [&all](const std::string& m) {
            if (std::find(all.begin(), all.end(), m) == all.end()) all.push_back(m);
        };
        for (const auto& m : masks) {
            if (m == "*.*") {
                add("*");
                continue;
            }
            add(m);
            std::string lower = m, upper = m;
            for (auto& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (auto& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            add(lower);
            add(upper);
        }
        if (!out.empty()) out += ";;";
        // Qt reads the masks from the parentheses; a description may not hold its own.
        std::string desc = description;
        std::replace(desc.begin(), desc.end(), '(', '[');
        std::replace(desc.begin(), desc.end(), ')', ']');
        out += desc + " (";
        for (std::size_t i = 0; i < all.size(); ++i)
            out += (i ? " " : "") + all[i];
        out += ")";
    }
    return out;
}

std::string TOpenDialog::WithDefaultExt(std::string_view name) const {
    std::string n(name);
    if (DefaultExt.empty() || n.empty()) return n;
    const auto slash = n.rfind('/');
    const auto dot = n.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return n;
    return n + "." + DefaultExt;
}

void TOpenDialog::Choose(std::string_view path) {
    FileName = WithDefaultExt(path);
    Files = {FileName};
}

std::string TOpenDialog::Describe() const {
    std::string what = FSave ? "save file" : "open file";
    if (!Title.empty()) what += " \"" + Title + "\"";
    if (!Filter.empty()) what += " [" + Filter + "]";
    if (!InitialDir.empty()) what += " in " + InitialDir;
    return what;
}

bool TOpenDialog::ExecuteInteractive() {
    QFileDialog dlg(nullptr, Q(Title));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(FSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (FSave) {
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !(Options & ofOverwritePrompt));
    } else {
        dlg.setFileMode((Options & ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                        : (Options & ofFileMustExist)  ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    }
    const QStringList filters = Q(QtFilter(Filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int index = std::clamp(FilterIndex, 1, static_cast<int>(filters.size())) - 1;
        dlg.selectNameFilter(filters[index]);
    }
    if (!InitialDir.empty()) dlg.setDirectory(Q(InitialDir));
    if (!DefaultExt.empty()) dlg.setDefaultSuffix(Q(DefaultExt));
    if (!FileName.empty()) dlg.selectFile(Q(FileName));
    if (dlg.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty()) return false;
    Files.clear();
    for (const QString& f : chosen)
        Files.push_back(WithDefaultExt(S(f)));
    FileName = Files.front();
    FilterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    return true;
}

// ---- TDirectoryDialog ---------------------------------------------------------------------------

TDirectoryDialog::TDirectoryDialog(TComponent* AOwner) : TCommonDialog(AOwner, dkDirectory) {}

std::string TDirectoryDialog::Describe() const {
    return "choose directory" + (Title.empty() ? std::string() : " \"" + Title + "\"") +
           (Directory.empty() ? std::string() : " from " + Directory);
}

bool TDirectoryDialog::ExecuteInteractive() {
    const QString dir = QFileDialog::getExistingDirectory(nullptr, Q(Title), Q(Directory),
                                                          QFileDialog::ShowDirsOnly |
                                                              QFileDialog::DontUseNativeDialog);
    if (dir.isEmpty()) return false;
    Directory = S(dir);
    return true;
}

// ---- TPrintDialog -------------------------------------------------------------------------------

TPrintDialog::TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner, dkPrint) {}

int TPrintDialog::FirstPage() const {
    if (PrintRange == prPageNums) return std::max(FromPage, std::max(MinPage, 1));
    return std::max(MinPage, 1);
}

int TPrintDialog::LastPage() const {
    if (PrintRange == prPageNums) return MaxPage > 0 ? std::min(ToPage, MaxPage) : ToPage;
    return MaxPage;
}

std::string TPrintDialog::Describe() const {
    std::string d = "print";
    if (MaxPage > 0) d += " pages " + std::to_string(MinPage) + ".." + std::to_string(MaxPage);
    return d;
}

void TPrintDialog::BeforeExecute() {
    TPrinter& p = *Printer();
    Printers = p.Printers();
    ToFile = !p.OutputFileName().empty();
    FileName = p.OutputFileName();
    PrinterName = ToFile ? std::string() : p.PrinterName();
}

void TPrintDialog::Accepted() {
    TPrinter& p = *Printer();
    if (ToFile && !FileName.empty()) {
        p.SetOutputFileName(FileName);
    } else {
        p.SetOutputFileName("");
        if (!PrinterName.empty() && PrinterName != p.PrinterName()) p.SetPrinterByName(PrinterName);
    }
    p.SetCopies(std::max(Copies, 1));
}

bool TPrintDialog::ExecuteInteractive() {
    QPrinter printer;
    if (ToFile) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Q(FileName));
    } else if (!PrinterName.empty()) {
        printer.setPrinterName(Q(PrinterName));
    }
    printer.setCopyCount(std::max(Copies, 1));
    QPrintDialog dlg(&printer);
    QAbstractPrintDialog::PrintDialogOptions opts = QAbstractPrintDialog::PrintShowPageSize;
    if (Options & poPageNums) opts |= QAbstractPrintDialog::PrintPageRange;
    if (Options & poSelection) opts |= QAbstractPrintDialog::PrintSelection;
    // The PDF file is always offered: without it a computer with no print queue gets an empty
    // list, and a PDF file chosen before could not be shown as the choice in use.
    opts |= QAbstractPrintDialog::PrintToFile;
    dlg.setOptions(opts);
    if (MaxPage > 0) dlg.setMinMax(std::max(MinPage, 1), MaxPage);
    if (PrintRange == prPageNums && FromPage > 0) {
        dlg.setPrintRange(QAbstractPrintDialog::PageRange);
        printer.setFromTo(FromPage, std::max(ToPage, FromPage));
    }
    // A PDF file is asked about once, by the printout that writes it (and may add ".pdf" to
    // the name typed): Qt's own questions about the name typed are left out. A print queue
    // still gets Qt's checks of its options.
    auto* box = dlg.findChild<QDialogButtonBox*>();
    auto* file = dlg.findChild<QLineEdit*>("filename");
    if (box != nullptr && file != nullptr &&
        QObject::disconnect(box, SIGNAL(accepted()), &dlg, SLOT(_q_checkFields())))
        QObject::connect(box, &QDialogButtonBox::accepted, &dlg, [&dlg, file] {
            if (file->isEnabled())
                dlg.accept();
            else
                QMetaObject::invokeMethod(&dlg, "_q_checkFields");
        });
    if (dlg.exec() != QDialog::Accepted) return false;
    ToFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    FileName = ToFile ? S(printer.outputFileName()) : std::string();
    if (!ToFile) PrinterName = S(printer.printerName());
    Copies = std::max(printer.copyCount(), 1);
    switch (dlg.printRange()) {
    case QAbstractPrintDialog::PageRange:
        PrintRange = prPageNums;
        FromPage = printer.fromPage();
        ToPage = printer.toPage();
        break;
    case QAbstractPrintDialog::Selection:
        PrintRange = prSelection;
        break;
    default:
        PrintRange = prAllPages;
        break;
    }
    return true;
}

// ---- TFontDialog --------------------------------------------------------------------------------

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner, dkFont) {}

std::string TFontDialog::Describe() const {
    return "font " + Font.Name;
}

bool TFontDialog::ExecuteInteractive() {
    QFontDialog::FontDialogOptions opts = QFontDialog::DontUseNativeDialog;
    if (Options & fdScalableOnly) opts |= QFontDialog::ScalableFonts;
    if (Options & fdFixedPitchOnly) opts |= QFontDialog::MonospacedFonts;
    if (Options & fdTrueTypeOnly) opts |= QFontDialog::ScalableFonts;
    bool ok = false;
    QFont start = ToQFont(Font, 96);
    // The dialog lists installed families and styles by name: start on the face the font
    // resolves to ("Courier New" is Liberation Mono Regular here), else it starts elsewhere.
    const QFontInfo resolved(start);
    start.setFamily(resolved.family());
    start.setStyleName(resolved.styleName());
    const QFont chosen = QFontDialog::getFont(&ok, start, nullptr, Q(Title), opts);
    if (!ok) return false;
    const TColor color = Font.Color;
    FromQFont(chosen, Font);
    Font.Color = color;
    return true;
}

// ---- TColorDialog -------------------------------------------------------------------------------

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner, dkColor) {}

std::string TColorDialog::Describe() const {
    return "colour";
}

bool TColorDialog::ExecuteInteractive() {
    const QColor c = QColorDialog::getColor(ToQColor(Color), nullptr, Q(Title),
                                            QColorDialog::DontUseNativeDialog);
    if (!c.isValid()) return false;
    Color = FromQColor(c);
    return true;
}
