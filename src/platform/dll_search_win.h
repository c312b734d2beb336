// Where DLLs that the program loads by name may come from.
#pragma once

namespace kestrel::win {

// The first thing at start-up: DLLs loaded by name come from the system folder only, never from the
// program's own folder, the current folder or the PATH. On a system without SetDefaultDllDirectories, at
// least the current folder is taken out of the search.
void RestrictDllSearch();

} // namespace kestrel::win
