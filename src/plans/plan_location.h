// Where the plan file lives. Values.xml stays beside the executable, where users know it, as long as the
// program may write there. Installed in a folder it may not write (Program Files), the program keeps the
// file in the user's own data folder instead, and takes the plans of a file beside the executable over
// once, the first time. Once the per-user file exists it is the plan file for good, even if the
// executable's folder becomes writable later: plans never jump back to an older file.
#pragma once

#include "platform/folder_access.h"

#include <string>

namespace kestrel {

struct PlanFileLocation {
    std::wstring folder; // where Values.xml is read and saved
    // A plan file whose plans are read once, when the file in `folder` does not exist yet; empty: none.
    std::wstring carryOverFrom;
};

// `exeFolder` is the executable's folder; `perUserFolder` Kestrel's folder in the user's local data
// folder (empty when the system has none).
PlanFileLocation ChoosePlanFileLocation(FolderAccess& disk, const std::wstring& exeFolder,
                                        const std::wstring& perUserFolder);

} // namespace kestrel
