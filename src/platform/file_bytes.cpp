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

FileStore& DiskFiles() {
    class Disk final : public FileStore {
    public:
        FileReadStatus Read(const std::wstring& file, std::string& bytes) override {
            return ReadFileBytes(file, bytes);
        }
        bool Replace(const std::wstring& file, std::string_view bytes) override {
            return WriteFileAtomically(file, bytes);
        }
        NewFileStatus WriteNew(const std::wstring& file, std::string_view bytes) override {
            return WriteNewFile(file, bytes);
        }
        void RemoveStaleTemporary(const std::wstring& file) override { kestrel::RemoveStaleTemporary(file); }
    };
    static Disk disk;
    return disk;
}

} // namespace kestrel
