#pragma once
// Common dialogs: open and save a file, choose a directory, print, font and colour. Execute shows
// the dialog and returns true when the user accepted; under a ModalResponder the responder
// answers instead, and without a display the dialog is cancelled (the question goes to stderr).

#include "platform/gui/controls.h"

#include <string>
#include <string_view>
#include <vector>

enum TCommonDialogKind { dkOpen, dkSave, dkDirectory, dkPrint, dkFont, dkColor };

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* AOwner, TCommonDialogKind kind);
    TCommonDialogKind Kind() const { return FKind; }
    std::string Title;
    // Shows the dialog; true when accepted.
    bool Execute();
    // One line describing the question (used by the batch answer and responder logs).
    virtual std::string Describe() const;

protected:
    // The interactive dialog (only with a display); true when accepted.
    virtual bool ExecuteInteractive() = 0;
    // Around every Execute, whoever answers: fill in the current state first, apply an
    // accepted answer afterwards.
    virtual void BeforeExecute() {}
    virtual void Accepted() {}

private:
    TCommonDialogKind FKind;
};

enum TOpenOption : unsigned {
    ofReadOnly = 1,
    ofOverwritePrompt = 2,
    ofHideReadOnly = 4,
    ofNoChangeDir = 8,
    ofAllowMultiSelect = 16,
    ofPathMustExist = 32,
    ofFileMustExist = 64,
    ofCreatePrompt = 128,
    ofNoReadOnlyReturn = 256
};
using TOpenOptions = unsigned;

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* AOwner);
    // Pairs "description|mask|description|mask"; masks separated by ";" ("*.HTM;*.HTML").
    std::string Filter;
    int FilterIndex = 1; // 1-based, as the pairs count
    std::string InitialDir;
    std::string FileName;
    // Appended (with ".") to a chosen name that has no extension.
    std::string DefaultExt;
    TOpenOptions Options = ofHideReadOnly;
    // With ofAllowMultiSelect: every chosen file.
    std::vector<std::string> Files;

    // Filter pairs parsed: (description, masks).
    static std::vector<std::pair<std::string, std::vector<std::string>>>
    ParseFilter(std::string_view filter);
    // The filter as Qt's name filter list ("HTML files (*.HTM *.HTML *.htm *.html);;..."); each
    // mask is offered in upper and lower case too, as file names here are case-sensitive.
    static std::string QtFilter(std::string_view filter);
    // FileName with DefaultExt appended when it has none.
    std::string WithDefaultExt(std::string_view name) const;
    // What a person does in the dialog: choose that file (DefaultExt applied). Used by
    // responders; the dialog then returns true.
    void Choose(std::string_view path);
    std::string Describe() const override;

protected:
    bool ExecuteInteractive() override;
    bool FSave = false;
    TOpenDialog(TComponent* AOwner, TCommonDialogKind kind);
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner);
};

// Directory choice.
class TDirectoryDialog : public TCommonDialog {
public:
    explicit TDirectoryDialog(TComponent* AOwner);
    std::string Directory; // start directory in, chosen directory out
    std::string Describe() const override;

protected:
    bool ExecuteInteractive() override;
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
// poPrintToFile is kept for callers: the PDF file is always offered.
enum TPrintDialogOption : unsigned { poPrintToFile = 1, poPageNums = 2, poSelection = 4 };
using TPrintDialogOptions = unsigned;

class TPrintDialog : public TCommonDialog {
public:
    explicit TPrintDialog(TComponent* AOwner);
    int MinPage = 0;
    int MaxPage = 0;
    int FromPage = 0;
    int ToPage = 0;
    int Copies = 1;
    TPrintRange PrintRange = prAllPages;
    TPrintDialogOptions Options = 0;
    // What the dialog offers: the print queues (read afresh on every Execute) and a PDF file.
    // Execute starts from the printer in use (Printer()): the queue named PrinterName, or the
    // PDF file FileName when ToFile; accepted, the choice and Copies become the ones in use.
    std::vector<std::string> Printers;
    std::string PrinterName;
    bool ToFile = false;
    std::string FileName;
    // For a page-range print: the pages to print, 1..MaxPage when all pages.
    int FirstPage() const;
    int LastPage() const;
    std::string Describe() const override;

protected:
    bool ExecuteInteractive() override;
    void BeforeExecute() override;
    void Accepted() override;
};

enum TFontDialogOption : unsigned {
    fdAnsiOnly = 1,
    fdTrueTypeOnly = 2,
    fdEffects = 4,
    fdFixedPitchOnly = 8,
    fdForceFontExist = 16,
    fdScalableOnly = 32,
    fdNoStyleSel = 64
};
using TFontDialogOptions = unsigned;

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* AOwner);
    TFont Font;
    TFontDialogOptions Options = fdEffects;
    std::string Describe() const override;

protected:
    bool ExecuteInteractive() override;
};

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* AOwner);
    TColor Color = clBlack;
    std::string Describe() const override;

protected:
    bool ExecuteInteractive() override;
};
