// SystemProcessTable: every handle it opens is closed before it returns, on every path, and none is
// inheritable, so a monitor that runs every second for weeks holds no more handles than at start.
#include "platform/process_table_win.h"

#include "platform/handles_win.h"

#include <windows.h>

#include <tlhelp32.h>

namespace kestrel::win {

bool SystemProcessTable::Snapshot(std::vector<ProcessEntry>& processes) {
    processes.clear();
    UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        // The name field always holds a terminated string; the bound only guards against a bad one.
        const std::size_t length = ::wcsnlen(entry.szExeFile, MAX_PATH);
        processes.push_back({entry.th32ProcessID, std::wstring(entry.szExeFile, length)});
    }
    return true;
}

bool SystemProcessTable::Terminate(unsigned long id) {
    UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
    return process && ::TerminateProcess(process.get(), 0);
}

unsigned long SystemProcessTable::OwnProcessId() const {
    return ::GetCurrentProcessId();
}

} // namespace kestrel::win
