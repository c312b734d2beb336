// In 延时操作 mode each editor shows the clock time its plan would fire at ("→ 04:56"); it moves on with
// every turn of the minute.
#pragma once

#include "base/system_listener.h"
#include "editors/plan_editor_page_win.h"
#include "platform/clock.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace kestrel::win {

class CountdownTargets final : public SystemListener {
public:
    using Editors = std::array<std::unique_ptr<PlanEditorPage>, 3>;
    // `editors` (made or not yet) and `clock` must outlive this.
    CountdownTargets(const Editors& editors, const Clock& clock) : editors_(editors), clock_(clock) {}

    void OnSecondTick() override {
        const std::int64_t minute = MinuteNumber(clock_.Now());
        if (shownMinute_ == minute) {
            return;
        }
        shownMinute_ = minute;
        for (const auto& editor : editors_) {
            if (editor) {
                editor->ShowCountdownTarget();
            }
        }
    }

private:
    const Editors& editors_;
    const Clock& clock_;
    std::optional<std::int64_t> shownMinute_;
};

} // namespace kestrel::win
