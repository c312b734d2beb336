// Only the privilege step of the real power calls is tried: it changes nothing but this process's token.
#include "platform/system_power_win.h"

#include "platform/handles_win.h"

#include <gtest/gtest.h>

namespace kestrel::win {
namespace {

// Sets the shutdown privilege's attributes in this process's token; returns what they were.
DWORD SetShutdownPrivilege(DWORD attributes) {
    UniqueKernelHandle token;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put());
    TOKEN_PRIVILEGES change{1, {{{}, attributes}}}, previous{};
    ::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &change.Privileges[0].Luid);
    DWORD length = 0;
    EXPECT_TRUE(::AdjustTokenPrivileges(token.get(), FALSE, &change, sizeof(previous), &previous, &length));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "the token lacks the privilege";
    return previous.PrivilegeCount == 1 ? previous.Privileges[0].Attributes : attributes; // 0: unchanged
}

TEST(SystemPower, EnableShutdownPrivilegeEnablesItInTheProcessToken) {
    const DWORD original = SetShutdownPrivilege(0);
    EXPECT_EQ(SystemPower().EnableShutdownPrivilege(), 0u);
    EXPECT_TRUE(SetShutdownPrivilege(original) & SE_PRIVILEGE_ENABLED);
}

} // namespace
} // namespace kestrel::win
