#include "platform/os/msgflags.h"

std::vector<int> MessageAnswers(unsigned buttons) {
    switch (buttons) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

bool MessageQuestion::Offers(int id) const {
    for (int a : MessageAnswers(Buttons()))
        if (a == id) return true;
    return false;
}

int MessageQuestion::CancelAnswer() const {
    if (Offers(IDCANCEL)) return IDCANCEL;
    if (Offers(IDNO)) return IDNO;
    if (Offers(IDABORT)) return IDABORT;
    return IDOK;
}

int MessageQuestion::DefaultAnswer() const {
    const std::vector<int> answers = MessageAnswers(Buttons());
    std::size_t i = 0;
    if ((Flags & MB_DEFMASK) == MB_DEFBUTTON2) i = 1;
    if ((Flags & MB_DEFMASK) == MB_DEFBUTTON3) i = 2;
    return i < answers.size() ? answers[i] : answers.front();
}

std::string MessageAnswerName(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}
