#pragma once
// The engine's message and progress windows (unit `tzmsg`). Long operations (index builds,
// appending from delimited text, reading and writing virtual files) create one at their start, show
// texts or step the bar while they work, and free it at their end.
//
// The visible window is the GUI layer's TMessageWindow, made through MessageWindowHook. The engine
// itself has no windows: the hook is empty until the user interface installs its maker
// (DefaultMessageWindow of dbf/ui/message_window.h), so batch modes and tools show nothing.
// Texts are engine texts (Windows 1252 bytes).

#include <cstdint>
#include <string>

class TComponent;
class TMessageWindow;

namespace dbf {

// Makes the visible window of a message window; nullptr shows nothing.
using MessageWindowProc = TMessageWindow* (*)(TComponent* owner);
extern MessageWindowProc MessageWindowHook;
// What the engine does with a window the hook made: show a caption and a text (UTF-8), free it.
// The maker sets them.
struct TMessageWindowOps {
    void (*Show)(TMessageWindow* window, const std::string& caption,
                 const std::string& text) = nullptr;
    void (*Free)(TMessageWindow* window) = nullptr;
};
extern TMessageWindowOps MessageWindowOps;

// Told of every text a message window shows, with its caption (logs and tests).
using MessageShownProc = void (*)(const std::string& caption, const std::string& text);
extern MessageShownProc MessageShownHook;

class TTzMsg {
public:
    explicit TTzMsg(TComponent* owner = nullptr);
    virtual ~TTzMsg();
    TTzMsg(const TTzMsg&) = delete;
    TTzMsg& operator=(const TTzMsg&) = delete;

    // Shows text; an empty text shows the stored one again.
    void ShowText(const std::string& text);
    const std::string& Text() const { return FText; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption) { FCaption = caption; }
    // The visible window, nullptr when none.
    TMessageWindow* Window() const { return FWindow; }

private:
    TMessageWindow* FWindow = nullptr;
    std::string FText;
    std::string FCaption;
};

class TTzProgress100 : public TTzMsg {
public:
    static constexpr std::size_t kBarLength = 100;

    // Titled "Progress".
    explicit TTzProgress100(TComponent* owner = nullptr);
    TTzProgress100(TComponent* owner, const std::string& title);

    // One hundredth of the work: the bar loses its first stroke; an empty bar is refilled.
    void Step();
    const std::string& Bar() const { return FBar; }

private:
    std::string FBar;
};

} // namespace dbf
