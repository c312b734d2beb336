// Stable ids of every menu command, control and private message. The black-box tests post these same
// numbers to the running program, so a number here never changes once released.
#pragma once

namespace kestrel::ids {

// Tray icon callback message.
inline constexpr unsigned kTrayCallbackMessage = 2025;
// Window timer the tray icon sets on the main window while the shell is not ready to take the icon. The
// tray hook consumes its ticks, so no timer of the main window may use this id.
inline constexpr unsigned kTimerTrayIconRetry = 0x7E1A;

// Posted by the main window to itself to show a message box from the top of the message loop, never
// from inside a change notification (WM_APP + 1).
inline constexpr unsigned kMsgDeferredNotice = 0x8000 + 1;

// Tray menu.
inline constexpr unsigned kCmdTrayShow = 40001;
inline constexpr unsigned kCmdTrayHide = 40002;
inline constexpr unsigned kCmdTrayExit = 40003;

// Controls of the forbidden-programs page (Form_禁止程序), and the page's own id inside its panel.
inline constexpr unsigned kForbiddenPage = 1500;
inline constexpr unsigned kForbiddenNameLabel = 1501; // Label_Tips(1), "程序名称："
inline constexpr unsigned kForbiddenName = 1502;      // Text_程序路径
inline constexpr unsigned kForbiddenChoose = 1503;    // Command_选取文件
inline constexpr unsigned kForbiddenAdd = 1504;       // Command_加添禁止
inline constexpr unsigned kForbiddenRemove = 1505;    // Command_删除禁止
inline constexpr unsigned kForbiddenListLabel = 1506; // Label_Tips(0), "禁止列表"
inline constexpr unsigned kForbiddenList = 1507;      // List_禁止列表

// Controls of the shutdown countdown prompt.
inline constexpr unsigned kCountdownLabel = 1201;        // Label_Tips(0)
inline constexpr unsigned kCountdownBar = 1202;          // ProgressBar_关机计时
inline constexpr unsigned kCountdownNowButton = 1203;    // Command_立即关机
inline constexpr unsigned kCountdownCancelButton = 1204; // Command_取消关机

// Help menu.
inline constexpr unsigned kCmdHelpFeedback = 40011;
inline constexpr unsigned kCmdHelpAbout = 40012;

// Plan list pop-up menu, sent to the plan list page.
inline constexpr unsigned kCmdPlanEnable = 40021;
inline constexpr unsigned kCmdPlanDisable = 40022;
inline constexpr unsigned kCmdPlanDelete = 40023;
inline constexpr unsigned kCmdPlanEnableAll = 40024;
inline constexpr unsigned kCmdPlanDisableAll = 40025;
inline constexpr unsigned kCmdPlanDeleteAll = 40026;

// Controls of a reminder pop-up (Form_提醒信息). Every pop-up uses the same ids; Esc arrives as IDCANCEL.
inline constexpr unsigned kReminderHeadline = 1301;  // Label_Tips(0), the red line
inline constexpr unsigned kReminderInfoLabel = 1302; // Label_Tips(1), "信息："
inline constexpr unsigned kReminderMessage = 1303;   // Label_Tips(2), the indented message
inline constexpr unsigned kReminderStamp = 1304;     // Label_Tips(3), the grey time line
inline constexpr unsigned kReminderGotIt = 1305;     // Command_立即关机, "我知道了"
inline constexpr unsigned kReminderLater = 1306;     // Command_过会再说

// Controls of the main window.
inline constexpr unsigned kTabButtonFirst = 1001; // five tab buttons: 1001..1005, tab k is 1000 + k
inline constexpr unsigned kPanelFirst = 1011;     // five panels: 1011..1015, panel k is 1010 + k
inline constexpr unsigned kClockLabel = 1021;
inline constexpr unsigned kAutoStartCheck = 1022;
inline constexpr unsigned kAdvertBanner = 1023;
inline constexpr unsigned kTopStrip = 1024; // Picture_顶部背景框, the strip behind the tab buttons
// Each tab button keeps the number of the picture it shows (1..10, odd = selected) in its
// GWLP_USERDATA, so a test in another process can read which tab looks selected.

// Controls of the plan list page.
inline constexpr unsigned kPlanListView = 1101;
// The plan list page's dialog id inside its panel (used to find it from outside).
inline constexpr unsigned kPlanListPage = 1100;

} // namespace kestrel::ids
