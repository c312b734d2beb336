// Update.dll and SendComment.dll, the two helper libraries shipped beside Kestrel.exe. Each is loaded
// when its function is first needed, by its full path in Kestrel's own folder only: never through the
// DLL search path, where a file of the same name in the current folder or on PATH could stand in for
// it. A missing library or export does nothing and reports nothing.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::win {

class HelperLibraries {
public:
    // `folder`: where the libraries live (Kestrel's own folder), without a trailing backslash.
    explicit HelperLibraries(std::wstring folder) : folder_(std::move(folder)) {}

    // DoUpdate(manifestUrl) of Update.dll. Returns whether the function was found and called.
    bool DoUpdate(const std::wstring& manifestUrl);
    // ShowComment(productText) of SendComment.dll; returns when its dialog is closed.
    bool ShowComment(const char* productText);

private:
    using Export = int(__stdcall*)(const char*);
    // Loads `file` once (a failure is remembered too) and finds `name` in it.
    Export Find(HMODULE& module, bool& tried, const wchar_t* file, const char* name);

    std::wstring folder_;
    HMODULE update_ = nullptr;
    HMODULE sendComment_ = nullptr;
    bool updateTried_ = false;
    bool sendCommentTried_ = false;
};

} // namespace kestrel::win
