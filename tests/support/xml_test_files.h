// Helpers for tests that put XML and plan files on disk: a fresh temporary folder per test, raw byte
// reads and writes, and re-encoding of UTF-8 test texts.
#pragma once

#include "plans/plan_list.h"
#include "platform/xml_tree.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

// A new, empty folder under the system's temporary folder; removed with everything in it at the end.
// Paths are Kestrel's wide paths (as its file functions take them); Fs converts one for std::filesystem.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::wstring& path() const { return path_; }
    std::wstring operator/(std::wstring_view name) const;

private:
    std::wstring path_;
};

// A wide path (UTF-8 on POSIX systems) for std::filesystem.
std::filesystem::path Fs(const std::wstring& path);
// `path` joined with `name`.
std::wstring operator/(const std::wstring& path, std::wstring_view name);
// A UTF-8 test text as a wide string (for names written as u8"...").
std::wstring Wide(std::u8string_view utf8);

bool Exists(const std::wstring& path);
void MakeFolder(const std::wstring& path);

void WriteBytes(const std::wstring& file, std::string_view bytes);
// The file's bytes; fails the current test when it cannot be read.
std::string ReadBytes(const std::wstring& file);

// UTF-8 test text as UTF-16 bytes, optionally preceded by a byte-order mark.
std::string Utf16Bytes(std::string_view utf8, bool bigEndian, bool withBom);

// `count` distinct plans whose cells carry `tag`, so that two lists can be told apart after a load.
std::vector<PlanRow> NumberedPlans(std::size_t count, std::wstring_view tag);

PlanList ListOf(std::vector<PlanRow> rows);

// After a save was killed: which whole list the plan file holds, 'A' or 'B', or 0 when it loads as
// neither (a torn or unloadable file).
char WholeListOnDisk(const std::wstring& file, XmlBackend& xml, const std::vector<PlanRow>& a,
                     const std::vector<PlanRow>& b);

} // namespace kestrel::testing
