#pragma once
// Message-box style flags and answer codes with the Windows values, and one question as the box
// and its responders see it. No widgets here: the Qt-free core asks its questions with these and
// the GUI layer answers them.

#include <string>
#include <vector>

// Button sets.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
// Icons.
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_ICONMASK = 0xF0;
// Default button (second or third instead of the first).
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;
// Modality (all boxes here are modal to the application).
constexpr unsigned MB_APPLMODAL = 0x0000;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
constexpr unsigned MB_TASKMODAL = 0x2000;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// One question as a responder sees it.
struct MessageQuestion {
    std::string Caption;
    std::string Text;
    unsigned Flags = MB_OK;
    unsigned Buttons() const { return Flags & MB_TYPEMASK; }
    unsigned Icon() const { return Flags & MB_ICONMASK; }
    // Whether the box offers that answer.
    bool Offers(int id) const;
    // The answer Esc (or the close box) gives: Cancel where offered, else No, else Abort for
    // Abort/Retry/Ignore, else OK.
    int CancelAnswer() const;
    // The answer Enter gives: the default button (MB_DEFBUTTONn).
    int DefaultAnswer() const;
};

// The answers of a button set, in the order its buttons stand.
std::vector<int> MessageAnswers(unsigned buttons);

// The button's name ("OK", "Cancel", ...), as batch modes report an answer.
std::string MessageAnswerName(int id);
