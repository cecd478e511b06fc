// The paths a person at a display takes: the modal loop of a form, Qt's message box, file, font
// and colour dialogs. The offscreen platform is treated as a display and every answer is posted
// as an event before the question is asked, so nothing waits.

#include "gui_testutil.h"

#include "platform/gui/gui.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontMetrics>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

class GuiInteractive : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApp();
        Application->AssumeDisplay = true;
    }
    void TearDown() override { Application->AssumeDisplay = false; }

    // Runs f once the next modal widget is up.
    static void WhenModal(std::function<void(QWidget*)> f) {
        QTimer::singleShot(0, qApp, [f] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            f(w);
        });
    }
};

TEST_F(GuiInteractive, TheModalLoopEndsWithThePressedButton) {
    TForm f(nullptr);
    auto* ok = new TButton(&f);
    ok->SetModalResult(mrOk);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    QTimer::singleShot(0, qApp, [ok] { qobject_cast<QPushButton*>(ok->Widget())->click(); });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(f.Widget()->isVisible());
}

TEST_F(GuiInteractive, EscapeAndTheCloseBoxEndTheModalLoop) {
    TForm f(nullptr);
    auto* cancel = new TButton(&f);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    bool cancelled = false;
    cancel->OnClick = [&](TObject*) { cancelled = true; };
    QTimer::singleShot(0, qApp, [&f] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(f.Widget(), &esc);
    });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_TRUE(cancelled);

    cancelled = false;
    QTimer::singleShot(0, qApp, [&f] { f.Widget()->close(); });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_FALSE(cancelled); // the close box is not the Cancel button
}

TEST_F(GuiInteractive, QtMessageBoxesAnswerWithTheWindowsCodes) {
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle().toStdString(), "QOR1W - Involute Gear Dimensions");
        // Wide enough for its title in a bold face beside a title bar's buttons.
        QFont bold = QApplication::font("QMdiSubWindowTitleBar");
        bold.setBold(true);
        EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 100);
        EXPECT_EQ(box->text().toStdString(), "Save changes ?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->buttons().size(), 3);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBox("Save changes ?", "QOR1W - Involute Gear Dimensions",
                         MB_YESNOCANCEL | MB_ICONQUESTION),
              IDNO);

    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
        // A dialog with a title of a word, no minimise or maximise button.
        EXPECT_EQ(box->windowTitle().toStdString(), "Error");
        EXPECT_FALSE(box->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(box->windowFlags() & Qt::WindowMaximizeButtonHint);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &esc);
    });
    EXPECT_EQ(MessageBox("Retry ?", "Error  : ", MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
}

TEST_F(GuiInteractive, FileDialogTakesTheFilterAndAddsTheDefaultExtension) {
    const auto dir = std::filesystem::temp_directory_path() / "qor_gui_interactive_test";
    std::filesystem::create_directories(dir);
    TSaveDialog d(nullptr);
    d.Filter = "txt|*.txt|All files|*.*";
    d.DefaultExt = "txt";
    d.InitialDir = dir.string();
    WhenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->nameFilters(), (QStringList{"txt (*.txt *.TXT)", "All files (*)"}));
        EXPECT_EQ(fd->directory().absolutePath().toStdString(),
                  std::filesystem::canonical(dir).string());
        fd->selectFile(QString::fromStdString((dir / "listing").string()));
        QMetaObject::invokeMethod(fd, "accept");
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(std::filesystem::path(d.FileName).filename().string(), "listing.txt");

    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    d.FileName = "kept";
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.FileName, "kept");
    std::filesystem::remove_all(dir);
}

TEST_F(GuiInteractive, FontAndColourDialogsOfferWhatTheProgramAsksFor) {
    TFontDialog fd(nullptr);
    fd.Options = fdScalableOnly | fdFixedPitchOnly;
    fd.Font.Name = "Courier New";
    fd.Font.SetSize(10);
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<QFontDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_TRUE(dlg->testOption(QFontDialog::MonospacedFonts));
        EXPECT_TRUE(dlg->testOption(QFontDialog::ScalableFonts));
        // The dialog starts on the face the given font resolves to.
        EXPECT_EQ(dlg->currentFont().family(), QFontInfo(QFont("Courier New", 10)).family());
        EXPECT_TRUE(QFontInfo(dlg->currentFont()).fixedPitch());
        EXPECT_FALSE(dlg->currentFont().italic());
        EXPECT_FALSE(dlg->currentFont().bold());
        QFont chosen(dlg->currentFont().family(), 16);
        chosen.setBold(true);
        dlg->setCurrentFont(chosen);
        dlg->accept();
    });
    ASSERT_TRUE(fd.Execute());
    EXPECT_EQ(fd.Font.Size(), 16);
    EXPECT_TRUE(fd.Font.Style & fsBold);

    TColorDialog cd(nullptr);
    cd.Color = clRed;
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->currentColor(), QColor(255, 0, 0));
        dlg->setCurrentColor(QColor(0, 0, 128));
        dlg->accept();
    });
    ASSERT_TRUE(cd.Execute());
    EXPECT_EQ(cd.Color, clNavy);
}

TEST_F(GuiInteractive, PrintDialogOffersThePagesAndReturnsTheRange) {
    TPrintDialog d(nullptr);
    d.MinPage = 1;
    d.MaxPage = 5;
    d.Options = poPageNums;
    d.PrintRange = prPageNums; // the range last chosen, offered again
    d.FromPage = 2;
    d.ToPage = 3;
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<QPrintDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->minPage(), 1);
        EXPECT_EQ(dlg->maxPage(), 5);
        EXPECT_TRUE(dlg->testOption(QAbstractPrintDialog::PrintPageRange));
        QMetaObject::invokeMethod(dlg, "accept"); // as the person's OK: the dialog's own state
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.PrintRange, prPageNums);
    EXPECT_EQ(d.FirstPage(), 2);
    EXPECT_EQ(d.LastPage(), 3);
    EXPECT_EQ(d.Copies, 1);

    WhenModal([](QWidget* w) { QMetaObject::invokeMethod(w, "reject"); });
    EXPECT_FALSE(d.Execute());
}

} // namespace
