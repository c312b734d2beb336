// Guard for tests that change the registry: they run only inside Wine (the test rig's throwaway prefix),
// never against a real Windows user's registry.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

namespace kestrel::test {

inline bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace kestrel::test

#define KESTREL_ONLY_UNDER_WINE()                                                                            \
    if (!::kestrel::test::RunningUnderWine())                                                                \
    GTEST_SKIP() << "changes the registry: runs only in the throwaway Wine prefix"
