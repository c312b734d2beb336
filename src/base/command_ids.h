// Stable ids of every menu command, control and private message. The black-box tests post these same
// numbers to the running program, so a number here never changes once released.
#pragma once

namespace kestrel::ids {

// Tray icon callback message.
inline constexpr unsigned kTrayCallbackMessage = 2025;
// Window timer the tray icon sets on the main window while the shell is not ready to take the icon. The
// tray hook consumes its ticks, so no timer of the main window may use this id.
inline constexpr unsigned kTimerTrayIconRetry = 0x7E1A;
// Window timer the tray icon sets while a balloon shows: at its tick the next balloon in line comes, even
// when the shell never says that the one showing has gone. Consumed by the tray hook as well.
inline constexpr unsigned kTimerTrayBalloon = 0x7E1B;

// Posted by the main window to itself to show a message box from the top of the message loop, never
// from inside a change notification (WM_APP + 1).
inline constexpr unsigned kMsgDeferredNotice = 0x8000 + 1;
// Sent by the main window to the pages of the tab in front when they come into sight: the tab was
// chosen or the window came back from the tray (WM_APP + 20). The main window posts itself the second
// one to send it once the window is shown (WM_APP + 21).
inline constexpr unsigned kMsgPageShown = 0x8000 + 20;
inline constexpr unsigned kMsgPagesShown = 0x8000 + 21;

// The plan editor pages (1400..1402) and their controls. The three pages use the same control ids;
// a test finds a page by its id, then the control inside it.
inline constexpr unsigned kShutdownEditorPage = 1400;
inline constexpr unsigned kReminderEditorPage = 1401;
inline constexpr unsigned kRunEditorPage = 1402;
inline constexpr unsigned kEditorTimingFixed = 1410;     // Option_计时操作(0)
inline constexpr unsigned kEditorTimingCountdown = 1411; // Option_计时操作(1)
inline constexpr unsigned kEditorTimeLabel = 1412;       // Label_Tips(1)
inline constexpr unsigned kEditorTimeField = 1413;       // MaskEdBox_时间
inline constexpr unsigned kEditorNow = 1414;             // Command_当前时间
inline constexpr unsigned kEditorRepeatOnce = 1415;      // Option_是否重复(0)
inline constexpr unsigned kEditorRepeatPlan = 1416;      // Option_是否重复(1)
inline constexpr unsigned kEditorRepeatType = 1417;      // Combo_重复类型
inline constexpr unsigned kEditorWeekdayFirst = 1420;    // Check_重复星期(0..6): 1420..1426, Monday first
inline constexpr unsigned kEditorOperation = 1430;       // Combo_操作类型
inline constexpr unsigned kEditorText = 1431;            // Text_提示信息 / Text_程序路径
inline constexpr unsigned kEditorChoose = 1432;          // Command_选取文件
inline constexpr unsigned kEditorOption = 1433;          // Check_播放音乐 / Check_隐藏运行
inline constexpr unsigned kEditorAdd = 1440;             // Command_加添计划
inline constexpr unsigned kEditorCountdownTarget = 1441; // "→ 04:56" beside the time field in 延时操作 mode
inline constexpr unsigned kEditorLabelFirst = 1450;      // the other Label_Tips: 1450..1459

// Tray menu.
inline constexpr unsigned kCmdTrayShow = 40001;
inline constexpr unsigned kCmdTrayHide = 40002;
inline constexpr unsigned kCmdTrayExit = 40003;
inline constexpr unsigned kCmdTrayWakeForPlans = 40004; // "到时唤醒电脑[&W]", checked while on
// Not in the menu: the installer's request to exit (installer/kestrel.nsi posts it), the tray's Exit with
// its own line in the history.
inline constexpr unsigned kCmdInstallerExit = 40005;

// Controls of the forbidden-programs page (Form_禁止程序), and the page's own id inside its panel.
inline constexpr unsigned kForbiddenPage = 1500;
inline constexpr unsigned kForbiddenNameLabel = 1501; // Label_Tips(1), "程序名称："
inline constexpr unsigned kForbiddenName = 1502;      // Text_程序路径
inline constexpr unsigned kForbiddenChoose = 1503;    // Command_选取文件
inline constexpr unsigned kForbiddenAdd = 1504;       // Command_加添禁止
inline constexpr unsigned kForbiddenRemove = 1505;    // Command_删除禁止
inline constexpr unsigned kForbiddenListLabel = 1506; // Label_Tips(0), "禁止列表"
inline constexpr unsigned kForbiddenList = 1507;      // List_禁止列表
inline constexpr unsigned kForbiddenKeptLine = 1508;  // how long the list lasts

// Controls of the shutdown countdown prompt.
inline constexpr unsigned kCountdownLabel = 1201;        // Label_Tips(0)
inline constexpr unsigned kCountdownBar = 1202;          // ProgressBar_关机计时
inline constexpr unsigned kCountdownNowButton = 1203;    // Command_立即关机
inline constexpr unsigned kCountdownCancelButton = 1204; // Command_取消关机

// Help menu.
inline constexpr unsigned kCmdHelpFeedback = 40011;
inline constexpr unsigned kCmdHelpAbout = 40012;
inline constexpr unsigned kCmdHelpParentPassword = 40013; // "家长密码(&P)..."
inline constexpr unsigned kCmdHelpHistory = 40014;        // "历史记录(&H)..."
inline constexpr unsigned kCmdHelpQuietHours = 40015;     // "禁止使用时段(&T)..."

// Controls of the history window (titled "历史记录"); its close button is IDCANCEL.
inline constexpr unsigned kHistoryList = 1620;
inline constexpr unsigned kHistoryOpenFolder = 1621;
inline constexpr unsigned kHistoryClear = 1622;

// Controls of the parent's lock: the password box of a guarded command (OK is IDOK, Cancel IDCANCEL) and
// the Help menu's password dialog (its first button is IDOK, close IDCANCEL). Both are titled "家长密码".
inline constexpr unsigned kAskReason = 1600;
inline constexpr unsigned kAskLabel = 1601;
inline constexpr unsigned kAskPassword = 1602;
inline constexpr unsigned kLockStatus = 1603;  // "密码错误" and the like, in both
inline constexpr unsigned kLockWait = 1604;    // how long until the next try, in both
inline constexpr unsigned kLockIntro = 1610;
inline constexpr unsigned kLockOldLabel = 1611;
inline constexpr unsigned kLockOld = 1612;
inline constexpr unsigned kLockNewLabel = 1613;
inline constexpr unsigned kLockNew = 1614;
inline constexpr unsigned kLockConfirmLabel = 1615;
inline constexpr unsigned kLockConfirm = 1616;
inline constexpr unsigned kLockRemove = 1617;

// Controls of the quiet-hours dialog (titled "禁止使用时段"; OK is IDOK, Cancel IDCANCEL).
inline constexpr unsigned kQuietListLabel = 1700;
inline constexpr unsigned kQuietList = 1701;
inline constexpr unsigned kQuietDaysLabel = 1702;
inline constexpr unsigned kQuietDayFirst = 1710; // seven check boxes: 1710..1716, Monday first
inline constexpr unsigned kQuietStartLabel = 1720;
inline constexpr unsigned kQuietStart = 1721;
inline constexpr unsigned kQuietEndLabel = 1722;
inline constexpr unsigned kQuietEnd = 1723;
inline constexpr unsigned kQuietOperationLabel = 1724;
inline constexpr unsigned kQuietOperation = 1725;
inline constexpr unsigned kQuietAdd = 1730;
inline constexpr unsigned kQuietDelete = 1731;
inline constexpr unsigned kQuietNoPasswordLine = 1732;

// Controls of the about box (frmAbout), the feedback dialog and the advert banner (1550..1599).
inline constexpr unsigned kAboutIcon = 1550;        // picIcon
inline constexpr unsigned kAboutTitle = 1551;       // lblTitle
inline constexpr unsigned kAboutVersion = 1552;     // lblVersion
inline constexpr unsigned kAboutDescription = 1553; // lblDescription
inline constexpr unsigned kAboutDisclaimer = 1554;  // lblDisclaimer
inline constexpr unsigned kAboutLink = 1555;        // Label_链接官方网站
inline constexpr unsigned kAboutOk = 1556;          // cmdOK (also answers IDOK)
inline constexpr unsigned kAboutLine1 = 1557;
inline constexpr unsigned kAboutLine2 = 1558;
inline constexpr unsigned kFeedbackComment = 1560;
inline constexpr unsigned kFeedbackContact = 1561;
inline constexpr unsigned kFeedbackSend = 1562;
inline constexpr unsigned kFeedbackCommentLabel = 1563;
inline constexpr unsigned kFeedbackContactLabel = 1564;
inline constexpr unsigned kAdvertBrowser = 1570; // WebBrowser_广告, inside the advert area

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
inline constexpr unsigned kNextPlanLabel = 1026; // "下一个计划：…", beside the clock line
// Each tab button keeps the number of the picture it shows (1..10, odd = selected) in its
// GWLP_USERDATA, so a test in another process can read which tab looks selected.

// Controls of the plan list page.
inline constexpr unsigned kPlanListView = 1101;
// The plan list page's dialog id inside its panel (used to find it from outside).
inline constexpr unsigned kPlanListPage = 1100;

} // namespace kestrel::ids
