// The auto-start check box and the "Kestrel" value under the current user's Run key. The Run key lives in
// the throwaway Wine prefix of the test rig.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kValue[] = L"Kestrel";
constexpr wchar_t kOtherValue[] = L"KestrelE2eNeighbour";
constexpr wchar_t kOtherData[] = L"\"C:\\Program Files\\Other\\other.exe\" /background";
constexpr wchar_t kForeignData[] = L"\"D:\\elsewhere\\Kestrel.exe\" mini";

class AutoStart : public testing::Test {
protected:
    void SetUp() override {
        DeleteRunValue(kValue);
        WriteRunValue(kOtherValue, kOtherData);
    }
    void TearDown() override {
        kestrel_.reset();
        DeleteRunValue(kValue);
        DeleteRunValue(kOtherValue);
    }

    // Starts Kestrel and returns its auto-start check box once start-up is over.
    HWND Start() {
        kestrel_ = std::make_unique<KestrelProcess>(sandbox_);
        main_ = kestrel_->WaitForMainWindow();
        if (main_ == nullptr || !kestrel_->WaitUntilIdle()) {
            ADD_FAILURE() << "Kestrel did not start";
            return nullptr;
        }
        return WaitForDescendant(main_, ids::kAutoStartCheck);
    }

    Sandbox sandbox_;
    std::unique_ptr<KestrelProcess> kestrel_;
    HWND main_ = nullptr;
};

TEST_F(AutoStart, TickingWritesTheEntryAndClearingDeletesIt) {
    HWND box = Start();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(IsChecked(box));

    const std::wstring expected = L"\"" + sandbox_.Exe().wstring() + L"\" mini";
    PostClick(box);
    EXPECT_TRUE(WaitUntil([&] { return ReadRunValue(kValue) == expected; }))
        << "expected " << WideToUtf8(expected) << ", found "
        << WideToUtf8(ReadRunValue(kValue).value_or(L"(none)"));
    EXPECT_TRUE(IsChecked(box));

    PostClick(box);
    EXPECT_TRUE(WaitUntil([&] { return !ReadRunValue(kValue).has_value(); })) << "the entry was not deleted";
    EXPECT_FALSE(IsChecked(box));

    EXPECT_EQ(ReadRunValue(kOtherValue), kOtherData) << "another program's entry was changed";
}

TEST_F(AutoStart, TickingKeepsAnEntryThatAlreadyExists) {
    HWND box = Start();
    ASSERT_NE(box, nullptr);
    ASSERT_FALSE(IsChecked(box));

    WriteRunValue(kValue, kForeignData);
    PostClick(box);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(box); }));
    ASSERT_TRUE(RoundTrip(main_));
    EXPECT_EQ(ReadRunValue(kValue), kForeignData);
    EXPECT_EQ(ReadRunValue(kOtherValue), kOtherData);
}

TEST_F(AutoStart, StartUpShowsAnExistingEntryTickedAndLeavesItAlone) {
    WriteRunValue(kValue, kForeignData);
    HWND box = Start();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsChecked(box));
    EXPECT_EQ(ReadRunValue(kValue), kForeignData);
}

} // namespace
} // namespace kestrel::e2e
