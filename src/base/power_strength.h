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

} // namespace kestrel
