#include "platform/registry_win.h"

#include "platform/handles_win.h"

#include "shell/wine_only_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::win {
namespace {

using namespace std::string_literals;

std::vector<BYTE> Bytes(const std::wstring& text) {
    const auto* begin = reinterpret_cast<const BYTE*>(text.data());
    return {begin, begin + text.size() * sizeof(wchar_t)};
}

class RegistryWin : public ::testing::Test {
protected:
    void SetUp() override {
        KESTREL_ONLY_UNDER_WINE();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KestrelTests"); // only when no other test keys remain
    }

    void WriteRaw(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
        ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    // The stored type and bytes of a value; type REG_NONE and no bytes when it is missing.
    std::pair<DWORD, std::vector<BYTE>> ReadRaw(const wchar_t* name) {
        DWORD type = REG_NONE, size = 0;
        if (::RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return {REG_NONE, {}};
        }
        std::vector<BYTE> data(size);
        ::RegQueryValueExW(key_.get(), name, nullptr, &type, data.data(), &size);
        return {type, data};
    }

    const std::wstring path_ = L"Software\\KestrelTests\\Registry" + std::to_wstring(::GetCurrentProcessId());
    UniqueRegKey key_;
};

TEST_F(RegistryWin, MissingKeyOrValueLeavesTheResult) {
    for (const std::wstring& before : {L""s, L"sentinel"s}) {
        DWORD type = 77;
        std::wstring result = before;
        EXPECT_FALSE(QueryRegValue(HKEY_CURRENT_USER, path_ + L"\\Missing", L"v", type, result));
        EXPECT_EQ(result, before);
        EXPECT_EQ(type, 77u);
        EXPECT_TRUE(QueryRegValue(HKEY_CURRENT_USER, path_, L"missing", type, result));
        EXPECT_EQ(result, before);
        EXPECT_EQ(type, 77u);
    }
}

TEST_F(RegistryWin, ReadsEveryTypeRendered) {
    const std::wstring longDir(600, L'd'); // longer than the text plus 256 characters
    ASSERT_TRUE(::SetEnvironmentVariableW(L"KESTREL_TEST_DIR", longDir.c_str()));
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"sz", REG_SZ, Bytes(L"开机自动启动 mini"s + L'\0'), L"开机自动启动 mini"},
        {L"szNoNul", REG_SZ, Bytes(L"abc"), L"abc"},
        {L"szOdd", REG_SZ, {'a', 0, 'b', 0, 'c'}, L"ab"},
        {L"szEmpty", REG_SZ, {}, L""},
        {L"expand", REG_EXPAND_SZ, Bytes(L"%KESTREL_TEST_DIR%\\x"s + L'\0'), longDir + L"\\x"},
        {L"multi", REG_MULTI_SZ, Bytes(L"one\0two\0\0"s), L"one\0two\0"s},
        {L"binary", REG_BINARY, {0x0A, 0x1F, 0x00}, L"oldA1F0"},
        {L"dword", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, L"-2"},
        {L"bigEndian", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x01, 0x00}, L"256"},
        {L"none", REG_NONE, {1, 2}, L"old"},
        {L"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, L"old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(c.name, c.type, c.data);
        DWORD type = REG_SZ;
        std::wstring result = L"old";
        EXPECT_TRUE(QueryRegValue(HKEY_CURRENT_USER, path_, c.name, type, result));
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(RegistryWin, ReadsLargeValueWhole) {
    const std::wstring big(200000, L'字');
    WriteRaw(L"big", REG_SZ, Bytes(big + L'\0'));
    DWORD type = REG_SZ;
    std::wstring result;
    EXPECT_TRUE(QueryRegValue(HKEY_CURRENT_USER, path_, L"big", type, result));
    EXPECT_EQ(result, big);
}

// Another writer switching the value between a short and a long text must never produce a cut or mixed
// text: each read shows one of the two whole.
TEST_F(RegistryWin, ValueChangingSizeDuringReadsIsReadWhole) {
    const std::wstring shortText = L"short", longText(5000, L'L');
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, path_, L"v", REG_SZ, shortText));
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (bool flip = false; !stop; flip = !flip) {
            SetRegValue(HKEY_CURRENT_USER, path_, L"v", REG_SZ, flip ? longText : shortText);
        }
    });
    int mismatches = 0;
    for (int i = 0; i < 500; ++i) {
        DWORD type = REG_SZ;
        std::wstring result;
        QueryRegValue(HKEY_CURRENT_USER, path_, L"v", type, result);
        mismatches += (result != shortText && result != longText) ? 1 : 0;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mismatches, 0);
}

TEST_F(RegistryWin, SetCreatesMissingKeysAndWritesNulTerminatedText) {
    const std::wstring deeper = path_ + L"\\New\\Deeper";
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, deeper, L"v", REG_SZ, L"\"C:\\定时\\Kestrel.exe\" mini"));
    DWORD type = REG_NONE;
    std::wstring result;
    EXPECT_TRUE(QueryRegValue(HKEY_CURRENT_USER, deeper, L"v", type, result));
    EXPECT_EQ(result, L"\"C:\\定时\\Kestrel.exe\" mini");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryWin, SetWritesTextTypesOnly) {
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::wstring data;
        bool written;
        std::vector<BYTE> stored;
    };
    const Case cases[] = {
        {L"sz", REG_SZ, L"ab", true, Bytes(L"ab"s + L'\0')},
        {L"empty", REG_SZ, L"", true, Bytes(L"\0"s)},
        {L"expand", REG_EXPAND_SZ, L"%TEMP%", true, Bytes(L"%TEMP%"s + L'\0')},
        {L"multi", REG_MULTI_SZ, L"a\0b"s, true, Bytes(L"a\0b\0\0"s)},
        {L"multiClosed", REG_MULTI_SZ, L"a\0b\0"s, true, Bytes(L"a\0b\0\0"s)},
        {L"dword", REG_DWORD, L"12", false, {}},
        {L"binary", REG_BINARY, L"12", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SetRegValue(HKEY_CURRENT_USER, path_, c.name, c.type, c.data), c.written);
        const auto [type, stored] = ReadRaw(c.name);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(type, c.written ? c.type : static_cast<DWORD>(REG_NONE));
    }
    EXPECT_FALSE(SetRegValue(reinterpret_cast<HKEY>(0x1234), path_, L"v", REG_SZ, L"x"));
}

TEST_F(RegistryWin, DeleteRemovesOnlyAnExistingValue) {
    WriteRaw(L"v", REG_SZ, Bytes(L"x"s + L'\0'));
    WriteRaw(L"other", REG_SZ, Bytes(L"y"s + L'\0'));
    EXPECT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, path_, L"v"));
    EXPECT_EQ(ReadRaw(L"v").second, std::vector<BYTE>{});
    EXPECT_EQ(ReadRaw(L"other").second, Bytes(L"y"s + L'\0'));
    EXPECT_FALSE(DeleteRegValue(HKEY_CURRENT_USER, path_, L"v"));
    EXPECT_FALSE(DeleteRegValue(HKEY_CURRENT_USER, path_ + L"\\Missing", L"v"));
}

} // namespace
} // namespace kestrel::win
