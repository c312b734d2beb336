// A plan file held by another program while Kestrel starts (an antivirus or sync tool at log-on): the
// plans appear once the file is free, and are never lost.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

TEST(PlanFileLock, PlansLockedAtStartUpAppearOnceFreeAndAreKeptThroughExit) {
    Sandbox sandbox;
    sandbox.WritePlanFile(SamplePlans());
    HANDLE lock =
        CreateFileW(sandbox.PlanFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND list = WaitForDescendant(main, ids::kPlanListView);
    ASSERT_NE(list, nullptr);
    // Held on for a while: long enough for start-up to have met the lock whenever it reads the file.
    Sleep(2000);
    EXPECT_TRUE(ReadListView(list).empty());
    EXPECT_FALSE(FindMessageBox(kestrel.Id())) << "no box for a file that is only busy";

    CloseHandle(lock);
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list) == SamplePlans(); }, 15s))
        << "the plans never appeared after the file came free";
    PostCommand(main, ids::kCmdTrayExit);
    ASSERT_TRUE(kestrel.WaitForExit());
    EXPECT_EQ(sandbox.ReadPlanFile(), SamplePlans());
}

} // namespace
} // namespace kestrel::e2e
