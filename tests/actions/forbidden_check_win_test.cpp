// Soak of the monitor over the real process list: many ticks with entries that match a process that
// cannot be ended and a process id that does not exist, and the handle count of this process stays flat.
#include "actions/forbidden_programs.h"
#include "platform/module_win.h"
#include "platform/process_table_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

namespace kestrel::win {
namespace {

// The handles this process holds, from the system's handle table (GetProcessHandleCount answers 0
// under Wine).
ULONG OwnHandleCount() {
    struct Entry {
        ULONG processId;
        UCHAR type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr int kSystemHandleInformation = 16;
    for (ULONG size = 1u << 20; query && size <= (1u << 26); size *= 2) {
        std::vector<ULONG> table(size / sizeof(ULONG));
        if (query(kSystemHandleInformation, table.data(), size, nullptr) == 0) {
            const auto* entries = reinterpret_cast<const Entry*>(&table[1]);
            return static_cast<ULONG>(std::count_if(entries, entries + table[0], [](const Entry& e) {
                return e.processId == GetCurrentProcessId();
            }));
        }
    }
    return 0;
}

TEST(ForbiddenCheckSoak, HandleCountStaysFlatOverManyTicks) {
    // A process that has ended but is still held open: it can be opened, yet never ended again.
    const std::wstring self = ExecutablePath();
    std::wstring commandLine = L"\"" + self + L"\" --gtest_filter=NoSuchTest";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION exited{};
    ASSERT_TRUE(CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &exited));
    ASSERT_EQ(WaitForSingleObject(exited.hProcess, 30000), WAIT_OBJECT_0);

    // Each tick: the real snapshot plus that process and an id nobody has, neither of which can be ended,
    // and the version data of every process to read.
    struct WithStrangers final : ProcessTable {
        SystemProcessTable system;
        DWORD exitedId = 0;
        bool Snapshot(std::vector<ProcessEntry>& processes) override {
            const bool taken = system.Snapshot(processes);
            processes.push_back({exitedId, L"ended.exe", 1});
            processes.push_back({0xFFFFFFF0u, L"absent.exe", 1});
            return taken;
        }
        std::optional<ProgramFile> ReadProgramFile(const ProcessEntry& p) override {
            return system.ReadProgramFile(p);
        }
        EndResult End(const ProcessEntry& p, const std::wstring& path) override { return system.End(p, path); }
        unsigned long OwnProcessId() const override { return system.OwnProcessId(); }
    } table;
    table.exitedId = exited.dwProcessId;
    const auto tick = [&] {
        // A new monitor each time: nothing is remembered, so every handle is opened again.
        ForbiddenMonitor monitor(table);
        monitor.Tick({L"ENDED.EXE", L"absent.exe", L"no-such-original.exe"});
    };
    tick();
    const ULONG before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 500; ++i) {
        tick();
    }
    EXPECT_EQ(OwnHandleCount(), before);
    CloseHandle(exited.hThread);
    CloseHandle(exited.hProcess);
}

} // namespace
} // namespace kestrel::win
