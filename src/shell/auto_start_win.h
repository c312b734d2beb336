// The auto-start entry: one REG_SZ value "Kestrel" under the current user's Run key, holding the quoted
// path of the running executable followed by " mini".
#pragma once

namespace kestrel::win {

// True when the entry holds a non-empty text (start-up ticks the check box from this; it writes nothing).
bool AutoStartEntryPresent();

// The user ticked (true) or cleared (false) the check box: ticking writes the entry only when no value is
// present, leaving any existing data alone; clearing deletes it. Failures are silent.
void ApplyAutoStartChoice(bool ticked);

} // namespace kestrel::win
