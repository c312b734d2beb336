// The masked time field driven as the keyboard, the clipboard and other programs drive it.
#include "editors/time_field_win.h"

#include "platform/window_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kestrel::win {
namespace {

enum class Input { Type, Backspace, Delete, Paste, CtrlV, SetText };

void PutOnClipboard(HWND owner, const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
}

TEST(TimeField, KeepsToTheMaskWhateverArrives) {
    const struct {
        const wchar_t* before;
        int selStart, selEnd;
        Input input;
        const wchar_t* text;
        const wchar_t* after;
        int caret; // -1: not checked
    } cases[] = {
        {L"", 0, 0, Input::Type, L"0930", L"09:30", 5},      // typing steps over the colon
        {L"12:34", 1, 1, Input::Type, L"5", L"15:34", 3},    // overwrites, then skips the colon
        {L"12:34", 2, 2, Input::Type, L"7", L"12:74", 4},    // at the colon: the next position
        {L"12:34", 0, 0, Input::Type, L"a:- ", L"12:34", 0}, // only digits
        {L"12:34", 5, 5, Input::Type, L"7", L"12:34", 5},    // nothing past the end
        {L"12:34", 1, 4, Input::Type, L"9", L"19: 4", 3},    // a selection is blanked, then typed over
        {L"12:34", 3, 3, Input::Backspace, nullptr, L"1 :34", 1},
        {L"12:34", 0, 0, Input::Backspace, nullptr, L"12:34", 0},
        {L"12:34", 0, 5, Input::Backspace, nullptr, L"  :  ", 0},
        {L"12:34", 2, 2, Input::Delete, nullptr, L"12: 4", 4},
        {L"12:34", 1, 1, Input::Delete, nullptr, L"1 :34", 3},
        {L"12:34", 1, 1, Input::Paste, L"0930", L"09:30", 5},
        {L"", 0, 0, Input::Paste, L" 09:30\r\n", L"09:30", 5},
        {L"12:34", 0, 0, Input::Paste, L"9:30", L"12:34", -1},
        {L"12:34", 0, 0, Input::Paste, L"09-30", L"12:34", -1},
        {L"12:34", 0, 0, Input::CtrlV, L"2359", L"23:59", 5},
        {L"12:34", 0, 0, Input::SetText, L"0800", L"08:00", -1},
        {L"12:34", 0, 0, Input::SetText, L"24:60", L"24:60", -1}, // held as typed; adding refuses it
        {L"12:34", 0, 0, Input::SetText, L"7", L"7 :  ", -1},
        {L"12:34", 0, 0, Input::SetText, L"ab:1x", L"  :1 ", -1},
    };
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND field = CreateTimeField(parent, 1);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(GetWindowTextString(field), L"  :  ");
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "from \"" << std::wstring(c.before) << "\" at " << c.selStart
                                          << ".." << c.selEnd << " input " << static_cast<int>(c.input)
                                          << " \"" << std::wstring(c.text ? c.text : L"") << "\"");
        ::SetWindowTextW(field, c.before);
        ::SendMessageW(field, EM_SETSEL, c.selStart, c.selEnd);
        switch (c.input) {
        case Input::Type:
            for (const wchar_t* ch = c.text; *ch; ++ch) {
                ::SendMessageW(field, WM_CHAR, *ch, 1);
            }
            break;
        case Input::Backspace:
            ::SendMessageW(field, WM_CHAR, VK_BACK, 1);
            break;
        case Input::Delete:
            ::SendMessageW(field, WM_KEYDOWN, VK_DELETE, 1);
            break;
        case Input::Paste:
        case Input::CtrlV:
            PutOnClipboard(parent, c.text);
            ::SendMessageW(field, c.input == Input::Paste ? WM_PASTE : WM_CHAR,
                           c.input == Input::Paste ? 0 : 0x16, 0);
            break;
        case Input::SetText:
            ::SetWindowTextW(field, c.text);
            break;
        }
        EXPECT_EQ(GetWindowTextString(field), c.after);
        if (c.caret >= 0) {
            DWORD start = 0;
            ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
            EXPECT_EQ(static_cast<int>(start), c.caret);
        }
    }
    ::DestroyWindow(parent);
}

} // namespace
} // namespace kestrel::win
