#pragma once
// Creating or replacing a file the user cannot do without (configuration, session, job files):
// on failure the user is asked to retry or cancel. Cancel gives up with AbortFlag set; so does
// a failure that persists through RewriteRetryAttempts tries while no question can be asked
// (message boxes off or no GUI), so a read-only directory never traps the program.

#include <functional>
#include <string>

// Asks text (captioned caption) with the buttons Retry and Cancel; true for Retry.
using RetryQuestion = bool (*)(const std::string& text, const std::string& caption);

// The GUI layer's message box with Retry and Cancel (answered by a ModalResponder in tests and
// batch modes; without a display it answers Cancel and reports the question on stderr).
bool AskRetryOrCancel(const std::string& text, const std::string& caption);

// The question in use: AskRetryOrCancel by default; nullptr means no question can be asked.
extern RetryQuestion RetryQuestionHook;

constexpr int RewriteRetryAttempts = 3;

// The message for a failed create/write with DOS error code: 19 (write-protected medium)
// "remove write protect !", otherwise "I/O-Error: " and the cause in words (with the file's
// name when path is given).
std::string RewriteErrorText(int dosCode, const std::string& path = {});

// Runs attempt (0 on success, else a DOS error code) until it succeeds or the user cancels.
// Returns true on success; on giving up sets AbortFlag and returns false. AbortFlag is not
// touched on success. path names the file in the question.
bool RewriteRetry(const std::function<int()>& attempt, const std::string& path = {});
