#pragma once
// Message boxes with the Windows style flags and answer codes: a caption, a text, an icon and a
// button set; the result is the pressed button. Under a ModalResponder the responder answers;
// without a display the box gets its cancel/no answer and the question goes to stderr.

#include <string>
#include <string_view>

#include "platform/os/msgflags.h"

// Shows the box; returns IDOK ... IDNO.
//
// The title bar shows the caption without its trailing blanks and colons ("Error  : " reads
// "Error"), or the application title for an empty caption; responders see the caption as given.
int MessageBox(std::string_view text, std::string_view caption, unsigned flags);

// The plain message dialog: the text with an OK button, captioned with the application title.
void ShowMessageDialog(std::string_view text);

// The title a box of this caption shows.
std::string MessageBoxTitle(std::string_view caption);
