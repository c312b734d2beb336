// The editing rules of the masked time field "##:##": four digit positions around a fixed colon, a
// blank where nothing was typed, typing that overwrites and steps over the colon. Positions and
// selections are character offsets into the five-character text, as an edit control counts them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

class TimeMask {
public:
    static constexpr std::size_t kLength = 5;
    static constexpr std::size_t kColon = 2;

    const std::wstring& Text() const { return text_; }

    // Each edit takes the selection [start, end) (start == end: just the caret) and returns where the
    // caret goes. Typing a non-digit changes nothing.
    std::size_t Type(wchar_t c, std::size_t start, std::size_t end);
    // Backspace blanks the selection, or the digit before the caret; Delete the one after it.
    std::size_t Backspace(std::size_t start, std::size_t end);
    std::size_t Delete(std::size_t start, std::size_t end);
    // "0930" or "09:30" (surrounding blanks and line breaks ignored) fills the field; false for
    // anything else, which leaves it unchanged.
    bool Paste(std::wstring_view text);
    // The field's whole text as a program sets it: a paste when it reads as one, otherwise each digit
    // position takes the digit at that offset of `text` and blanks elsewhere.
    void Assign(std::wstring_view text);

private:
    std::wstring text_ = L"  :  ";
};

} // namespace kestrel
