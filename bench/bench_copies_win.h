// The Windows benchmarks measure copies of programs built beside them (Kestrel.exe and its helpers),
// each run in a fresh temporary folder that is removed at the end.
#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace kestrel::bench {

class BenchCopies {
public:
    // Copies `names` from the benchmark's own folder into a new folder named after `tag`.
    BenchCopies(const wchar_t* tag, std::initializer_list<const wchar_t*> names) {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        const std::filesystem::path built = std::filesystem::path(path).parent_path();
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) /
                  (std::wstring(tag) + L"-" + std::to_wstring(::GetCurrentProcessId()));
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        for (const wchar_t* name : names) {
            if (!::CopyFileW((built / name).c_str(), (folder_ / name).c_str(), FALSE)) {
                std::printf("cannot copy %ls from %ls, error %lu\n", name, built.c_str(), ::GetLastError());
                ok_ = false;
            }
        }
    }
    ~BenchCopies() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    BenchCopies(const BenchCopies&) = delete;
    BenchCopies& operator=(const BenchCopies&) = delete;

    bool ok() const { return ok_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    bool ok_ = true;
};

} // namespace kestrel::bench
