// The replacing rename of a save against a file that another program holds open (an antivirus, an
// indexer, a sync tool): Windows refuses the rename while the file is held, and the save tries again.
#include "platform/file_bytes.h"
#include "support/xml_test_files.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace kestrel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
using testing::operator/;

// Holds `file` open the way such programs do: reading, without letting it be deleted or replaced.
HANDLE Hold(const std::wstring& file) {
    return ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
}

TEST(FileBytesWin, ASaveWaitsForAFileHeldForAMomentAndGivesUpOnOneHeldLonger) {
    for (const bool letGo : {true, false}) {
        SCOPED_TRACE(letGo ? "let go during the first wait" : "held throughout");
        TempFolder folder;
        const std::wstring file = folder / L"Values.xml";
        WriteBytes(file, "old");
        HANDLE holder = Hold(file);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        int waits = 0;
        const bool saved = WriteFileAtomically(file, "new", [&](unsigned) {
            if (++waits == 1 && letGo) {
                ::CloseHandle(std::exchange(holder, INVALID_HANDLE_VALUE));
            }
        });
        if (holder != INVALID_HANDLE_VALUE) {
            ::CloseHandle(holder);
        }
        EXPECT_EQ(saved, letGo);
        EXPECT_EQ(waits, letGo ? 1 : 2);
        EXPECT_EQ(ReadBytes(file), letGo ? "new" : "old");
        EXPECT_FALSE(Exists(TemporaryPathFor(file)));
    }
}

} // namespace
} // namespace kestrel
