// MaskEdBox_时间: an edit control that keeps to the mask "##:##" (see time_mask.h). WM_SETTEXT and
// WM_GETTEXT carry the whole five-character text, so programs and tests read and set it as a user sees it.
#pragma once

#include <windows.h>

namespace kestrel::win {

// Creates the field as a child of `parent` with the control id `id`, showing "  :  ".
HWND CreateTimeField(HWND parent, unsigned id);

} // namespace kestrel::win
