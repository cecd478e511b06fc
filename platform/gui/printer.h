#pragma once
// The printer: the system's print queues (CUPS through Qt) or a PDF file, one print job at a
// time, drawn through a canvas in device pixels of the printable area. Failures never throw:
// the calls return false and LastError() says why.

#include "platform/gui/canvas.h"
#include "platform/os/file.h"

#include <memory>
#include <string>
#include <vector>

enum TPrinterOrientation { poPortrait, poLandscape };

// Device capabilities of the current printer, as the printer information window lists them.
struct TPrinterCapabilities {
    std::string Name;
    std::string DriverVersion;
    int Technology =
        2; // 0 plotter, 1 raster display, 2 raster printer, 4 character printer, 5 metafile
    int WidthMm = 0; // printable area
    int HeightMm = 0;
    int WidthPixels = 0;
    int HeightPixels = 0;
    int OffsetXPixels = 0; // printable area from the paper's edge
    int OffsetYPixels = 0;
    int DpiX = 0;
    int DpiY = 0;
    int Brushes = -1; // -1: as many as wanted
    int Pens = -1;
    int Markers = 0;
    int Colors = -1; // -1: more than 256; 2 for a monochrome device
    std::vector<std::string> Fonts;
};

class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Names of the system's print queues (read afresh on every call).
    std::vector<std::string> Printers() const;
    // Whether a printout has somewhere to go: a PDF file is chosen or a print queue is set up.
    bool HasTarget() const;
    // Position of the printer in use in Printers() (-1 when there is none). Setting -1 selects
    // the system's default printer. False (and no change) for an index outside the list or
    // while printing.
    int PrinterIndex() const;
    bool SetPrinterIndex(int index);
    // Selects a print queue by name (as a print dialog returns it); "" is the default printer.
    bool SetPrinterByName(const std::string& name);
    // The current printer's name; "PDF" while printing to a file.
    std::string PrinterName() const;

    TPrinterOrientation Orientation() const;
    bool SetOrientation(TPrinterOrientation o); // false while printing

    int Copies() const;
    void SetCopies(int copies); // clamped to 1 .. 999

    // Print job title (shown in the print queue; the PDF's title).
    std::string Title;

    // When set, the job goes into this PDF file instead of a print queue. The file appears
    // complete at EndDoc (written beside it under a temporary name, then renamed); Abort or a
    // failure leaves an existing file as it was.
    const std::string& OutputFileName() const { return outputFile_; }
    bool SetOutputFileName(const std::string& path); // false while printing

    // Printable area of the page in device pixels, and the device pixels per inch.
    int PageWidth() const;
    int PageHeight() const;
    int Resolution() const;
    int PageNumber() const { return printing_ ? page_ : 0; }
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }

    bool BeginDoc();
    bool NewPage();
    bool EndDoc();
    void Abort();

    TCanvas* Canvas() { return &canvas_; }
    TPrinterCapabilities Capabilities() const;

    const std::string& LastError() const { return lastError_; }

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    void Fail(const std::string& message);

    std::unique_ptr<Impl> impl_;
    TCanvas canvas_;
    int index_ = -1;
    std::string outputFile_;
    os::Replacement replace_; // the PDF file's draft while printing into it
    bool printing_ = false;
    bool aborted_ = false;
    int page_ = 0;
    std::string lastError_;
};

// The one printer object of the program.
TPrinter* Printer();

// Where TPrinter::Printers() reads the print queues: the system's (through Qt) by default; tests
// put a list of their own in its place.
using PrintQueuesFunc = std::vector<std::string> (*)();
extern PrintQueuesFunc PrintQueues;

// A colour as it prints on white paper: one too light to be seen there (yellow, aqua, light
// grey, white; under a third of black's contrast against white) darkened to the same hue until
// it stands out clearly; every other colour as it is.
TColor ColourOnPaper(TColor c);
