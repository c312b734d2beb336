// The start at log-on as the Task Manager's start-up page sees it: switching Kestrel off there leaves the
// Run value alone and writes a "disabled" mark, the value "Kestrel" under
// HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run.
#pragma once

namespace kestrel::win {

// Deletes that mark when it says disabled; true when it did (a mark that says enabled stays).
bool RemoveStartupDisabledMark();

} // namespace kestrel::win
