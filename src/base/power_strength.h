// How strong a power operation is, for the rule that, while a parent's password is set, the strongest
// operation due or open at once is the one counted down: shutting down ends the evening, locking only
// pauses it.
#pragma once

#include "base/texts.h"

#include <string>

namespace kestrel {

// 4 for "关闭计算机", 3 "重启计算机", 2 "注销计算机", 1 "锁定计算机"; 0 for any other text.
inline int PowerStrength(const std::wstring& operation) {
    if (operation == text::kOpShutdown) {
        return 4;
    }
    if (operation == text::kOpRestart) {
        return 3;
    }
    if (operation == text::kOpLogOff) {
        return 2;
    }
    return operation == text::kOpLock ? 1 : 0;
}

// The rule for a power operation `arriving` while the countdown of `open` may be showing (empty: none):
// true when its countdown may open now, taking the open one's place. Nothing open: always. When the
// strongest wins, only a stronger operation does (an equal one does not start the 15 seconds again);
// otherwise the newer one always does. Plans pass whether the parent's lock is set; anything else that
// opens the same countdown (a bedtime window) passes true, since it must never undo an operation.
inline bool MayOpenCountdown(const std::wstring& open, const std::wstring& arriving, bool strongestWins) {
    return open.empty() || !strongestWins || PowerStrength(arriving) > PowerStrength(open);
}

} // namespace kestrel
