#pragma once
// Two small value types used by the program's global tables:
//  - RangeArray<T, Lo, Hi>: a fixed array indexed Lo..Hi (the program counts many tables from 1,
//    colour tables from 16) whose every access is range-checked.
//  - ShortString<N>: a text of at most N characters. Assigning a longer text keeps its first N
//    characters; characters are UTF-8 code points, so a multi-byte character is never split.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/os/utf8.h"

template <typename T, long Lo, long Hi> class RangeArray {
    static_assert(Hi >= Lo, "empty range");

public:
    static constexpr long Low = Lo;
    static constexpr long High = Hi;
    static constexpr std::size_t Count = static_cast<std::size_t>(Hi - Lo + 1);

    constexpr RangeArray() = default;
    constexpr RangeArray(std::initializer_list<T> values) {
        std::size_t k = 0;
        for (const T& v : values) {
            if (k >= Count) throw std::out_of_range("RangeArray: too many initial values");
            items_[k++] = v;
        }
    }

    static constexpr bool InRange(long i) { return i >= Lo && i <= Hi; }

    T& operator[](long i) { return items_[Slot(i)]; }
    const T& operator[](long i) const { return items_[Slot(i)]; }

    void Fill(const T& v) { items_.fill(v); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const RangeArray&, const RangeArray&) = default;

private:
    // Small enough to be inlined at every access: the throw lives out of line.
    static std::size_t Slot(long i) {
        if (!InRange(i)) [[unlikely]]
            OutOfRange(i);
        return static_cast<std::size_t>(i - Lo);
    }
    [[noreturn, gnu::noinline, gnu::cold]] static void OutOfRange(long i) {
        throw std::out_of_range("RangeArray: index " + std::to_string(i));
    }
    std::array<T, Count> items_{};
};

template <std::size_t N> class ShortString {
public:
    static constexpr std::size_t Capacity = N;

    ShortString() = default;
    ShortString(std::string_view s) : text_(s.substr(0, os::Utf8Offset(s, N))) {}
    ShortString(const char* s) : ShortString(std::string_view(s)) {}
    ShortString(const std::string& s) : ShortString(std::string_view(s)) {}

    // Into the text's own storage: no allocation once it has held a text as long.
    ShortString& operator=(std::string_view s) {
        text_.assign(s.data(), os::Utf8Offset(s, N));
        return *this;
    }
    ShortString& operator=(const char* s) { return *this = std::string_view(s); }
    ShortString& operator=(const std::string& s) { return *this = std::string_view(s); }

    operator const std::string&() const { return text_; }
    operator std::string_view() const { return text_; }
    const std::string& str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    bool empty() const { return text_.empty(); }
    std::size_t Bytes() const { return text_.size(); }
    std::size_t Length() const { return os::Utf8Length(text_); }

    friend bool operator==(const ShortString& a, const ShortString& b) {
        return a.text_ == b.text_;
    }
    friend bool operator==(const ShortString& a, std::string_view b) { return a.text_ == b; }
    friend bool operator==(const ShortString& a, const char* b) { return a.text_ == b; }
    friend bool operator==(const ShortString& a, const std::string& b) { return a.text_ == b; }

private:
    std::string text_;
};
