// Retry or cancel around the replacing of a file the user needs.
#include "framework/core/rewrite_retry.h"

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/uihooks.h"
#include "platform/os/errors.h"

bool AskRetryOrCancel(const std::string& text, const std::string& caption) {
    return CoreMessageBox(text, caption, MB_RETRYCANCEL | MB_ICONERROR | MB_TASKMODAL) == IDRETRY;
}

RetryQuestion RetryQuestionHook = &AskRetryOrCancel;

std::string RewriteErrorText(int dosCode, const std::string& path) {
    if (dosCode == os::kErrWriteProtect) return "remove write protect !";
    const std::string cause = FileErrorCause(dosCode, path);
    return path.empty() ? "I/O-Error: " + cause : "I/O-Error: " + path + ": " + cause;
}

bool RewriteRetry(const std::function<int()>& attempt, const std::string& path) {
    int silentTries = 0;
    for (;;) {
        const int code = attempt();
        if (code == 0) return true;
        const bool canAsk = ErrorBoxesOn != 0 && RetryQuestionHook != nullptr;
        if (canAsk) {
            if (!RetryQuestionHook(RewriteErrorText(code, path), "Error  : ")) break;
        } else if (++silentTries >= RewriteRetryAttempts) {
            break;
        }
    }
    AbortFlag = 1;
    return false;
}
