#pragma once
// The recent-file items of the File menu: four items (Shift+F1 .. Shift+F4) and the separator
// below them, just above Exit. An item shows "&n " and its shortened path; an empty entry hides
// its item, and the separator shows while entry 1 is set.

#include <string>
#include <string_view>

class TMenuItem;

// A path of fewer than 50 characters as it is; a longer one as the part up to its first
// separator, "..." and the part from its last separator ("/home/.../gear.q1w"). Separators are
// '/' and '\' (stored Windows paths); a path without two of them stays whole.
std::string ShortenPath(std::string_view path);

// Makes path (a job file's full name, made absolute) entry 1 of RecentFiles; an entry naming
// the same file is removed first (names compared exactly: Linux names are case-sensitive), the
// others move down and entry 4 is dropped.
void AddRecentFile(const std::string& path);
// Removes entry n (1..4); the later entries move up and entry 4 becomes empty.
void RemoveRecentFile(int n);

// Shows item for entry n of RecentFiles, or hides it when the entry is empty.
void SetRecentFileItem(TMenuItem* item, int n);
// Finds Exit in the main window's File menu (RecentFilesMenuIndex) and refreshes the items.
void LocateRecentFileItems();
// The separator and the four items from RecentFiles.
void RefreshRecentFileItems();
