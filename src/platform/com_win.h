// COM for the calling thread, and an owning COM interface pointer.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace kestrel::win {

// Enters a single-threaded apartment for the guard's lifetime, or joins the one the thread already has.
// The UI thread holds one for the whole run (MSXML and the browser control need it); a worker or a test
// that parses a file makes its own.
class ComApartment {
public:
    ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }
    // False only when COM cannot be used on this thread at all. A thread already in a multi-threaded
    // apartment can still create MSXML's DOM, which works in either model.
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() {
        Reset();
        return &p_;
    }
    void Reset() {
        if (p_ != nullptr) {
            p_->Release();
            p_ = nullptr;
        }
    }
    // Takes over a pointer that the callee handed out with a reference.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

} // namespace kestrel::win
