// Kestrel's entry point and the whole process: single-instance check, dpi awareness, COM, common
// controls, then the Application with the system's places and stores.
#include "app/application_win.h"
#include "app/command_line.h"
#include "history/exit_mark_win.h"
#include "plans/plan_file.h"
#include "plans/plan_location.h"
#include "platform/wake_timer_win.h"
#include "platform/com_win.h"
#include "platform/dll_search_win.h"
#include "platform/dpi_win.h"
#include "platform/folder_access_win.h"
#include "platform/last_minute_store_win.h"
#include "platform/module_win.h"
#include "platform/path_name.h"
#include "platform/plan_digest_store_win.h"
#include "shell/auto_start_win.h"
#include "shell/single_instance_win.h"

#include <windows.h>

#include <cstdlib>

namespace kestrel::win {

int RunKestrel(HINSTANCE instance, const wchar_t* commandLine) {
    SingleInstanceLock lock;
    if (!lock.Claim()) {
        return 0;
    }
    EnableDpiAwareness();
    ComApartment com;

    ApplicationOptions options;
    options.instance = instance;
    const std::wstring exeFolder = ExecutableFolder();
    const PlanFileLocation plans = ChoosePlanFileLocation(SystemFolders(), exeFolder, PerUserDataFolder());
    options.planFolder = plans.folder;
    options.carryPlansFrom = plans.carryOverFrom;
    options.helperFolder = exeFolder;
    options.advertBanner = true;
    options.arguments = std::wstring(ArgumentsOf(commandLine ? commandLine : L""));
    options.autoStartPresent = &AutoStartEntryPresent;
    options.applyAutoStart = &ApplyAutoStartChoice;
    options.autoStartOtherProgram = &AutoStartOtherProgram;
    // The minute belongs to the plan file in use, so that another copy's running time is not this one's.
    RegistryMinuteValues minuteValues;
    PlanFileLastMinute lastMinute(minuteValues, LongPathOf(PlanFilePath(plans.folder)));
    options.lastMinute = &lastMinute;
    RegistryPlanDigest planDigest(LongPathOf(PlanFilePath(plans.folder)));
    options.planDigest = &planDigest;
    options.historyFolder = PerUserDataFolder();
    RegistryExitMark exitMark;
    options.exitMark = &exitMark;
    options.wakeForPlans = &ReadWakeForPlans;
    options.keepWakeForPlans = &WriteWakeForPlans;
    options.watchSettings = true;
    Application app(std::move(options));
    if (!app.Start()) {
        return 1;
    }
    return app.RunMessageLoop();
}

} // namespace kestrel::win

// The C++ library's own handler for an uncaught exception prints the exception's demangled type to a
// console this program does not have, and pulls a whole C++ name demangler into the executable to do
// it. Kestrel lets no exception escape its window procedures; should one escape elsewhere, ending at
// once is all that can be done.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    kestrel::win::RestrictDllSearch();
    // The full command line, program name included: ArgumentsOf applies one rule to every way of starting.
    return kestrel::win::RunKestrel(instance, ::GetCommandLineW());
}
