// POSIX implementation of file_bytes.h.
#include "platform/file_bytes.h"

#include "platform/xml_tree.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now so that a failing close (delayed write error) can be seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The POSIX name of a wide path.
std::string Native(const std::wstring& path) {
    return Utf8FromWide(path);
}

// The folder part of a POSIX path, "." when there is none.
std::string FolderOf(const std::string& file) {
    const auto slash = file.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Makes a rename or a new name durable; best effort (some file systems refuse fsync on folders).
void SyncFolder(const std::string& folder) {
    const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

} // namespace

FileReadStatus ReadFileBytes(const std::wstring& file, std::string& bytes, std::size_t maxBytes) noexcept {
    try {
        bytes.clear();
        Fd fd(::open(Native(file).c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) {
            return (errno == ENOENT || errno == ENOTDIR) ? FileReadStatus::NotFound : FileReadStatus::Failed;
        }
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return FileReadStatus::Failed;
        }
        if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
            return FileReadStatus::TooLarge;
        }
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                bytes.clear();
                return FileReadStatus::Failed;
            }
            if (got == 0) {
                return FileReadStatus::Read;
            }
            if (static_cast<std::size_t>(got) > maxBytes - bytes.size()) {
                // It grew while being read.
                bytes.clear();
                return FileReadStatus::TooLarge;
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (...) {
        bytes.clear();
        return FileReadStatus::Failed;
    }
}

bool WriteFileAtomically(const std::wstring& file, std::string_view bytes) noexcept {
    return WriteFileAtomically(file, bytes, [](unsigned) {});
}

// A POSIX rename replaces a file whoever holds it open, so there is nothing to wait for.
bool WriteFileAtomically(const std::wstring& file, std::string_view bytes,
                         const std::function<void(unsigned milliseconds)>&) noexcept {
    try {
        const std::string target = Native(file);
        const std::string temporary = Native(TemporaryPathFor(file));
        bool ok = false;
        {
            Fd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            if (fd.get() < 0) {
                return false;
            }
            ok = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
            ok = fd.Close() && ok;
        }
        ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
        if (!ok) {
            ::unlink(temporary.c_str());
            return false;
        }
        SyncFolder(FolderOf(target));
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// The end of writing a new file: flushed and closed when all went well, removed otherwise, so that a
// failed write never leaves a half file where a copy should be.
NewFileStatus FinishNewFile(Fd& fd, const std::string& target, bool written) {
    bool ok = written && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    if (!ok) {
        ::unlink(target.c_str());
        return NewFileStatus::Failed;
    }
    SyncFolder(FolderOf(target));
    return NewFileStatus::Written;
}

} // namespace

NewFileStatus WriteNewFile(const std::wstring& file, std::string_view bytes) noexcept {
    try {
        const std::string target = Native(file);
        Fd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd.get() < 0) {
            return errno == EEXIST ? NewFileStatus::Exists : NewFileStatus::Failed;
        }
        return FinishNewFile(fd, target, WriteAll(fd.get(), bytes));
    } catch (...) {
        return NewFileStatus::Failed;
    }
}

NewFileStatus CopyToNewFile(const std::wstring& from, const std::wstring& to) noexcept {
    try {
        const Fd source(::open(Native(from).c_str(), O_RDONLY | O_CLOEXEC));
        if (source.get() < 0) {
            return NewFileStatus::Failed;
        }
        const std::string target = Native(to);
        Fd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd.get() < 0) {
            return errno == EEXIST ? NewFileStatus::Exists : NewFileStatus::Failed;
        }
        bool ok = true;
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            if (!WriteAll(fd.get(), std::string_view(buffer, static_cast<std::size_t>(got)))) {
                ok = false;
                break;
            }
        }
        return FinishNewFile(fd, target, ok);
    } catch (...) {
        return NewFileStatus::Failed;
    }
}

bool RemoveFile(const std::wstring& file) noexcept {
    try {
        return ::unlink(Native(file).c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
    } catch (...) {
        return false;
    }
}

} // namespace kestrel
