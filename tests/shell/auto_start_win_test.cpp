#include "shell/auto_start_win.h"

#include "base/texts.h"
#include "platform/handles_win.h"
#include "shell/wine_only_win.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrel::win {
namespace {

using namespace std::string_literals;

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RawValue&) const = default;
};

RawValue Text(const std::wstring& text) {
    const auto* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, {begin, begin + (text.size() + 1) * sizeof(wchar_t)}};
}

// These tests use the real Run key of the prefix; whatever "Kestrel" held before is put back afterwards.
class AutoStartWin : public ::testing::Test {
protected:
    void SetUp() override {
        KESTREL_ONLY_UNDER_WINE();
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, text::kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, run_.put(), nullptr),
                  ERROR_SUCCESS);
        saved_ = Read(text::kRunValueName);
        Write(text::kRunValueName, std::nullopt);
    }
    void TearDown() override {
        if (run_) {
            Write(text::kRunValueName, saved_);
            Write(kSibling, std::nullopt);
        }
    }

    std::optional<RawValue> Read(const wchar_t* name) {
        RawValue value;
        DWORD size = 0;
        if (::RegQueryValueExW(run_.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.data.resize(size);
        ::RegQueryValueExW(run_.get(), name, nullptr, &value.type, value.data.data(), &size);
        return value;
    }
    void Write(const wchar_t* name, const std::optional<RawValue>& value) {
        if (!value) {
            ::RegDeleteValueW(run_.get(), name);
            return;
        }
        ASSERT_EQ(::RegSetValueExW(run_.get(), name, 0, value->type, value->data.data(),
                                   static_cast<DWORD>(value->data.size())),
                  ERROR_SUCCESS);
    }

    static std::wstring ModulePath() {
        std::wstring path(32768, L'\0');
        path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
        return path;
    }

    static constexpr wchar_t kSibling[] = L"KestrelTestsSibling";
    UniqueRegKey run_;
    std::optional<RawValue> saved_;
};

TEST_F(AutoStartWin, TickingWithoutEntryWritesQuotedPathAndMini) {
    ApplyAutoStartChoice(true);
    EXPECT_EQ(Read(text::kRunValueName), Text(L"\"" + ModulePath() + L"\" mini"));
    EXPECT_TRUE(AutoStartEntryPresent());
}

TEST_F(AutoStartWin, TickingReplacesOnlyAnEmptyEntry) {
    Write(text::kRunValueName, Text(L""));
    ApplyAutoStartChoice(true);
    EXPECT_EQ(Read(text::kRunValueName), Text(L"\"" + ModulePath() + L"\" mini"));

    const RawValue other = Text(L"\"D:\\其他\\Kestrel.exe\" mini");
    Write(text::kRunValueName, other);
    ApplyAutoStartChoice(true);
    EXPECT_EQ(Read(text::kRunValueName), other);
}

TEST_F(AutoStartWin, ClearingDeletesOnlyTheEntry) {
    const RawValue sibling = Text(L"keep me");
    Write(kSibling, sibling);
    Write(text::kRunValueName, Text(L"\"C:\\Kestrel.exe\" mini"));
    ApplyAutoStartChoice(false);
    EXPECT_EQ(Read(text::kRunValueName), std::nullopt);
    ApplyAutoStartChoice(false); // nothing there: changes nothing, reports nothing
    EXPECT_EQ(Read(text::kRunValueName), std::nullopt);
    EXPECT_EQ(Read(kSibling), sibling);
}

TEST_F(AutoStartWin, EntryPresentOnlyForNonEmptyText) {
    EXPECT_FALSE(AutoStartEntryPresent());
    Write(text::kRunValueName, Text(L""));
    EXPECT_FALSE(AutoStartEntryPresent());
    Write(text::kRunValueName, Text(L"x"));
    EXPECT_TRUE(AutoStartEntryPresent());
}

} // namespace
} // namespace kestrel::win
