// The history's file operations on the disk; see HistoryDisk in history.h.
#pragma once

#include "history/history.h"

namespace kestrel::win {

// The one disk of the program.
HistoryDisk& SystemHistoryDisk();

} // namespace kestrel::win
