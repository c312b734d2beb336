// The forbidden programs in the running program: the page's check once a second, the history's lines of
// what it ended (at most one a minute per entry, then the count), the balloon for a renamed copy, and
// the list kept for the parent while the lock is set.
#pragma once

#include "actions/forbidden_programs.h"
#include "base/events.h"
#include "base/system_listener.h"
#include "history/history.h"
#include "platform/clock.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::win {

class ForbiddenProgramsPage;

struct ForbiddenWatchHost {
    const Clock* clock = nullptr;
    EventSink* events = nullptr;
    std::function<void(const std::wstring& message)> balloon;
    // Keeps the list for the parent (under the lock); removing the lock removed the kept list.
    std::function<void(const std::vector<std::wstring>& entries)> keepList;
};

class ForbiddenWatch final : public SystemListener {
public:
    // `page` must outlive the watch; its ends are reported here from now on.
    ForbiddenWatch(ForbiddenProgramsPage& page, ForbiddenWatchHost host);

    void OnSecondTick() override;
    void OnParentLockChanged(bool set) override;

private:
    void Ended(const std::vector<EndedProcess>& ended);

    ForbiddenProgramsPage& page_;
    ForbiddenWatchHost host_;
    EndedProcessLines endedLines_;
};

} // namespace kestrel::win
