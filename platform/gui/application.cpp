#include "platform/gui/application.h"

#include "platform/gui/forms.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/qtbridge.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QWidget>

#include <memory>

namespace {
TApplication theApplication;
// Qt keeps references to argc/argv for the application's lifetime.
int qtArgc = 1;
char qtProgramName[] = "qor1w";
char* qtArgv[] = {qtProgramName, nullptr};
} // namespace

TApplication* Application = &theApplication;

void TApplication::Initialize(int argc, char** argv) {
    if (QCoreApplication::instance()) return;
    if (argc > 0 && argv) {
        static int keptArgc;
        keptArgc = argc;
        new QApplication(keptArgc, argv);
    } else {
        new QApplication(qtArgc, qtArgv);
    }
    // Closing the last window must not end the program behind the program's back: Run decides.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!FTitle.empty()) QApplication::setApplicationDisplayName(guiqt::Q(FTitle));
}

bool TApplication::HasWidgets() const {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool TApplication::Interactive() const {
    if (!HasWidgets()) return false;
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

void TApplication::SetTitle(std::string_view t) {
    FTitle = t;
    if (HasWidgets()) QApplication::setApplicationDisplayName(guiqt::Q(FTitle));
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::ProcessMessagesExceptInput() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TApplication::Run() {
    FTerminated = false;
    if (!HasWidgets()) return;
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (FMainForm && !FMainForm->Visible()) FTerminated = true;
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    // Wakes a waiting Run loop.
    if (QCoreApplication::instance()) QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
}

TForm* TApplication::ActiveForm() const {
    if (!Interactive()) return TForm::TopForm();
    QWidget* w = QApplication::activeWindow();
    if (!w) w = QApplication::activeModalWidget();
    while (w) {
        if (auto* f = dynamic_cast<TForm*>(TControl::FromWidget(w))) return f;
        w = w->parentWidget();
    }
    return TForm::TopForm();
}

int TApplication::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    return ::MessageBox(text, caption.empty() ? std::string_view(FTitle) : caption, flags);
}
