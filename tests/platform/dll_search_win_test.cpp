// Where a DLL named without a folder may come from once the program has restricted the search: the system
// folder only, never the program's own folder, where a downloads folder may hold a planted copy.
#include "platform/dll_search_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace kestrel::win {
namespace {

TEST(DllSearch, TheProgramsOwnFolderIsNotSearched) {
    // Update.dll lies beside the test program, as a planted DLL would lie beside Kestrel.exe.
    wchar_t own[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
    std::wstring beside(own);
    beside.resize(beside.find_last_of(L'\\') + 1);
    beside += L"Update.dll";
    ASSERT_NE(::GetFileAttributesW(beside.c_str()), INVALID_FILE_ATTRIBUTES) << "needs the built Update.dll";

    RestrictDllSearch();
    HMODULE planted = ::LoadLibraryW(L"Update.dll");
    EXPECT_EQ(planted, nullptr);
    if (planted) {
        ::FreeLibrary(planted);
    }
    HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr) << "the system folder is still searched";
    if (system) {
        ::FreeLibrary(system);
    }
}

} // namespace
} // namespace kestrel::win
