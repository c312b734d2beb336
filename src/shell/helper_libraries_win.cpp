// Finds and calls the helper libraries' exports; see helper_libraries_win.h. The libraries stay loaded
// for the rest of the run: their worker threads may still be busy when the call returns.
#include "shell/helper_libraries_win.h"

namespace kestrel::win {

namespace {

std::string ToAnsi(const std::wstring& text) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    if (length > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), length, nullptr, nullptr);
    }
    ansi.pop_back(); // the NUL that the conversion counted
    return ansi;
}

} // namespace

HelperLibraries::Export HelperLibraries::Find(HMODULE& module, bool& tried, const wchar_t* file,
                                              const char* name) {
    if (!tried) {
        tried = true;
        if (!folder_.empty()) {
            const std::wstring path = folder_ + L"\\" + file;
            // Only a file that is there is loaded: LoadLibraryExW with a full path never searches. The
            // library's own imports (winhttp.dll and the like) come from the system folder only, never
            // from beside the program, where a download folder may hold anything. A system without that
            // flag refuses it; there the usual search is all there is.
            if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
                if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
                    module = ::LoadLibraryExW(path.c_str(), nullptr, 0);
                }
            }
        }
    }
    return module ? reinterpret_cast<Export>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}

bool HelperLibraries::DoUpdate(const std::wstring& manifestUrl) {
    const Export call = Find(update_, updateTried_, L"Update.dll", "DoUpdate");
    if (!call) {
        return false;
    }
    call(ToAnsi(manifestUrl).c_str());
    return true;
}

bool HelperLibraries::ShowComment(const char* productText) {
    const Export call = Find(sendComment_, sendCommentTried_, L"SendComment.dll", "ShowComment");
    if (!call) {
        return false;
    }
    call(productText);
    return true;
}

} // namespace kestrel::win
