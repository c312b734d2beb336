// A block of the process heap that frees itself: the helper libraries hold their texts in these rather
// than in C++ library containers, so that each stays a small DLL without the C++ runtime.
#pragma once

#include <windows.h>

namespace kestrel::win {

template <typename T> class HeapArray {
public:
    // `count` zeroed elements; check with the bool conversion, since nothing here throws.
    explicit HeapArray(SIZE_T count)
        : data_(static_cast<T*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T)))),
          count_(data_ ? count : 0) {}
    HeapArray(HeapArray&& other) noexcept : data_(other.data_), count_(other.count_) {
        other.data_ = nullptr;
        other.count_ = 0;
    }
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;
    HeapArray& operator=(HeapArray&&) = delete;
    ~HeapArray() {
        if (data_) {
            ::HeapFree(::GetProcessHeap(), 0, data_);
        }
    }

    explicit operator bool() const { return data_ != nullptr; }
    T* get() const { return data_; }
    SIZE_T size() const { return count_; }
    T& operator[](SIZE_T i) const { return data_[i]; }

private:
    T* data_;
    SIZE_T count_;
};

} // namespace kestrel::win
