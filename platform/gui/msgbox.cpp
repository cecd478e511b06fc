#include "platform/gui/msgbox.h"

#include "platform/gui/application.h"
#include "platform/gui/qtbridge.h"
#include "platform/gui/responder.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include <vector>

namespace {

QMessageBox::StandardButton QtButton(int id) {
    switch (id) {
    case IDOK:
        return QMessageBox::Ok;
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

// Room in a title bar beside the title: the window's icon, its buttons and the margins.
constexpr int kTitleBarButtonsWidth = 140;

// The text as the box shows it: a word longer than a line (a long path, a name of 200
// characters) may break after its separators and, failing those, anywhere, so that the box
// wraps it whole instead of cutting it at its edge.
QString Breakable(const QString& text) {
    constexpr int kRun = 40;
    const QChar zwsp(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int from = 0;
    while (from < text.size()) {
        int to = from;
        while (to < text.size() && !text[to].isSpace())
            ++to;
        const QString word = text.mid(from, to - from);
        if (word.size() <= kRun) {
            out += word;
        } else {
            int run = 0;
            for (const QChar c : word) {
                out += c;
                ++run;
                if (c == '/' || c == '\\' || c == '_' || c == '-' || c == '.' || run >= kRun) {
                    out += zwsp;
                    run = 0;
                }
            }
        }
        while (to < text.size() && text[to].isSpace())
            out += text[to++];
        from = to;
    }
    return out;
}

int Interactive(const MessageQuestion& q) {
    QMessageBox box;
    box.setWindowTitle(guiqt::Q(MessageBoxTitle(q.Caption)));
    box.setText(Breakable(guiqt::Q(q.Text)));
    switch (q.Icon()) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    const std::vector<int> answers = MessageAnswers(q.Buttons());
    for (int id : answers) {
        QPushButton* b = box.addButton(QtButton(id));
        if (id == q.DefaultAnswer()) box.setDefaultButton(b);
        if (id == q.CancelAnswer()) box.setEscapeButton(b);
    }
    // A dialog: a title and a close button, nothing to minimise or maximise.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
    box.setWindowModality(Qt::ApplicationModal);
    // Wide enough for its title: the window manager writes it in a bold face beside its own
    // buttons, for which the box leaves too little room on its own ("QOR1W - Inv...ensions").
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) +
                           kTitleBarButtonsWidth;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int id : answers)
        if (clicked && box.button(QtButton(id)) == clicked) return id;
    return q.CancelAnswer();
}

} // namespace

std::string MessageBoxTitle(std::string_view caption) {
    // The program's captions are labels ("Error  : ", "Message:"): a title bar shows the word.
    std::size_t end = caption.size();
    while (end > 0 && (caption[end - 1] == ' ' || caption[end - 1] == ':'))
        --end;
    if (end == 0) return Application->Title();
    return std::string(caption.substr(0, end));
}

int MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    MessageQuestion q;
    q.Text = std::string(text);
    q.Caption = std::string(caption);
    q.Flags = flags;
    if (ModalResponder* r = CurrentModalResponder()) {
        const int answer = r->RespondMessage(q);
        // A responder can only press a button the box has.
        return q.Offers(answer) ? answer : q.CancelAnswer();
    }
    if (!Application->Interactive()) {
        BatchResponder batch;
        return batch.RespondMessage(q);
    }
    return Interactive(q);
}

void ShowMessageDialog(std::string_view text) {
    MessageBox(text, Application->Title(), MB_OK);
}
