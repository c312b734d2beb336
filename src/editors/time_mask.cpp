// Editing rules of the masked time field; see time_mask.h.
#include "editors/time_mask.h"

#include <algorithm>

namespace kestrel {

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::size_t Clamp(std::size_t position) {
    return std::min(position, TimeMask::kLength);
}

} // namespace

std::size_t TimeMask::Type(wchar_t c, std::size_t start, std::size_t end) {
    start = Clamp(start);
    if (!IsDigit(c)) {
        return start;
    }
    if (start < Clamp(end)) {
        Backspace(start, end);
    }
    if (start == kColon) {
        ++start;
    }
    if (start >= kLength) {
        return kLength;
    }
    text_[start] = c;
    ++start;
    return start == kColon ? start + 1 : start;
}

std::size_t TimeMask::Backspace(std::size_t start, std::size_t end) {
    start = Clamp(start);
    end = Clamp(end);
    if (start < end) {
        for (std::size_t i = start; i < end; ++i) {
            if (i != kColon) {
                text_[i] = L' ';
            }
        }
        return start;
    }
    if (start == 0) {
        return 0;
    }
    std::size_t position = start - 1;
    if (position == kColon) {
        --position;
    }
    text_[position] = L' ';
    return position;
}

std::size_t TimeMask::Delete(std::size_t start, std::size_t end) {
    start = Clamp(start);
    end = Clamp(end);
    if (start < end) {
        return Backspace(start, end);
    }
    if (start == kColon) {
        ++start;
    }
    if (start >= kLength) {
        return kLength;
    }
    text_[start] = L' ';
    return start + 1 == kColon ? kColon + 1 : start + 1;
}

bool TimeMask::Paste(std::wstring_view text) {
    const auto blank = [](wchar_t c) {
        return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::wstring digits;
    if (text.size() == kLength && text[kColon] == L':') {
        digits = std::wstring(text.substr(0, 2)) + std::wstring(text.substr(3));
    } else if (text.size() == 4) {
        digits = text;
    }
    if (digits.size() != 4 || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
        return false;
    }
    text_ = digits.substr(0, 2) + L':' + digits.substr(2);
    return true;
}

void TimeMask::Assign(std::wstring_view text) {
    if (Paste(text)) {
        return;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        if (i != kColon) {
            text_[i] = i < text.size() && IsDigit(text[i]) ? text[i] : L' ';
        }
    }
}

} // namespace kestrel
