// The platform-independent half of file_bytes.h.
#include "platform/file_bytes.h"

#include <system_error>

namespace kestrel {

std::filesystem::path TemporaryPathFor(const std::filesystem::path& file) {
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    return temporary;
}

void RemoveStaleTemporary(const std::filesystem::path& file) noexcept {
    try {
        std::error_code ignored;
        std::filesystem::remove(TemporaryPathFor(file), ignored);
    } catch (...) {
        // Only an allocation can throw here; the stale file simply stays until the next save.
    }
}

} // namespace kestrel
