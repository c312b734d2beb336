// The Task Manager's mark on the start at log-on; see startup_approved_win.h.
#include "shell/startup_approved_win.h"

#include "base/texts.h"
#include "platform/registry_win.h"

#include <cstdint>
#include <vector>

namespace kestrel::win {

bool RemoveStartupDisabledMark() {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    if (QueryRegBytes(HKEY_CURRENT_USER, text::kStartupApprovedKeyPath, text::kRunValueName, type, bytes) !=
        RegRead::Read) {
        return false;
    }
    // The page writes twelve bytes: 02 (or 06) and zeros for enabled, an odd first byte and the time it
    // was switched off for disabled. Anything else is not Windows' enabled mark: it goes too, so that the
    // Run value alone decides.
    const bool enabled = type == REG_BINARY && !bytes.empty() && (bytes[0] & 1) == 0;
    return !enabled && DeleteRegValue(HKEY_CURRENT_USER, text::kStartupApprovedKeyPath, text::kRunValueName);
}

} // namespace kestrel::win

namespace kestrel::win {

void StartAtLogOnKeeper::Keep(bool tell) {
    if (!host_.lockSet || !host_.lockSet() || !host_.ticked || !host_.ticked()) {
        return;
    }
    const bool removed = host_.removeMark ? host_.removeMark() : RemoveStartupDisabledMark();
    if (!removed) {
        return;
    }
    if (host_.events) {
        host_.events->Record(text::kEventAutoStart, text::kStartupMarkEvent);
    }
    if (tell && host_.balloon) {
        host_.balloon(text::kStartupMarkRemoved);
    }
}

} // namespace kestrel::win
