#include "platform/gui/stringlist.h"

#include "platform/os/file.h"

#include <stdexcept>

TStrings& TStrings::operator=(const TStrings& other) {
    if (this != &other) {
        FItems = other.FItems;
        Changed();
    }
    return *this;
}

const std::string& TStrings::Strings(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TStrings index " + std::to_string(index) + " outside 0.." +
                                std::to_string(Count() - 1));
    return FItems[static_cast<std::size_t>(index)];
}

void TStrings::Put(int index, std::string_view s) {
    Strings(index); // range check
    FItems[static_cast<std::size_t>(index)] = std::string(s);
    Changed();
}

int TStrings::Add(std::string_view s) {
    FItems.emplace_back(s);
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, std::string_view s) {
    if (index < 0 || index > Count())
        throw std::out_of_range("TStrings insert position " + std::to_string(index));
    FItems.insert(FItems.begin() + index, std::string(s));
    Changed();
}

void TStrings::Delete(int index) {
    Strings(index);
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStrings::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

void TStrings::Assign(const std::vector<std::string>& items) {
    FItems = items;
    Changed();
}

void TStrings::AddStrings(const TStrings& other) {
    const std::vector<std::string> copy = other.FItems; // other may be *this
    FItems.insert(FItems.end(), copy.begin(), copy.end());
    Changed();
}

int TStrings::IndexOf(std::string_view s) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == s) return static_cast<int>(i);
    return -1;
}

std::string TStrings::Text() const {
    std::string out;
    for (const auto& s : FItems) {
        out += s;
        out += '\n';
    }
    return out;
}

void TStrings::SetText(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    FItems = std::move(lines);
    Changed();
}

bool TStrings::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (os::ReadWholeFile(path, bytes) != 0) return false;
    SetText(bytes);
    return true;
}

bool TStrings::SaveToFile(const std::string& path) const {
    std::string out;
    for (const auto& s : FItems) {
        out += s;
        out += "\r\n";
    }
    return os::WriteWholeFileAtomic(path, out) == 0;
}

void TStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FPending) {
        FPending = false;
        if (OnChange) OnChange();
    }
}

void TStrings::Changed() {
    if (FUpdateCount > 0) {
        FPending = true;
        return;
    }
    if (OnChange) OnChange();
}
