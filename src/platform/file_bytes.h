// Whole-file reads, and whole-file writes that a crash cannot tear: the bytes go to "<file>.tmp" in the
// same folder, are flushed to disk, and only then replace the file in one rename. At any moment the file
// holds either its old or its new content.
//
// Paths are wide strings as Windows takes them; the native build converts them to UTF-8 for POSIX.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace kestrel {

// The folder separator of the platform the program runs on.
#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// `folder` and `name` joined with one separator.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

enum class FileReadStatus {
    Read,
    NotFound, // neither the file nor its folder exists
    Failed,   // it exists but cannot be read (access denied, locked, a folder, I/O error...)
    TooLarge, // it holds more than the caller's limit; nothing was read
};

inline constexpr std::size_t kNoSizeLimit = std::numeric_limits<std::size_t>::max();

// Never throws; `bytes` is cleared first. A file larger than `maxBytes` is not read at all.
FileReadStatus ReadFileBytes(const std::wstring& file, std::string& bytes,
                             std::size_t maxBytes = kNoSizeLimit) noexcept;

// What one try of an operation that another program can hold up for a moment came to.
enum class AttemptResult {
    Done,
    Busy,   // another program holds the file (sharing violation): worth another try soon
    Failed, // any other failure: another try would fail the same way
};

// A save's replacing rename meets a file that an antivirus, indexer or sync tool holds for a moment. It is
// tried at most three times within 200 ms, since the user-interface thread waits meanwhile; `wait` sleeps
// between tries. True when a try was Done. A save that still fails is retried later by its caller.
bool RetryWhileBusy(const std::function<AttemptResult()>& attempt,
                    const std::function<void(unsigned milliseconds)>& wait);

// Replaces `file` with `bytes` as described above. Never throws; on failure the old file is untouched
// and no temporary file is left behind. `wait` sleeps between the tries of the rename (tests pass their
// own to control what the other program does meanwhile).
bool WriteFileAtomically(const std::wstring& file, std::string_view bytes) noexcept;
bool WriteFileAtomically(const std::wstring& file, std::string_view bytes,
                         const std::function<void(unsigned milliseconds)>& wait) noexcept;

enum class NewFileStatus {
    Written,
    Exists, // a file of that name is there already; it was left alone
    Failed,
};

// Writes `bytes` to a file that must not exist yet, flushed to disk; never replaces anything. A failed
// write leaves no file behind. Never throws.
NewFileStatus WriteNewFile(const std::wstring& file, std::string_view bytes) noexcept;

// Copies `from` to a file `to` that must not exist yet, flushed to disk, without holding the whole file in
// memory; never replaces anything. A failed copy leaves no file behind. Never throws.
NewFileStatus CopyToNewFile(const std::wstring& from, const std::wstring& to) noexcept;

// "<file>.tmp", the temporary that WriteFileAtomically uses.
std::wstring TemporaryPathFor(const std::wstring& file);

// Deletes `file`; true when it is gone afterwards (also when it never existed). Never throws.
bool RemoveFile(const std::wstring& file) noexcept;

// Removes a temporary left by a write that was killed half-way (the file itself is still whole).
void RemoveStaleTemporary(const std::wstring& file) noexcept;

// The file operations above as an interface, for code whose tests stand in a fake disk (a file locked
// for a while, a folder that refuses writes). None of them throws.
class FileStore {
public:
    virtual ~FileStore() = default;
    virtual FileReadStatus Read(const std::wstring& file, std::string& bytes, std::size_t maxBytes) = 0;
    // `mayWait` false: the rename is tried without waiting between tries (a retry that a timer repeats).
    virtual bool Replace(const std::wstring& file, std::string_view bytes, bool mayWait) = 0;
    virtual NewFileStatus WriteNew(const std::wstring& file, std::string_view bytes) = 0;
    virtual NewFileStatus CopyToNew(const std::wstring& from, const std::wstring& to) = 0;
    virtual void RemoveStaleTemporary(const std::wstring& file) = 0;
};

// The real disk, through the functions above.
FileStore& DiskFiles();

} // namespace kestrel
