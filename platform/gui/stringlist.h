#pragma once
// TStrings: the ordered list of texts behind combo boxes, list boxes, radio groups and memos.
// A control that shows the list is told of every change, so the view never drifts from it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TStrings {
public:
    TStrings() = default;
    TStrings(std::initializer_list<std::string> items) : FItems(items) {}
    TStrings(const TStrings& other) : FItems(other.FItems) {}
    TStrings& operator=(const TStrings& other);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Checked access: an index outside 0..Count()-1 throws std::out_of_range.
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void Put(int index, std::string_view s);

    int Add(std::string_view s); // returns the new index
    void Insert(int index, std::string_view s);
    void Delete(int index);
    void Clear();
    void Assign(const std::vector<std::string>& items);
    void AddStrings(const TStrings& other);
    // First index of s (exact comparison), -1 when absent.
    int IndexOf(std::string_view s) const;

    // All items, each followed by a line end ("\n").
    std::string Text() const;
    // Splits at LF, CR LF or CR; a final line end does not add an empty item.
    void SetText(std::string_view text);

    // Reads a text file (any line end) / writes it with CR LF line ends, through a temporary
    // file renamed over the target. Return false on failure and leave the list unchanged.
    bool LoadFromFile(const std::string& path);
    bool SaveToFile(const std::string& path) const;

    const std::vector<std::string>& Items() const { return FItems; }

    // Called after every change; set by the control that shows the list.
    std::function<void()> OnChange;

    // Groups several changes into one notification.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

private:
    void Changed();
    std::vector<std::string> FItems;
    int FUpdateCount = 0;
    bool FPending = false;
};
