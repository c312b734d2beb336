// The shutdown countdown; see shutdown_countdown.h.
#include "actions/shutdown_countdown.h"
#include "base/app_messages.h"

#include "base/texts.h"

#include <utility>

namespace kestrel {

std::wstring CountdownText(const std::wstring& operation, int secondsLeft) {
    return text::kCountdownBefore + operation + text::kCountdownMiddle + NumberText(secondsLeft) +
           text::kCountdownAfter;
}

void ShutdownCountdown::Start(std::wstring operation) {
    operation_ = std::move(operation);
    secondsLeft_ = kCountdownSeconds;
    counting_ = true;
}

bool ShutdownCountdown::Tick() {
    if (!counting_) {
        return false;
    }
    if (secondsLeft_ <= 1) {
        counting_ = false;
        return true;
    }
    --secondsLeft_;
    return false;
}

} // namespace kestrel
