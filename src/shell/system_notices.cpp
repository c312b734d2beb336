// Which system notices Kestrel believes; see system_notices.h.
#include "shell/system_notices.h"

namespace kestrel {

NoticeVerdict VerifySessionNotice(SessionChange notice, const std::optional<SessionState>& real) {
    switch (notice) {
    case SessionChange::Locked:
        // A lock keeps quiet hours from acting: only Windows' word makes it so.
        return !real ? NoticeVerdict::Ignore : real->locked ? NoticeVerdict::Take : NoticeVerdict::Disagrees;
    case SessionChange::Disconnected:
        return !real ? NoticeVerdict::Ignore : !real->connected ? NoticeVerdict::Take : NoticeVerdict::Disagrees;
    case SessionChange::Unlocked:
        return real && real->locked ? NoticeVerdict::Disagrees : NoticeVerdict::Take;
    case SessionChange::Connected:
        return real && !real->connected ? NoticeVerdict::Disagrees : NoticeVerdict::Take;
    case SessionChange::LoggedOn:
        return NoticeVerdict::Take;
    }
    return NoticeVerdict::Ignore;
}

std::vector<SessionChange> SessionCorrections(const SessionState& believed, const std::optional<SessionState>& real) {
    std::vector<SessionChange> changes;
    if (believed.locked && (!real || !real->locked)) {
        changes.push_back(SessionChange::Unlocked);
    }
    if (!believed.connected && (!real || real->connected)) {
        changes.push_back(SessionChange::Connected);
    }
    return changes;
}

SessionState AfterNotice(SessionState believed, SessionChange change) {
    switch (change) {
    case SessionChange::Locked:
        believed.locked = true;
        break;
    case SessionChange::Unlocked:
        believed.locked = false;
        break;
    case SessionChange::Connected:
        believed.connected = true;
        break;
    case SessionChange::Disconnected:
        believed.connected = false;
        break;
    case SessionChange::LoggedOn:
        believed = SessionState{};
        break;
    }
    return believed;
}

} // namespace kestrel
