// The system's notices, checked; see system_notices_win.h.
#include "shell/system_notices_win.h"

#include "base/texts.h"

#include <windows.h>
#include <versionhelpers.h>
#include <wtsapi32.h>

namespace kestrel::win {

namespace {

// A resume notice this soon after a wake the features heard belongs to that wake.
constexpr std::uint64_t kSameWakeMs = 60 * 1000;

// WTSQuerySessionInformationW's WTSSessionInfoEx, which MinGW's headers lack (wtsapi32.h of Windows 7).
constexpr int kSessionInfoEx = 25;
constexpr LONG kSessionStateLock = 0;
constexpr LONG kSessionStateUnlock = 1;
struct SessionInfoExLevel1 {
    ULONG sessionId;
    WTS_CONNECTSTATE_CLASS sessionState;
    LONG sessionFlags;
    WCHAR winStationName[33];
    WCHAR userName[21];
    WCHAR domainName[18];
    LARGE_INTEGER logonTime, connectTime, disconnectTime, lastInputTime, currentTime;
    DWORD incomingBytes, outgoingBytes, incomingFrames, outgoingFrames, incomingCompressed, outgoingCompressed;
};
struct SessionInfoEx {
    DWORD level;
    SessionInfoExLevel1 level1;
};

} // namespace

std::optional<SessionState> QuerySessionState() {
    SessionInfoEx* info = nullptr;
    DWORD bytes = 0;
    if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                                       static_cast<WTS_INFO_CLASS>(kSessionInfoEx), reinterpret_cast<LPWSTR*>(&info),
                                       &bytes) ||
        !info) {
        return std::nullopt;
    }
    std::optional<SessionState> state;
    if (bytes >= sizeof(SessionInfoEx) && info->level == 1 &&
        (info->level1.sessionFlags == kSessionStateLock || info->level1.sessionFlags == kSessionStateUnlock)) {
        // Windows 7 and Server 2008 R2 report the two flags the other way round.
        state = SessionState{(info->level1.sessionFlags == kSessionStateLock) == ::IsWindows8OrGreater(),
                             info->level1.sessionState != WTSDisconnected};
    }
    ::WTSFreeMemory(info);
    return state;
}

SystemNotices::SystemNotices(SystemListener& features, const Clock& clock, SystemNoticesHost host)
    : features_(features), clock_(clock), host_(std::move(host)), lastReading_(clock_.Read()) {}

std::optional<SessionState> SystemNotices::RealSession() const {
    return host_.sessionState ? host_.sessionState() : QuerySessionState();
}

void SystemNotices::RecordOnce(OncePerMinute& limit, const wchar_t* detail) {
    if (host_.events && limit.Take(MinuteNumber(clock_.Now()))) {
        host_.events->Record(text::kEventSystemNotice, detail);
    }
}

void SystemNotices::OnSessionChanged(SessionChange change) {
    switch (VerifySessionNotice(change, RealSession())) {
    case NoticeVerdict::Take:
        believed_ = AfterNotice(believed_, change);
        features_.OnSessionChanged(change);
        break;
    case NoticeVerdict::Disagrees:
        RecordOnce(sessionLines_, text::kHistorySessionNoticeFalse);
        break;
    case NoticeVerdict::Ignore:
        break;
    }
}

void SystemNotices::OnWoken(bool byPerson) {
    const ClockReading now = clock_.Read();
    if (SleptBetween(lastReading_, now)) {
        lastReading_ = now;
        wokeAtMs_ = now.tickMs;
        features_.OnWoken(byPerson);
        return;
    }
    // The notices of one wake come in turn (automatic, then a person's); a person's notice later in the
    // same awake time only says someone has come.
    if (wokeAtMs_ && (byPerson || now.tickMs - *wokeAtMs_ < kSameWakeMs)) {
        if (byPerson) {
            features_.OnWoken(true);
        }
        return;
    }
    RecordOnce(powerLines_, text::kHistoryPowerNoticeFalse);
}

void SystemNotices::OnSecondTick() {
    const ClockReading now = clock_.Read();
    if (SleptBetween(lastReading_, now)) {
        // A sleep whose resume notice has not come (or never will): the features hear the wake first.
        wokeAtMs_ = now.tickMs;
        features_.OnWoken(false);
    }
    lastReading_ = now;
    for (const SessionChange change : SessionCorrections(believed_, believed_.locked || !believed_.connected
                                                                         ? RealSession()
                                                                         : std::optional<SessionState>())) {
        believed_ = AfterNotice(believed_, change);
        features_.OnSessionChanged(change);
    }
    if (endNoticedAtMs_ && now.tickMs - *endNoticedAtMs_ >= kForgedEndAfterMs) {
        // Windows would have ended the process by now.
        endNoticedAtMs_.reset();
        if (host_.events) {
            host_.events->Record(text::kEventSystemNotice, text::kHistoryEndNoticeForged);
        }
        if (host_.forgedEnd) {
            host_.forgedEnd();
        }
    }
    features_.OnSecondTick();
}

void SystemNotices::SessionEnding() {
    if (host_.sessionEndNoticed) {
        host_.sessionEndNoticed();
    }
    const bool confirmed = ownEndExpected_ || (host_.sessionEndConfirmed ? host_.sessionEndConfirmed()
                                                                         : ::GetSystemMetrics(SM_SHUTTINGDOWN) != 0);
    if (confirmed) {
        if (host_.endSession) {
            host_.endSession();
        }
        return;
    }
    endNoticedAtMs_ = clock_.Read().tickMs;
}

} // namespace kestrel::win
