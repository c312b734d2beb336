// The start at log-on as the Task Manager's start-up page sees it: switching Kestrel off there leaves the
// Run value alone and writes a "disabled" mark, the value "Kestrel" under
// HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run.
#pragma once

#include "base/events.h"
#include "base/system_listener.h"

#include <functional>
#include <string>

namespace kestrel::win {

// Deletes that mark when it says disabled; true when it did (a mark that says enabled stays).
bool RemoveStartupDisabledMark();

struct StartAtLogOnHost {
    std::function<bool()> lockSet;
    // Whether "开机自动启动" is ticked.
    std::function<bool()> ticked;
    // Deletes the mark; empty: RemoveStartupDisabledMark.
    std::function<bool()> removeMark;
    EventSink* events = nullptr;
    std::function<void(const std::wstring& message)> balloon;
};

// While a password is set and "开机自动启动" is ticked, the Task Manager may not switch the start at log-on
// off: its mark goes at start-up (said in a balloon), at Exit and at the session's end.
class StartAtLogOnKeeper final : public SystemListener {
public:
    explicit StartAtLogOnKeeper(StartAtLogOnHost host) : host_(std::move(host)) {}
    // `tell`: a balloon says it was put back.
    void Keep(bool tell);
    void OnEnd(ProgramEnd) override { Keep(false); }

private:
    StartAtLogOnHost host_;
};

} // namespace kestrel::win
