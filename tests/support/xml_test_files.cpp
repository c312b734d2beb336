// See xml_test_files.h.
#include "support/xml_test_files.h"

#include "plans/plan_file.h"
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace kestrel::testing {

std::filesystem::path Fs(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(Utf8FromWide(path));
#endif
}

std::wstring Wide(std::u8string_view utf8) {
    return WideFromUtf8(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::wstring operator/(const std::wstring& path, std::wstring_view name) {
    return JoinPath(path, name);
}

std::wstring TempFolder::operator/(std::wstring_view name) const {
    return JoinPath(path_, name);
}

bool Exists(const std::wstring& path) {
    std::error_code ignored;
    return std::filesystem::exists(Fs(path), ignored);
}

void MakeFolder(const std::wstring& path) {
    ASSERT_TRUE(std::filesystem::create_directory(Fs(path)));
}

TempFolder::TempFolder() {
    std::random_device entropy;
    std::mt19937_64 generator(
        entropy() ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("kestrel-test-" + std::to_string(generator()));
        if (std::filesystem::create_directory(candidate)) {
#ifdef _WIN32
            path_ = candidate.wstring();
#else
            path_ = WideFromUtf8(candidate.string());
#endif
            return;
        }
    }
    throw std::runtime_error("no fresh temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Fs(path_), ignored);
}

void WriteBytes(const std::wstring& file, std::string_view bytes) {
    std::ofstream out(Fs(file), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ASSERT_TRUE(out.good()) << Fs(file);
}

std::string ReadBytes(const std::wstring& file) {
    std::ifstream in(Fs(file), std::ios::binary);
    EXPECT_TRUE(in.good()) << Fs(file);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string Utf16Bytes(std::string_view utf8, bool bigEndian, bool withBom) {
    std::u16string units;
    for (const wchar_t unit : WideFromUtf8(utf8)) {
        auto c = static_cast<char32_t>(unit);
        if (c >= 0x10000) { // UTF-32 wchar_t: split into a surrogate pair
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    if (withBom) {
        units.insert(units.begin(), u'\uFEFF');
    }
    std::string bytes;
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::vector<PlanRow> NumberedPlans(std::size_t count, std::wstring_view tag) {
    std::vector<PlanRow> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring number = std::to_wstring(i);
        rows.push_back(MakePlanRow(L"定时提醒", L"08:05", L"文字提示", L"启用", L"一 三 五 ",
                                   std::wstring(tag) + L" 提醒 <" + number + L"> & \"喝水\" "));
    }
    return rows;
}

PlanList ListOf(std::vector<PlanRow> rows) {
    PlanList list;
    list.AppendAll(std::move(rows));
    return list;
}

char WholeListOnDisk(const std::wstring& file, XmlBackend& xml, const std::vector<PlanRow>& a,
                     const std::vector<PlanRow>& b) {
    PlanList loaded;
    if (LoadPlanFile(file, xml, loaded) != PlanFileLoadResult::Loaded) {
        return 0;
    }
    return loaded.Rows() == a ? 'A' : loaded.Rows() == b ? 'B' : 0;
}

} // namespace kestrel::testing
