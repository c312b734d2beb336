// Every text Kestrel shows or stores, in one place. Plan cells and file element names are part of the
// plan file format: changing one of them breaks files that users already have.
#pragma once

#include "base/version.h"

#define KESTREL_WIDEN_(text) L##text
#define KESTREL_WIDEN(text) KESTREL_WIDEN_(text)

namespace kestrel::text {

// Product identity. The main window title is how a second start finds the running copy.
inline constexpr wchar_t kAppTitle[] = L"Kestrel";
inline constexpr wchar_t kVersion[] = KESTREL_WIDEN(KESTREL_VERSION_STRING);
inline constexpr wchar_t kMainWindowTitle[] = L"Kestrel - Ver:" KESTREL_WIDEN(KESTREL_VERSION_STRING);
inline constexpr wchar_t kMiniArgument[] = L"mini";

// Plan kinds (column 0).
inline constexpr wchar_t kKindPower[] = L"关机操作";
inline constexpr wchar_t kKindReminder[] = L"定时提醒";
inline constexpr wchar_t kKindRun[] = L"定时运行";

// Sub-operations (column 2).
inline constexpr wchar_t kOpShutdown[] = L"关闭计算机";
inline constexpr wchar_t kOpRestart[] = L"重启计算机";
inline constexpr wchar_t kOpLock[] = L"锁定计算机";
inline constexpr wchar_t kOpLogOff[] = L"注销计算机";
inline constexpr wchar_t kOpTextMessage[] = L"文字提示";
inline constexpr wchar_t kOpPlayMusic[] = L"播放音乐";
inline constexpr wchar_t kOpRunNormal[] = L"正常运行";
inline constexpr wchar_t kOpRunHidden[] = L"隐藏运行";

// Status (column 3).
inline constexpr wchar_t kStatusEnabled[] = L"启用";
inline constexpr wchar_t kStatusDisabled[] = L"禁用";

// Repeat rules (column 4). The parentheses are full-width, the digits ASCII.
inline constexpr wchar_t kRepeatOnce[] = L"执行一次";
inline constexpr wchar_t kRepeatDaily[] = L"每天";
inline constexpr wchar_t kRepeatWorkdays5[] = L"工作日（5天）";
inline constexpr wchar_t kRepeatWorkdays6[] = L"工作日（6天）";
inline constexpr wchar_t kRepeatWeekend1[] = L"周末（1天）";
inline constexpr wchar_t kRepeatWeekend2[] = L"周末（2天）";
inline constexpr wchar_t kRepeatCustom[] = L"自定义";
// Day characters of a custom list, Monday first.
inline constexpr wchar_t kWeekdayChars[] = L"一二三四五六天";

// Column 5 of every power plan.
inline constexpr wchar_t kPowerPlanInfo[] = L"到时间对计算机进行指令操作。";

// Stands in a cell whose element was missing from the plan file.
inline constexpr wchar_t kMissingCell[] = L"???";

// Plan file element names; the first six children double as the list view's column captions.
inline constexpr wchar_t kFileRoot[] = L"计划列表";
inline constexpr wchar_t kFileNode[] = L"计划节点";
inline constexpr wchar_t kColKind[] = L"计划名称";
inline constexpr wchar_t kColTime[] = L"操作时间";
inline constexpr wchar_t kColOperation[] = L"操作类型";
inline constexpr wchar_t kColStatus[] = L"状态";
inline constexpr wchar_t kColRepeat[] = L"重复";
inline constexpr wchar_t kColInfo[] = L"附加信息";
inline constexpr wchar_t kPlanFileName[] = L"Values.xml";

// Messages.
inline constexpr wchar_t kMsgPlanFileOpenError[] = L"存储文件打开错误！";
// Shown once when the plan file cannot be written; {path} is replaced by the file's full path. The save
// is retried every few seconds until it works.
inline constexpr wchar_t kMsgPlanFileSaveError[] =
    L"计划无法保存到文件：\n{path}"
    L"\n\n请检查该文件夹是否可写、磁盘是否已满。计划仍保留在程序中，程序会稍后自动重试保存。";
// While running, when a save was held back to protect the file's own plans.
inline constexpr wchar_t kMsgPlanFileUnread[] =
    L"计划文件暂时无法读取，为免覆盖其中的计划，暂未保存：\n{path}"
    L"\n\n它可能正被其他程序占用。计划仍保留在程序中，程序会稍后自动重试。";
inline constexpr wchar_t kMsgPlanFileCopyFailed[] =
    L"计划文件已损坏，且无法在它旁边保存副本，为免丢失其中的内容，暂未覆盖：\n{path}"
    L"\n\n请检查该文件夹是否可写。计划仍保留在程序中，下次修改时会再次尝试保存。";
// At Exit, with Retry and Cancel; {reason} is one of the three reasons below.
inline constexpr wchar_t kMsgExitSaveFailed[] =
    L"退出前未能保存计划：\n{path}\n\n{reason}"
    L"\n\n点“重试”再次保存；点“取消”直接退出，本次运行中对计划的更改将丢失。";
inline constexpr wchar_t kReasonWriteFailed[] = L"该文件夹不可写或磁盘已满。";
inline constexpr wchar_t kReasonFileUnread[] =
    L"该文件暂时无法读取（可能正被其他程序占用），为免覆盖其中的计划而未保存。";
inline constexpr wchar_t kReasonCopyFailed[] =
    L"该文件已损坏，且无法为它保存副本，为免丢失其中的内容而未覆盖。";
// Tray balloon after start-up found the plan file damaged; {path} is where the file was copied to.
inline constexpr wchar_t kMsgPlanFileDamaged[] =
    L"计划文件已损坏，无法读取其中的计划。原文件已另存为：\n{path}";
// Tray balloon when a run plan's program could not be started; {path} is column 5, {reason} the
// system's wording.
inline constexpr wchar_t kMsgProgramStartFailed[] = L"定时运行的程序无法启动：\n{path}\n{reason}";
// Run plans start only a program named by its full path: the reason in that balloon when the text names
// none, and the run editor's question (Yes adds the plan anyway) when such a plan is added.
inline constexpr wchar_t kReasonProgramNotFullPath[] =
    L"这不是程序的完整路径（例如 C:\\工具\\程序.exe），Kestrel 不会在别处查找它。";
inline constexpr wchar_t kMsgProgramNotFound[] =
    L"找不到这个程序：\n{path}\n\n请填写程序的完整路径（例如 C:\\工具\\程序.exe），否则到时间时它将无法启动。"
    L"\n\n仍要添加这个计划吗？";
// Tray balloon when Windows refused a power operation; {operation} is its name ("关闭计算机" ...),
// {reason} the system's wording.
inline constexpr wchar_t kMsgPowerOperationFailed[] = L"未能{operation}：\n{reason}";
// Plans that the clock, a sleep or a start-up made miss their time: one tray balloon lists the power
// plans not carried out ({when} is "12月7日 23:30"), a countdown cancelled by sleep, and gaps too old to
// go through one by one.
inline constexpr wchar_t kMsgMissedHeader[] = L"以下计划错过了时间，没有执行：";
inline constexpr wchar_t kMsgMissedLine[] = L"{when} {operation}";
inline constexpr wchar_t kMsgMissedMore[] = L"……另有 {count} 项";
inline constexpr wchar_t kMsgOlderGap[] = L"{from} 至 {to} 之间的计划均未执行。";
inline constexpr wchar_t kMsgCountdownCancelledBySleep[] = L"电脑进入了睡眠，{operation}的倒计时已取消。";
// While a parent's password is set: a power plan not counted down because a stronger operation is
// ({when} as above), and a move to another time zone ({old} and {new} local times).
inline constexpr wchar_t kMsgOutweighedLine[] = L"{when} {operation}（已由更强的操作代替）";
inline constexpr wchar_t kMsgTimeZoneChanged[] = L"时区已更改，本地时间由 {old} 变为 {new}。";
// A day in these notices and in the next-plan line: month and day without leading zeros.
inline constexpr wchar_t kMonthDay[] = L"{month}月{day}日";
inline constexpr wchar_t kConfirmEnableAll[] = L"您确定要启用所有的计划吗？";
inline constexpr wchar_t kConfirmDisableAll[] = L"您确定要禁用所有的计划吗？";
inline constexpr wchar_t kConfirmDeleteAll[] = L"您确定要删除所有的计划吗？";

// Plan editors (tabs 1 to 3). Captions carry their access keys in brackets, as the menus do.
inline constexpr wchar_t kEditorTimingLabel[] = L"计时操作：";
inline constexpr wchar_t kEditorTimingFixed[] = L"定时操作(&D)";
inline constexpr wchar_t kEditorTimingCountdown[] = L"延时操作(&Y)";
inline constexpr wchar_t kEditorFixedTimeLabel[] = L"指定时间(&T)：";
inline constexpr wchar_t kEditorCountdownLabel[] = L"多久之后(&T)：";
inline constexpr wchar_t kEditorNow[] = L"当前时间(&N)";
inline constexpr wchar_t kEditorRepeatLabel[] = L"是否重复：";
inline constexpr wchar_t kEditorRepeatOnce[] = L"执行一次(&O)";
inline constexpr wchar_t kEditorRepeatPlan[] = L"计划重复(&P)";
inline constexpr wchar_t kEditorRepeatTypeLabel[] = L"重复类型(&L)：";
inline constexpr wchar_t kEditorWeekdaysLabel[] = L"重复周期(&W)：";
// Monday first; the last character of each is the day's character in a custom repeat rule.
inline constexpr const wchar_t* kEditorWeekdays[7] = {L"星期一", L"星期二", L"星期三", L"星期四",
                                                      L"星期五", L"星期六", L"星期天"};
inline constexpr wchar_t kEditorAdd[] = L"添加到计划列表(&A)";
inline constexpr wchar_t kEditorTimeTooltip[] = L"计划关机的小时和分钟";
inline constexpr wchar_t kEditorOperationLabel[] = L"操作类型(&K)：";
inline constexpr wchar_t kEditorMessageLabel[] = L"提示信息(&I)：";
inline constexpr wchar_t kEditorMessageInitial[] = L"提示信息，时间到了。";
inline constexpr wchar_t kEditorReminderModeLabel[] = L"提示方式：";
inline constexpr wchar_t kEditorPlayMusic[] = L"播放音乐(&M)";
inline constexpr wchar_t kEditorPathLabel[] = L"程序路径(&I)：";
inline constexpr wchar_t kEditorChoose[] = L"选取(&B)";
inline constexpr wchar_t kEditorRunModeLabel[] = L"运行方式：";
inline constexpr wchar_t kEditorRunHidden[] = L"隐藏运行(&R)";
inline constexpr wchar_t kEditorRunHiddenTooltip[] =
    L"隐藏运行程序，大部分程序将显示不出界面，但实际上是在后台运行。";
// The program choosers' filters (run editor, forbidden page): programs and shortcuts, then any file.
inline constexpr wchar_t kProgramFilterName[] = L"*.exe(应用程序、快捷方式)";
inline constexpr wchar_t kProgramFilterPattern[] = L"*.exe;*.lnk";
inline constexpr wchar_t kAllFilesFilterName[] = L"所有文件(*.*)";
inline constexpr wchar_t kAllFilesFilterPattern[] = L"*.*";
inline constexpr wchar_t kEditorProgramExtension[] = L"exe";
inline constexpr wchar_t kMsgBadTime[] = L"时间采用24小时规范，请输入24小时以内的时间。";
inline constexpr wchar_t kMsgPastTime[] = L"操作时间小于当前时间，您是要明天操作吗？";
inline constexpr wchar_t kMsgNoWeekday[] = L"请选择一天进行提醒！";
inline constexpr wchar_t kMsgNoProgram[] = L"程序未指明，请选取程序！";
inline constexpr wchar_t kMsgShutdownPlanAdded[] = L"定时关机计划添加成功！";
inline constexpr wchar_t kMsgReminderPlanAdded[] = L"定时提醒计划添加成功！";
inline constexpr wchar_t kMsgRunPlanAdded[] = L"定时运行计划添加成功！";

// Clock line and reminder stamp.
inline constexpr wchar_t kClockInitial[] = L"当前时间";
inline constexpr wchar_t kClockTimePrefix[] = L"当前时间：";
inline constexpr wchar_t kClockDatePrefix[] = L" 当前日期：";
inline constexpr wchar_t kReminderTimePrefix[] = L"提醒时间：";
inline constexpr wchar_t kReminderDatePrefix[] = L" 提醒日期：";

// The next plan, in the tray tip (after "Kestrel" and a line break) and on the main window's line:
// "下一个计划：今天 23:00 关闭计算机", "下一个计划：明天 07:30 定时提醒：喝水".
inline constexpr wchar_t kNextPlanPrefix[] = L"下一个计划：";
inline constexpr wchar_t kNextPlanToday[] = L"今天";
inline constexpr wchar_t kNextPlanTomorrow[] = L"明天";
inline constexpr wchar_t kNextPlanWhatSeparator[] = L"：";
// The day's short form where the window's line is too narrow for "12月12日": a day of the coming week by
// its weekday (Sunday first, as C counts), a later one as month/day.
inline constexpr wchar_t kNextPlanWeekday[] = L"周{weekday}";
inline constexpr wchar_t kNextPlanWeekdayChars[] = L"日一二三四五六";
inline constexpr wchar_t kNextPlanShortDate[] = L"{month}/{day}";
inline constexpr wchar_t kEllipsis[] = L"…";
// At the end of the next-plan line when the wake timer stands for the plan it names.
inline constexpr wchar_t kNextPlanWakes[] = L"（到时唤醒）";
// Beside an editor's time field in 延时操作 mode: the clock time the plan will fire at, "→ 04:56".
inline constexpr wchar_t kCountdownTargetPrefix[] = L"→ ";

// Forbidden-programs page (Form_禁止程序) and its file chooser.
// Labels and buttons carry access keys in brackets, as the editors' do.
inline constexpr wchar_t kForbiddenCaption[] = L"禁止程序";
inline constexpr wchar_t kForbiddenNameLabel[] = L"程序名称(&N)：";
inline constexpr wchar_t kForbiddenChoose[] = L"选取(&B)";
inline constexpr wchar_t kForbiddenAdd[] = L"添加到禁止列表(&A)";
inline constexpr wchar_t kForbiddenRemove[] = L"从禁止列表删除(&D)";
inline constexpr wchar_t kForbiddenListLabel[] = L"禁止列表(&L)";
inline constexpr wchar_t kForbiddenDefaultExtension[] = L"exe";
inline constexpr wchar_t kMsgNoProgramChosen[] = L"程序未指明，请选取程序！";
// The page's line on how long the list lasts, without and with a parent's password.
inline constexpr wchar_t kForbiddenKeptOff[] =
    L"禁止列表只保留到程序退出。设置家长密码（帮助菜单）后，它会一直保存。";
inline constexpr wchar_t kForbiddenKeptOn[] = L"已设置家长密码：禁止列表会一直保存，重新启动后仍然有效。";
// A typed name that no process can have; {name} is the name, Yes adds it all the same.
inline constexpr wchar_t kForbiddenNameNeverMatches[] =
    L"只需填写程序的文件名，例如 game.exe。\n\n“{name}”含有文件夹或者没有扩展名，不会与任何程序相符。"
    L"仍然要添加吗？";
// Tray balloon when a renamed copy was ended: {path} is its program file, {entry} the entry it matched.
inline constexpr wchar_t kForbiddenEndedRenamed[] =
    L"已结束程序：\n{path}\n它的原始文件名是禁止列表中的“{entry}”。";

// Main window.
inline constexpr wchar_t kAutoStartCaption[] = L"开机自动启动";
inline constexpr wchar_t kAutoStartTooltip[] =
    L"该操作是方便您使用软件，不需使用请不要点击，点击杀毒软件会进行拦截，允许即可";
// A second line of that tooltip while the entry starts another program file; {path} is that file.
inline constexpr wchar_t kAutoStartOtherProgram[] = L"登录时启动的是：{path}";
inline constexpr wchar_t kMenuHelp[] = L"帮助[&H]";
inline constexpr wchar_t kMenuFeedback[] = L"意见反馈[&F]";
inline constexpr wchar_t kMenuAbout[] = L"关于[&A]";
inline constexpr wchar_t kPlanListCaption[] = L"计划列表";
// Captions under the five tab pictures, in tab order.
inline constexpr const wchar_t* kTabCaptions[5] = {L"定时关机", L"定时提醒", L"定时运行", L"计划列表",
                                                   L"禁止程序"};

// Reminder pop-up (Form_提醒信息).
inline constexpr wchar_t kReminderCaption[] = L"提醒信息";
inline constexpr wchar_t kReminderHeadline[] = L"计时提醒已到规定时间";
inline constexpr wchar_t kReminderInfoLabel[] = L"信息：";
// Put in front of the message so that its first line is indented.
inline constexpr wchar_t kReminderMessageIndent[] = L"    ";
inline constexpr wchar_t kReminderGotIt[] = L"我知道了";
inline constexpr wchar_t kReminderLater[] = L"过会再说";
inline constexpr wchar_t kReminderLaterTooltip[] = L"延时5分钟后再次提示";

// Tray menu.
inline constexpr wchar_t kTrayShow[] = L"显示主界面[&S]";
inline constexpr wchar_t kTrayHide[] = L"隐藏主界面[&H]";
inline constexpr wchar_t kTrayExit[] = L"退出程序[&E]";
// Checked while Kestrel wakes the sleeping computer for its reminders and run plans.
inline constexpr wchar_t kTrayWakeForPlans[] = L"到时唤醒电脑[&W]";
// Tray balloon, once per run, when Windows will not let the wake timer resume the computer; {reason} is
// the system's wording.
inline constexpr wchar_t kMsgWakeRefused[] =
    L"Windows 不允许 Kestrel 唤醒电脑，睡眠中错过的提醒和程序会在醒来后补上。\n{reason}";

// Plan list pop-up menu.
inline constexpr wchar_t kPlanMenuEnable[] = L"启用选中行计划[&R]";
inline constexpr wchar_t kPlanMenuDisable[] = L"禁用选中行计划[&A]";
inline constexpr wchar_t kPlanMenuDelete[] = L"删除选中行计划[&D]";
inline constexpr wchar_t kPlanMenuEnableAll[] = L"启用全部计划[&Q]";
inline constexpr wchar_t kPlanMenuDisableAll[] = L"禁用全部计划[&W]";
inline constexpr wchar_t kPlanMenuDeleteAll[] = L"删除全部计划[&E]";

// Shutdown countdown prompt. Its text reads kCountdownBefore + operation + kCountdownMiddle + seconds +
// kCountdownAfter, e.g. "距离关闭计算机还剩 15 秒...".
inline constexpr wchar_t kCountdownBefore[] = L"距离";
inline constexpr wchar_t kCountdownMiddle[] = L"还剩 ";
inline constexpr wchar_t kCountdownAfter[] = L" 秒...";
inline constexpr wchar_t kCountdownNow[] = L"立即关机";
inline constexpr wchar_t kCountdownCancel[] = L"取消关机";

// Help menu: the about box, the update question and the feedback dialog.
inline constexpr wchar_t kAboutCaption[] = L"关于 Kestrel";
inline constexpr wchar_t kAboutTitle[] = L"Kestrel";
inline constexpr wchar_t kAboutVersion[] = L"版本：" KESTREL_WIDEN(KESTREL_VERSION_STRING);
inline constexpr wchar_t kAboutDescription[] =
    L"Kestrel：最专业的电脑定时关机软件、家长控制的好帮手、满足各种对定时关机、家长控制有需求的用户。"
    L"功能强大，简单易用，他有自动关机、定时运行、禁止程序上网聊天浏览、禁止运行你设定的软件（如游戏）、"
    L"禁止在指定的时间段上网和使用计算机功能。\r\n\r\n";
inline constexpr wchar_t kAboutDisclaimer[] = L"官方网站：";
inline constexpr wchar_t kAboutOk[] = L"确定";
// The text handed to the feedback dialog: product name, one blank, the version.
inline constexpr char kFeedbackProduct[] = "Kestrel " KESTREL_VERSION_STRING;
// Update question: {version} is the version offered, {page} the download page.
inline constexpr wchar_t kUpdateQuestion[] =
    L"Kestrel 有新版本 {version}（当前版本 " KESTREL_WIDEN(KESTREL_VERSION_STRING) L"）。\r\n\r\n"
    L"是否打开下载页面？\r\n{page}";
inline constexpr wchar_t kFeedbackCommentLabel[] = L"意见或建议：";
inline constexpr wchar_t kFeedbackContactLabel[] = L"联系方式（可不填）：";
inline constexpr wchar_t kFeedbackSend[] = L"发送";
inline constexpr wchar_t kFeedbackCancel[] = L"取消";
inline constexpr wchar_t kFeedbackSending[] = L"正在发送...";
inline constexpr wchar_t kFeedbackEmpty[] = L"请先填写您的意见或建议，再发送。";
inline constexpr wchar_t kFeedbackSent[] = L"您的意见已发送成功，谢谢！";
inline constexpr wchar_t kFeedbackFailed[] = L"意见发送失败，请检查网络连接后再试。";

// The parent's lock: the Help menu's password dialog, the password box of guarded commands, the
// forbidden page's line on keeping its list, and what is said about a record that cannot be read. The
// two value names are stored under HKEY_CURRENT_USER\Software\Kestrel.
inline constexpr wchar_t kMenuParentPassword[] = L"家长密码(&P)...";
inline constexpr wchar_t kPasswordValueName[] = L"ParentPassword";
inline constexpr wchar_t kForbiddenValueName[] = L"ForbiddenPrograms";
inline constexpr wchar_t kLockCaption[] = L"家长密码";
inline constexpr wchar_t kLockIntroOff[] =
    L"设置家长密码后，退出程序、删除或禁用计划、添加或启用定时运行计划、从禁止列表删除程序、取消开机自动启动、"
    L"取消倒计时、修改禁止使用时段和清除历史记录都要先输入这个密码；在没有管理员权限的 Windows 帐户中，也不能"
    L"从任务管理器结束 Kestrel。禁止列表也会保存下来，重新启动后仍然有效。";
inline constexpr wchar_t kLockIntroOn[] =
    L"已设置家长密码。修改密码请填写当前密码和两次新密码；删除密码只需填写当前密码。";
inline constexpr wchar_t kLockOldLabel[] = L"当前密码(&O)：";
inline constexpr wchar_t kLockNewLabel[] = L"新密码(&N)：";
inline constexpr wchar_t kLockConfirmLabel[] = L"再次输入新密码(&C)：";
inline constexpr wchar_t kLockSet[] = L"设置密码(&S)";
inline constexpr wchar_t kLockChange[] = L"修改密码(&M)";
inline constexpr wchar_t kLockRemove[] = L"删除密码(&R)";
inline constexpr wchar_t kLockClose[] = L"关闭";
inline constexpr wchar_t kLockEmpty[] = L"新密码不能为空。";
inline constexpr wchar_t kLockMismatch[] = L"两次输入的新密码不一样，请重新输入。";
inline constexpr wchar_t kLockWrong[] = L"密码错误";
// Under "密码错误" while the next try has to wait; {seconds} counts down.
inline constexpr wchar_t kLockWait[] = L"请等 {seconds} 秒后再试。";
inline constexpr wchar_t kLockFailed[] = L"系统的加密功能不可用，无法处理密码。";
inline constexpr wchar_t kLockNotSaved[] = L"无法把家长密码写入注册表，密码没有改变。";
inline constexpr wchar_t kLockSetDone[] = L"家长密码已设置。";
inline constexpr wchar_t kLockChangeDone[] = L"家长密码已修改。";
inline constexpr wchar_t kLockRemoveDone[] =
    L"家长密码已删除。保存的禁止列表也已删除，本次运行中的禁止列表不变。";
// {value} is the registry value's full name.
inline constexpr wchar_t kLockUnreadable[] =
    L"家长密码的记录已损坏或无法识别，无法核对密码，受保护的操作都不能进行。\n\n要重新设置密码，请删除注册表值：\n"
    L"{value}\n然后注销 Windows 并重新登录。";
inline constexpr wchar_t kLockUnreadableBalloon[] =
    L"家长密码的记录已损坏或无法识别，Kestrel 按已加锁处理。要重新设置，请删除注册表值 {value}，"
    L"然后注销 Windows 并重新登录。";
inline constexpr wchar_t kAskLabel[] = L"请输入家长密码(&P)：";
inline constexpr wchar_t kAskOk[] = L"确定";
inline constexpr wchar_t kAskCancel[] = L"取消";
// What the password box says it is asked for.
inline constexpr wchar_t kAskExit[] = L"退出 Kestrel 需要家长密码。";
inline constexpr wchar_t kAskPlans[] = L"删除或禁用计划需要家长密码。";
inline constexpr wchar_t kAskRunPlans[] = L"添加或启用定时运行计划需要家长密码。";
inline constexpr wchar_t kAskForbidden[] = L"从禁止列表删除程序需要家长密码。";
inline constexpr wchar_t kAskAutoStart[] = L"取消开机自动启动需要家长密码。";
// {operation} is the countdown's operation ("锁定计算机" ...).
inline constexpr wchar_t kAskCountdown[] = L"取消{operation}需要家长密码。";

// Quiet hours: the Help menu's dialog, its messages, the tray's warning and notices, and their part of
// the next-plan line. The two value names are stored under HKEY_CURRENT_USER\Software\Kestrel.
inline constexpr wchar_t kMenuQuietHours[] = L"禁止使用时段(&T)...";
inline constexpr wchar_t kQuietHoursValueName[] = L"QuietHours";
inline constexpr wchar_t kQuietHoursExcusedValueName[] = L"QuietHoursExcused";
inline constexpr wchar_t kQuietCaption[] = L"禁止使用时段";
inline constexpr wchar_t kQuietListLabel[] = L"时段列表(&L)：";
inline constexpr const wchar_t* kQuietColumns[4] = {L"星期", L"开始", L"结束", L"操作"};
inline constexpr wchar_t kQuietDaysLabel[] = L"星期(&W)：";
inline constexpr wchar_t kQuietStartLabel[] = L"开始(&S)：";
inline constexpr wchar_t kQuietEndLabel[] = L"结束(&E)：";
inline constexpr wchar_t kQuietOperationLabel[] = L"操作(&O)：";
inline constexpr wchar_t kQuietAdd[] = L"添加(&A)";
inline constexpr wchar_t kQuietDelete[] = L"删除(&D)";
inline constexpr wchar_t kQuietOk[] = L"确定";
inline constexpr wchar_t kQuietCancel[] = L"取消";
// The dialog's line while no password is set.
inline constexpr wchar_t kQuietNoPassword[] =
    L"未设置家长密码：任何人都能点“取消关机”，免除当晚的禁止使用时段。";
inline constexpr wchar_t kQuietNoDay[] = L"请至少选择一天。";
inline constexpr wchar_t kQuietSameTimes[] = L"开始时间和结束时间不能相同。";
inline constexpr wchar_t kQuietBlankTime[] = L"请填写完整的时间。";
inline constexpr wchar_t kQuietTooMany[] = L"最多只能设置 20 个时段。";
inline constexpr wchar_t kQuietNotSaved[] = L"无法把禁止使用时段写入注册表，时段没有改变。";
// On "确定" while quiet hours exist and "开机自动启动" is not ticked; Yes ticks it.
inline constexpr wchar_t kQuietOfferAutoStart[] =
    L"“开机自动启动”没有勾选：重新登录 Windows 后，在再次启动 Kestrel 之前，禁止使用时段不会起作用。"
    L"\n\n现在勾选“开机自动启动”吗？";
inline constexpr wchar_t kAskQuietHours[] = L"修改禁止使用时段需要家长密码。";
// Tray balloons: five minutes before a window starts, and a value with lines that cannot be read.
inline constexpr wchar_t kQuietWarning[] = L"5 分钟后进入禁止使用时段（{start}–{end}），届时将{operation}。";
inline constexpr wchar_t kQuietUnreadable[] =
    L"禁止使用时段中有无法识别的内容，已被忽略。请在“帮助 → 禁止使用时段”中检查，或删除注册表值 {value}。";
// The next-plan line: a window's start in place of a plan's kind, and the line inside a window.
inline constexpr wchar_t kNextPlanQuietKind[] = L"禁止使用时段";
inline constexpr wchar_t kNextPlanInsideQuiet[] = L"禁止使用时段中，至 {end}";
// The history's details ({window} as "一 二 三 四 天 21:00–07:00 关闭计算机").
inline constexpr wchar_t kQuietEventCountdown[] = L"开始倒计时：{window}";
inline constexpr wchar_t kQuietEventExcused[] = L"已免除至 {end}：{window}";
inline constexpr wchar_t kQuietEventChanged[] = L"时段已修改：{windows}";
inline constexpr wchar_t kQuietEventNone[] = L"（无）";
// Task Manager's start-up page had switched off the start at log-on while a password is set.
inline constexpr wchar_t kStartupMarkRemoved[] =
    L"任务管理器中禁用了 Kestrel 的开机启动。由于已设置家长密码，Kestrel 已重新启用它。";
inline constexpr wchar_t kStartupMarkEvent[] = L"已删除任务管理器中的禁用标记";
inline constexpr wchar_t kStartupApprovedKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Auto-start registry entry.
inline constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"Kestrel";

// The history's event words: fixed, so that a parent, a script or a test can search for them.
inline constexpr wchar_t kEventStarted[] = L"Kestrel 启动";
inline constexpr wchar_t kEventExited[] = L"Kestrel 退出";
inline constexpr wchar_t kEventUncleanExit[] = L"Kestrel 未正常退出";
inline constexpr wchar_t kEventNotRunning[] = L"Kestrel 未运行";
inline constexpr wchar_t kEventSlept[] = L"电脑睡眠";
inline constexpr wchar_t kEventTimeChanged[] = L"时间改变";
inline constexpr wchar_t kEventPlanFired[] = L"计划执行";
inline constexpr wchar_t kEventPlanMissed[] = L"计划错过";
inline constexpr wchar_t kEventCountdownCancelled[] = L"倒计时取消";
inline constexpr wchar_t kEventPowerOperation[] = L"电脑操作";
inline constexpr wchar_t kEventStartFailed[] = L"程序启动失败";
inline constexpr wchar_t kEventForbiddenEnded[] = L"结束禁止程序";
inline constexpr wchar_t kEventParentPassword[] = L"家长密码";
inline constexpr wchar_t kEventForbiddenList[] = L"禁止列表";
inline constexpr wchar_t kEventPlansDeleted[] = L"计划删除";
inline constexpr wchar_t kEventPlansDisabled[] = L"计划禁用";
inline constexpr wchar_t kEventQuietHours[] = L"禁止使用时段";
inline constexpr wchar_t kEventAutoStart[] = L"开机自动启动";
inline constexpr wchar_t kEventPlanAdded[] = L"计划添加";
inline constexpr wchar_t kEventHistory[] = L"历史记录";
// The end of the Windows session, as its notice said it (Kestrel ends with it once Windows confirms it):
// with an exit and Kestrel's own shutdown, restart or log-off, one of the last lines a run that ended
// cleanly leaves.
inline constexpr wchar_t kEventSessionEnded[] = L"Windows 会话结束";
// A window message that Windows' own state contradicts: any program may post one.
inline constexpr wchar_t kEventSystemNotice[] = L"系统通知";
inline constexpr wchar_t kHistorySessionNoticeFalse[] = L"会话通知与实际状态不符";
inline constexpr wchar_t kHistoryPowerNoticeFalse[] = L"电源通知与实际状态不符";
inline constexpr wchar_t kHistoryEndNoticeForged[] = L"会话结束通知是伪造的";
// A value under Kestrel's key (or its Run value) changed by someone else while Kestrel ran; under the
// parent's lock what Kestrel holds for the parent is put back at once.
inline constexpr wchar_t kEventSettings[] = L"设置";
inline constexpr wchar_t kHistorySettingChanged[] = L"设置在 Kestrel 之外被修改：{value}";
inline constexpr wchar_t kHistorySettingRestored[] = L"设置在 Kestrel 之外被修改：{value}（已改回）";
// The scheduler's details. Times are "2026-12-07 21:00"; {plan} is the plan's time, kind and operation,
// then its message or program.
inline constexpr wchar_t kEventSpan[] = L"{from} 至 {to}";
inline constexpr wchar_t kEventPlanWhy[] = L"{plan}（{why}）";
inline constexpr wchar_t kEventTimeChange[] = L"{old} → {new}（{kind}）";
// Why a plan was missed.
inline constexpr wchar_t kMissedAsleep[] = L"睡眠";
inline constexpr wchar_t kMissedNotRunning[] = L"未运行";
inline constexpr wchar_t kMissedLate[] = L"延迟";
inline constexpr wchar_t kMissedClockSet[] = L"时间调整";
inline constexpr wchar_t kMissedMinuteTaken[] = L"同一分钟已有操作";
inline constexpr wchar_t kMissedStronger[] = L"已由更强的操作代替";
inline constexpr wchar_t kMissedSameOperation[] = L"已由相同的操作代替";
// What moved the clock.
inline constexpr wchar_t kTimeDaylightSaving[] = L"夏令时";
inline constexpr wchar_t kTimeByHand[] = L"手动调整";
inline constexpr wchar_t kTimeCorrection[] = L"校正";
inline constexpr wchar_t kTimeZone[] = L"时区";

// The history: the Help menu's window, and the details of its lines (short, never a password). A detail
// puts the user's own text (a path, a name) in last, since it may hold anything.
inline constexpr wchar_t kMenuHistory[] = L"历史记录(&H)...";
inline constexpr wchar_t kHistoryCaption[] = L"历史记录";
inline constexpr wchar_t kHistoryColTime[] = L"时间";
inline constexpr wchar_t kHistoryColEvent[] = L"事件";
inline constexpr wchar_t kHistoryColDetail[] = L"详情";
inline constexpr wchar_t kHistoryOpenFolder[] = L"打开文件所在位置(&O)";
inline constexpr wchar_t kHistoryClear[] = L"清除历史记录(&C)";
inline constexpr wchar_t kHistoryClose[] = L"关闭";
inline constexpr wchar_t kAskClearHistory[] = L"清除历史记录需要家长密码。";
inline constexpr wchar_t kConfirmClearHistory[] = L"您确定要清除全部历史记录吗？清除后无法恢复。";
// {reason} is the system's wording, {path} the file.
inline constexpr wchar_t kHistoryClearFailed[] = L"未能清除历史记录：{reason}\n{path}";
// Tray balloon, once a run, when a line could not be written.
inline constexpr wchar_t kHistoryWriteFailed[] =
    L"无法写入历史记录，本次运行的事件可能没有记下：{reason}\n{path}";
// Kestrel 启动: how it was started, then the plan file.
inline constexpr wchar_t kHistoryStartAtLogOn[] = L"登录时自动启动";
inline constexpr wchar_t kHistoryStartByHand[] = L"手动启动";
inline constexpr wchar_t kHistoryStartDetail[] = L"{how}，计划文件：{path}";
inline constexpr wchar_t kHistoryExitWithPassword[] = L"已输入家长密码";
inline constexpr wchar_t kHistoryExitByInstaller[] = L"安装程序要求退出";
// Joins the two above when both hold.
inline constexpr wchar_t kHistoryDetailSeparator[] = L"，";
// Kestrel 未正常退出: {time} is "2024-05-01 21:04".
inline constexpr wchar_t kHistoryLastSeen[] = L"最后运行于 {time}";
inline constexpr wchar_t kHistoryEarlierGone[] = L"之前的记录已被删除或清除";
inline constexpr wchar_t kHistoryCleared[] = L"清除历史记录";
// 历史记录: History.txt was deleted, replaced or cut shorter since Kestrel last wrote to it in this run.
inline constexpr wchar_t kHistoryChangedWhileRunning[] = L"之前的记录在 Kestrel 运行时被删除或改短";
// 历史记录: History.txt could not become History.1.txt at 1 MiB; its older half was dropped instead.
inline constexpr wchar_t kHistoryCutInHalf[] = L"History.txt 无法改名为 History.1.txt，已删去较早的一半记录";
// 倒计时取消: the operation, then by what ("取消关机" is the button's own caption).
inline constexpr wchar_t kHistoryCancelledBy[] = L"{operation}，{by}";
inline constexpr wchar_t kHistoryByPassword[] = L"家长密码";
inline constexpr wchar_t kHistoryBySleep[] = L"睡眠";
// 电脑操作 refused; started, the detail is the operation alone.
inline constexpr wchar_t kHistoryPowerRefused[] = L"未能{operation}：{reason}";
// 程序启动失败.
inline constexpr wchar_t kHistoryStartFailed[] = L"{reason}：{path}";
// 结束禁止程序: the ended program and the entry it matched; the count of a minute with more ends than
// lines ({minute} is "21:04"), added to the next line of the entry or said in a line of its own.
inline constexpr wchar_t kHistoryEnded[] = L"禁止列表中的“{entry}”：{path}";
inline constexpr wchar_t kHistoryEndedRenamed[] = L"禁止列表中的“{entry}”，按原始文件名：{path}";
inline constexpr wchar_t kHistoryEndedCount[] = L"{minute} 这一分钟共 {count} 次";
inline constexpr wchar_t kHistoryEndedCountOf[] = L"禁止列表中的“{entry}”：{count}";
inline constexpr wchar_t kHistoryEndedAndCount[] = L"{count}；{line}";
// 家长密码: what happened; a wrong one names what it was asked for ({command} is the box's reason, or the
// dialog's command).
inline constexpr wchar_t kHistoryPasswordSet[] = L"已设置";
inline constexpr wchar_t kHistoryPasswordChanged[] = L"已修改";
inline constexpr wchar_t kHistoryPasswordRemoved[] = L"已删除";
inline constexpr wchar_t kHistoryPasswordWrong[] = L"密码错误：{command}";
inline constexpr wchar_t kHistoryCommandChange[] = L"修改密码";
inline constexpr wchar_t kHistoryCommandRemove[] = L"删除密码";
// 禁止列表.
inline constexpr wchar_t kHistoryEntryAdded[] = L"已添加：{name}";
inline constexpr wchar_t kHistoryEntryDeleted[] = L"已删除：{name}";
// 开机自动启动.
inline constexpr wchar_t kHistoryAutoStartTicked[] = L"已勾选";
inline constexpr wchar_t kHistoryAutoStartCleared[] = L"已取消勾选";
// 计划禁用, and the tray balloon: the plan file read at start is not the one Kestrel last wrote under the
// lock. The line adds the run plans it disabled after a colon.
inline constexpr wchar_t kPlanFileChangedOutside[] = L"计划文件在 Kestrel 之外被修改，定时运行计划已停用";
inline constexpr wchar_t kPlanFileChangedRows[] = L"{message}：{rows}";
// 计划删除 / 计划禁用 / 计划添加: the rows, one after another (the first few, then kMsgMissedMore).
inline constexpr wchar_t kHistoryRowSeparator[] = L"；";

} // namespace kestrel::text
