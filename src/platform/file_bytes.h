// Whole-file reads, and whole-file writes that a crash cannot tear: the bytes go to "<file>.tmp" in the
// same folder, are flushed to disk, and only then replace the file in one rename. At any moment the file
// holds either its old or its new content.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrel {

enum class FileReadStatus {
    Read,
    NotFound, // neither the file nor its folder exists
    Failed,   // it exists but cannot be read (access denied, locked, a folder, I/O error...)
};

// Never throws; `bytes` is cleared first.
FileReadStatus ReadFileBytes(const std::filesystem::path& file, std::string& bytes) noexcept;

// Replaces `file` with `bytes` as described above. Never throws; on failure the old file is untouched
// and no temporary file is left behind.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) noexcept;

// "<file>.tmp", the temporary that WriteFileAtomically uses.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& file);

// Removes a temporary left by a write that was killed half-way (the file itself is still whole).
void RemoveStaleTemporary(const std::filesystem::path& file) noexcept;

} // namespace kestrel
