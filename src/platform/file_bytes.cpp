// The platform-independent half of file_bytes.h.
#include "platform/file_bytes.h"

#include <iterator>

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

bool RetryWhileBusy(const std::function<AttemptResult()>& attempt,
                    const std::function<void(unsigned milliseconds)>& wait) {
    // Three tries with 50 and 100 ms between them: 150 ms of waiting at most.
    constexpr unsigned kWaitsMs[] = {50, 100};
    for (std::size_t tried = 0;; ++tried) {
        switch (attempt()) {
        case AttemptResult::Done:
            return true;
        case AttemptResult::Failed:
            return false;
        case AttemptResult::Busy:
            break;
        }
        if (tried == std::size(kWaitsMs)) {
            return false;
        }
        wait(kWaitsMs[tried]);
    }
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
        FileReadStatus Read(const std::wstring& file, std::string& bytes, std::size_t maxBytes) override {
            return ReadFileBytes(file, bytes, maxBytes);
        }
        bool Replace(const std::wstring& file, std::string_view bytes, bool mayWait) override {
            return mayWait ? WriteFileAtomically(file, bytes)
                           : WriteFileAtomically(file, bytes, [](unsigned) {});
        }
        NewFileStatus WriteNew(const std::wstring& file, std::string_view bytes) override {
            return WriteNewFile(file, bytes);
        }
        NewFileStatus CopyToNew(const std::wstring& from, const std::wstring& to) override {
            return CopyToNewFile(from, to);
        }
        void RemoveStaleTemporary(const std::wstring& file) override { kestrel::RemoveStaleTemporary(file); }
    };
    static Disk disk;
    return disk;
}

} // namespace kestrel
