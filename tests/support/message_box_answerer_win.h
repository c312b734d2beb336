// Answers the next message box titled "Kestrel" from a helper thread, for in-process tests of code that
// asks the user. Records the box's text.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace kestrel::testing {

class MessageBoxAnswerer {
public:
    // Presses `button` (IDYES, IDNO, IDOK) on the first box that appears within `timeoutMs`.
    explicit MessageBoxAnswerer(int button, DWORD timeoutMs = 5000);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Waits for the helper; the text of the box that was answered, empty when none appeared.
    std::wstring Text();
    bool Answered();

private:
    std::thread worker_;
    std::wstring text_;
    std::atomic<bool> answered_{false};
    bool joined_ = false;
};

} // namespace kestrel::testing
