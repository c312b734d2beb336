// frmAbout: the modal about box of Help → "关于[&A]": icon, title, version, description, the home page
// as a link, "确定" and two decorative lines, laid out in twips for the monitor's dpi.
#pragma once

#include "platform/handles_win.h"
#include "platform/window_win.h"

#include <functional>
#include <string>

namespace kestrel::win {

class AboutBox final : public Dialog {
public:
    // `openLink` is called with the home page address when the link is used (left click, or Space
    // while it has the keyboard focus).
    AboutBox(std::wstring homePage, std::function<void(const std::wstring&)> openLink);

    // Shows the box modally over `owner` (disabled meanwhile) and returns when it is closed.
    void Show(HINSTANCE instance, HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Build();
    void DrawLink(const DRAWITEMSTRUCT& item);

    std::wstring homePage_;
    std::function<void(const std::wstring&)> openLink_;
    HINSTANCE instance_ = nullptr;
    HWND link_ = nullptr;
    HWND title_ = nullptr;
    int dpi_ = 96;
    UniqueFont font_;
    UniqueFont titleFont_;
    UniqueFont linkFont_;
    UniqueIcon icon_;
};

} // namespace kestrel::win
