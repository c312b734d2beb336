// Where the plan file lives; see plan_location.h.
#include "plans/plan_location.h"

#include "plans/plan_file.h"

namespace kestrel {

PlanFileLocation ChoosePlanFileLocation(FolderAccess& disk, const std::wstring& exeFolder,
                                        const std::wstring& perUserFolder) {
    if (perUserFolder.empty()) {
        return {exeFolder, {}};
    }
    if (disk.Exists(PlanFilePath(perUserFolder))) {
        return {perUserFolder, {}};
    }
    // When neither folder can be written, the file stays beside the executable: its plans are read as
    // always, and the failed saves are told.
    if (disk.CanCreateFilesIn(exeFolder) || !disk.CreateFolder(perUserFolder)) {
        return {exeFolder, {}};
    }
    return {perUserFolder, PlanFilePath(exeFolder)};
}

} // namespace kestrel
