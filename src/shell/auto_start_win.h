// The auto-start entry: one REG_SZ value "Kestrel" under the current user's Run key, holding the quoted
// path of the running executable followed by " mini".
#pragma once

#include <string>

namespace kestrel::win {

// True when the entry holds a non-empty text (start-up ticks the check box from this; it writes nothing).
bool AutoStartEntryPresent();

// The user ticked (true) or cleared (false) the check box: ticking writes the entry only when no value is
// present, leaving any existing data alone; clearing deletes it. Failures are silent.
void ApplyAutoStartChoice(bool ticked);

// The program file the entry starts when it is not this executable (another copy, another program);
// empty when it starts this copy or there is no entry.
std::wstring AutoStartOtherProgram();

} // namespace kestrel::win
