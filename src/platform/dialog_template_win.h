// An empty dialog template in memory: the helper libraries and the about box build their controls in
// code (sized for the monitor's dpi, ids from command_ids.h), so they carry no dialog resources.
#pragma once

#include <windows.h>

namespace kestrel::win {

struct EmptyDialogTemplate {
    DLGTEMPLATE dialog{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
    WORD padding = 0;
};

inline EmptyDialogTemplate MakeDialogTemplate(DWORD style) {
    EmptyDialogTemplate t;
    t.dialog.style = style;
    t.dialog.cx = 100;
    t.dialog.cy = 50;
    return t;
}

} // namespace kestrel::win
