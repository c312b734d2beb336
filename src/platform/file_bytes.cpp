// The platform-independent half of file_bytes.h.
#include "platform/file_bytes.h"

namespace kestrel {

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != kPathSeparator && path.back() != L'/') {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

std::wstring TemporaryPathFor(const std::wstring& file) {
    return file + L".tmp";
}

void RemoveStaleTemporary(const std::wstring& file) noexcept {
    try {
        RemoveFile(TemporaryPathFor(file));
    } catch (...) {
        // Only an allocation can throw here; the stale file simply stays until the next save.
    }
}

} // namespace kestrel
