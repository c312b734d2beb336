// Small text helpers of the helper libraries, on fixed or heap arrays instead of C++ library strings.
#pragma once

#include <windows.h>

namespace kestrel::win {

// A wide text being assembled in a fixed array; what does not fit is cut off, and it always ends in a NUL.
class TextBuilder {
public:
    TextBuilder(wchar_t* buffer, int capacity) : buffer_(buffer), capacity_(capacity) { buffer_[0] = L'\0'; }

    void Append(const wchar_t* text, int length = -1) {
        for (int i = 0; (length < 0 ? text[i] != L'\0' : i < length) && size_ + 1 < capacity_; ++i) {
            buffer_[size_++] = text[i];
        }
        buffer_[size_] = L'\0';
    }
    // ASCII or ANSI text in the system's code page.
    void AppendAnsi(const char* text, int length) {
        if (length > 0 && size_ + 1 < capacity_) {
            size_ += ::MultiByteToWideChar(CP_ACP, 0, text, length, buffer_ + size_, capacity_ - 1 - size_);
        }
        buffer_[size_] = L'\0';
    }

    const wchar_t* get() const { return buffer_; }
    int size() const { return size_; }

private:
    wchar_t* buffer_;
    int capacity_;
    int size_ = 0;
};

} // namespace kestrel::win
