#include "platform/gui/application.h"

#include "platform/gui/forms.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/qtbridge.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QSocketNotifier>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace {
TApplication theApplication;
// Qt keeps references to argc/argv for the application's lifetime.
int qtArgc = 1;
char qtProgramName[] = "qor1w";
char* qtArgv[] = {qtProgramName, nullptr};
// The hint delay comes from the style; how long a hint stays, and whether hints show at all,
// is decided where Qt asks to show one.
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay) return std::max(Application->HintPause, 0);
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

class HintFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        if (!Application->ShowHint) return true;
        const QString tip = w->toolTip();
        if (tip.isEmpty()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), tip, w, QRect(),
                           std::max(Application->HintHidePause, 1));
        return true;
    }
};
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
    InstallHintHandling();
}

void TApplication::InstallHintHandling() {
    if (!HasWidgets() || FHintsInstalled) return;
    FHintsInstalled = true;
    QApplication::setStyle(new HintStyle);
    qApp->installEventFilter(new HintFilter);
}

bool TApplication::HasWidgets() const {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool TApplication::Interactive() const {
    if (!HasWidgets()) return false;
    if (AssumeDisplay) return true;
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

// The title names the program (message-box captions, the main window's title is the form's
// own): it is not given to Qt as display name, which Qt would append to every window title.
void TApplication::SetTitle(std::string_view t) {
    FTitle = t;
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

void TApplication::WatchSignalPipe(int fd, std::function<void(int)> handler) {
    if (fd < 0 || !HasWidgets()) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [fd, handler = std::move(handler)] {
                         unsigned char sig = 0;
                         while (::read(fd, &sig, 1) == 1)
                             handler(sig);
                     });
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
