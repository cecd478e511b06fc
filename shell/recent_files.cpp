#include "shell/recent_files.h"

#include <filesystem>
#include <system_error>

#include "framework/core/settings.h"
#include "platform/gui/menus.h"
#include "platform/os/utf8.h"
#include "shell/main_window.h"

std::string ShortenPath(std::string_view path) {
    if (os::Utf8Length(path) < 50) return std::string(path);
    // The kept head ends at the first separator; an absolute Linux path keeps its first
    // directory as a Windows path keeps its drive.
    std::size_t head = path.find_first_of("/\\");
    if (head == 0) head = path.find_first_of("/\\", 1);
    const std::size_t last = path.find_last_of("/\\");
    if (head == std::string_view::npos || head >= last) return std::string(path);
    return std::string(path.substr(0, head + 1)) + "..." + std::string(path.substr(last));
}

void AddRecentFile(const std::string& path) {
    std::error_code ec;
    std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || full.empty()) full = path;
    for (int n = 4; n >= 1; --n)
        if (RecentFiles[n] == full) RemoveRecentFile(n);
    for (int n = 4; n >= 2; --n)
        RecentFiles[n] = RecentFiles[n - 1];
    RecentFiles[1] = full;
}

void RemoveRecentFile(int n) {
    if (n < 1 || n > 4) return;
    for (int k = n; k < 4; ++k)
        RecentFiles[k] = RecentFiles[k + 1];
    RecentFiles[4].clear();
}

void SetRecentFileItem(TMenuItem* item, int n) {
    if (item == nullptr) return;
    const std::string& entry = RecentFiles[n];
    if (entry.empty()) {
        item->SetVisible(false);
        return;
    }
    item->SetCaption("&" + std::to_string(n) + " " + ShortenPath(entry));
    item->SetVisible(true);
}

namespace {
TMenuItem* FileMenuItem(int index) {
    if (MainWindow == nullptr) return nullptr;
    TMenuItem* file = MainWindow->mi_file;
    return index >= 0 && index < file->Count() ? file->Items(index) : nullptr;
}
} // namespace

void LocateRecentFileItems() {
    if (MainWindow == nullptr) return;
    RecentFilesMenuIndex = MainWindow->mi_fileexit->MenuIndex();
    RefreshRecentFileItems();
}

void RefreshRecentFileItems() {
    if (TMenuItem* separator = FileMenuItem(RecentFilesMenuIndex - 1))
        separator->SetVisible(!RecentFiles[1].empty());
    for (int n = 1; n <= 4; ++n)
        SetRecentFileItem(FileMenuItem(RecentFilesMenuIndex - 6 + n), n);
}
