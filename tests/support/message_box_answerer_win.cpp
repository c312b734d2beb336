#include "support/message_box_answerer_win.h"

namespace kestrel::testing {

MessageBoxAnswerer::MessageBoxAnswerer(int button, DWORD timeoutMs) {
    worker_ = std::thread([this, button, timeoutMs] {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < timeoutMs) {
            HWND box = ::FindWindowW(L"#32770", L"Kestrel");
            if (box && ::IsWindowVisible(box)) {
                wchar_t buffer[512] = {};
                ::GetDlgItemTextW(box, 0xFFFF, buffer, 512);
                text_ = buffer;
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
                answered_ = true;
                return;
            }
            ::Sleep(10);
        }
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (!joined_) {
        worker_.join();
    }
}

std::wstring MessageBoxAnswerer::Text() {
    if (!joined_) {
        worker_.join();
        joined_ = true;
    }
    return text_;
}

bool MessageBoxAnswerer::Answered() {
    Text();
    return answered_;
}

} // namespace kestrel::testing
