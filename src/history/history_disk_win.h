// The history's file operations on the disk; see HistoryDisk in history.h.
#pragma once

#include "history/history.h"

namespace kestrel::win {

// The named mutex every copy of Kestrel in the session takes around an append to the history.
inline constexpr wchar_t kHistoryWritersMutexName[] = L"Local\\Kestrel.HistoryWriters";

// The one disk of the program.
HistoryDisk& SystemHistoryDisk();

} // namespace kestrel::win
