// The repeat test. A rule is either one of the fixed texts or a custom list of day characters, each
// followed by one space ("一 三 五 "); the text after the last space is never considered.
#include "plans/repeat_rule.h"

#include "base/texts.h"

#include <cstdint>

namespace kestrel {

namespace {

// A day character's weekday number, or the piece's value as a plain decimal number; 0 for anything else,
// which matches no weekday (a damaged cell such as "???" or an empty piece between two spaces).
int PieceWeekday(std::wstring_view piece) {
    if (piece.size() == 1) {
        const std::wstring_view days = text::kWeekdayChars; // Monday .. Sunday
        const std::size_t at = days.find(piece.front());
        if (at != std::wstring_view::npos) {
            return at == 6 ? 1 : static_cast<int>(at) + 2;
        }
    }
    if (piece.empty()) {
        return 0;
    }
    std::size_t i = 0;
    bool negative = false;
    if (piece[0] == L'+' || piece[0] == L'-') {
        negative = piece[0] == L'-';
        i = 1;
    }
    if (i == piece.size()) {
        return 0;
    }
    std::int64_t value = 0;
    for (; i < piece.size(); ++i) {
        const wchar_t c = piece[i];
        if (c < L'0' || c > L'9') {
            return 0;
        }
        value = value * 10 + (c - L'0');
        if (value > 7) {
            // Long digit runs cannot name a weekday; stop before they overflow.
            return 0;
        }
    }
    return negative ? 0 : static_cast<int>(value);
}

} // namespace

bool RepeatMatchesWeekday(std::wstring_view repeat, int weekday) {
    if (repeat == text::kRepeatOnce || repeat == text::kRepeatDaily) {
        return true;
    }
    if (repeat == text::kRepeatWorkdays5) {
        return weekday >= 2 && weekday <= 6;
    }
    if (repeat == text::kRepeatWorkdays6) {
        return weekday >= 2 && weekday <= 7;
    }
    if (repeat == text::kRepeatWeekend1) {
        return weekday == 1;
    }
    if (repeat == text::kRepeatWeekend2) {
        return weekday == 7 || weekday == 1;
    }
    // Custom list: only the pieces before the last space count.
    std::size_t start = 0;
    for (std::size_t space = repeat.find(L' '); space != std::wstring_view::npos;
         space = repeat.find(L' ', start)) {
        if (PieceWeekday(repeat.substr(start, space - start)) == weekday) {
            return true;
        }
        start = space + 1;
    }
    return false;
}

bool RepeatMatchesToday(std::wstring_view repeat, const Clock& clock) {
    return RepeatMatchesWeekday(repeat, clock.Now().dayOfWeek + 1);
}

} // namespace kestrel
