// What choosing the plan file's folder needs to know of the disk, as an interface so that tests can stand
// in folders the program may or may not write.
#pragma once

#include <string>

namespace kestrel {

class FolderAccess {
public:
    virtual ~FolderAccess() = default;
    // Whether anything has the name `path`; a name that cannot be looked at counts as there.
    virtual bool Exists(const std::wstring& path) = 0;
    // Whether this program may create files in `folder` (tried, not guessed from attributes).
    virtual bool CanCreateFilesIn(const std::wstring& folder) = 0;
    // Makes `folder` and the folders above it; true when it exists afterwards.
    virtual bool CreateFolder(const std::wstring& folder) = 0;
};

} // namespace kestrel
