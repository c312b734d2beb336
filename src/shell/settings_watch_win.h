// Kestrel's settings watched while it runs: HKCU\Software\Kestrel with its subkeys, and its own value under
// HKCU\...\CurrentVersion\Run. Kestrel's own writes are known (platform/registry_win reports them); any
// other change is recorded, and under the parent's lock what Kestrel holds for the parent is written back
// at once: the lock record (never a damaged one), the forbidden list, quiet hours, the exit mark, the last
// minute and the Run value while "开机自动启动" is ticked. An excuse of quiet hours that Kestrel did not
// write is always taken back. A deleted key is made again and watched again.
#pragma once

#include "base/events.h"
#include "base/system_listener.h"
#include "platform/clock.h"
#include "platform/handles_win.h"
#include "shell/settings_watch.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>

namespace kestrel::win {

struct SettingsWatchHost {
    const Clock* clock = nullptr;
    EventSink* events = nullptr;
    // Whether the parent's lock is set; whether its record can be read (a damaged one is never written).
    std::function<bool()> lockSet;
    std::function<bool()> lockRecordSound;
    std::function<bool()> autoStartTicked;
    // The name of this plan file's own values under LastMinute and PlanDigest (MinuteValueName): another
    // copy of Kestrel in another folder writes its own there, which are none of this copy's business.
    std::wstring planFileValue;
};

class SettingsWatch final : public SystemListener {
public:
    explicit SettingsWatch(SettingsWatchHost host);
    ~SettingsWatch() override;
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    // Signalled when a watched key changed: the message loop waits on it.
    HANDLE Event() const { return event_.get(); }
    // Compares, records, writes back, and watches again.
    void Check();

    // A dialog's or a menu's own message loop does not wait on the event: each second looks too.
    void OnSecondTick() override;
    // Under the lock the Run value is put back at the end when it is missing or names another file.
    void OnEnd(ProgramEnd how) override;

private:
    SettingValues ReadAll() const;
    void Watch();
    void OwnWrite(HKEY root, const std::wstring& keyPath, const std::wstring& name);
    // Whether the parent's lock puts `name` back; `present`: the value exists now.
    bool HeldForParent(const std::wstring& name, bool present) const;
    // A value another copy of Kestrel keeps for its own plan file.
    bool OtherCopys(const std::wstring& name) const;
    void WriteBack(const std::wstring& name);

    SettingsWatchHost host_;
    UniqueKernelHandle event_;
    HKEY settingsKey_ = nullptr;
    HKEY runKey_ = nullptr;
    SettingValues known_;
    // Each value's key and name, by its full name.
    mutable std::map<std::wstring, std::pair<std::wstring, std::wstring>> where_;
    // One line a minute per value, whatever a loop of changes does.
    std::map<std::wstring, std::int64_t> toldMinute_;
};

} // namespace kestrel::win
