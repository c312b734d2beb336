; Kestrel's installer: installs for the current user without administrator rights, into a folder the
; user may write (the plan file lives beside the program), and registers an uninstaller. Its pages speak
; Simplified Chinese. scripts/dist.sh builds it:
;   makensis -INPUTCHARSET UTF8 -DVERSION=3.1.0.0 -DBUILD_DIR=... -DSOURCE_DIR=... -DART_DIR=... -DOUT_FILE=... kestrel.nsi
; ART_DIR holds the side pictures drawn by scripts/installer_art.sh.
Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION | BUILD_DIR | SOURCE_DIR | ART_DIR | OUT_FILE
  !error "define VERSION, BUILD_DIR, SOURCE_DIR, ART_DIR and OUT_FILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Kestrel"
; Kestrel's main window class and its command for an exit the installer asks for: the tray menu's Exit,
; recorded in Kestrel's history as asked for by the installer (kCmdInstallerExit, src/base/command_ids.h).
!define MAIN_WINDOW_CLASS "Kestrel.MainWindow"
!define CMD_INSTALLER_EXIT 40005
; The title of Kestrel's password box (kLockCaption in src/base/texts.h).
!define PASSWORD_BOX_TITLE "家长密码"

Name "Kestrel"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Kestrel ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "Kestrel"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "Kestrel 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "Kestrel"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Kestrel"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define MUI_ICON "${SOURCE_DIR}/src/res/kestrel.ico"
!define MUI_UNICON "${SOURCE_DIR}/src/res/kestrel.ico"
!define MUI_ABORTWARNING
; Our own side picture on the first and last pages; SideShow puts the one drawn for the display's
; scaling in its place.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART_DIR}/side-100.bmp"

; The last page offers to start Kestrel now and at every log-on (the same Run value as Kestrel's own
; check box). A silent install shows no pages, so it does neither.
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kestrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 Kestrel"
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_TEXT "开机自动启动"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION WriteAutoStart

; Kestrel installs into the user's own folder: there are no system files to update, other programs need
; not be closed and no restart follows, as the stock welcome text would have it.
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW WelcomeShow
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
; Uninstalling needs no space: the page's "space required" line (always 0.0 KB) is hidden.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.ComponentsShow
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"
; The font of Kestrel's own windows rather than the language file's SimSun.
SetFont /LANG=${LANG_SIMPCHINESE} "Microsoft YaHei" 9

; The installer's own texts.
LangString WelcomeText ${LANG_SIMPCHINESE} "此程序将引导你完成 Kestrel 的安装。$\r$\n$\r$\nKestrel 只为你自己安装，装在你的用户文件夹里：不需要管理员权限，不改动系统文件，装好后也不必重启计算机。$\r$\n$\r$\n安装程序会先请正在运行的 Kestrel 退出，计划都会保留。$\r$\n$\r$\n$_CLICK"
LangString KestrelStillRunning ${LANG_SIMPCHINESE} "Kestrel 正在运行，未能退出。$\r$\n请从托盘菜单退出 Kestrel 后再试。"
LangString KestrelNeedsPassword ${LANG_SIMPCHINESE} "退出 Kestrel 需要家长密码。$\r$\n$\r$\n请在 Kestrel 的“家长密码”窗口中输入密码，然后再运行一次安装程序。"
LangString UnKestrelNeedsPassword ${LANG_SIMPCHINESE} "退出 Kestrel 需要家长密码。$\r$\n$\r$\n请在 Kestrel 的“家长密码”窗口中输入密码，然后再运行一次卸载程序。"
LangString DeletePlans ${LANG_SIMPCHINESE} "同时删除我的计划"
LangString DeletePlansDescription ${LANG_SIMPCHINESE} "删除 Values.xml 中保存的全部计划和 Kestrel 的设置。"

; Asks a running Kestrel to exit as its tray menu's Exit does (with a parent's password set, Kestrel
; asks for it first) and waits up to 10 s for its process to end. When it does not, says so (not in a
; silent run) and stops with exit code 2; when Kestrel's password box is showing, the message says that
; the password is what Kestrel waits for.
!macro CLOSE_KESTREL un
Function ${un}CloseKestrel
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  ${If} $0 == 0
    Return
  ${EndIf}
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2' ; SYNCHRONIZE
  System::Call "user32::PostMessageW(p r0, i ${WM_COMMAND}, i ${CMD_INSTALLER_EXIT}, i 0)"
  StrCpy $3 1
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i .r3'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Else}
    ; Without a handle on the process: watch for its window to go.
    ${For} $4 1 100
      Sleep 100
      FindWindow $0 "${MAIN_WINDOW_CLASS}"
      ${If} $0 == 0
        StrCpy $3 0
        ${Break}
      ${EndIf}
    ${Next}
  ${EndIf}
  ${If} $3 != 0
    ; A visible window of Kestrel's process with the password box's title.
    StrCpy $4 0
    StrCpy $5 0
    ${Do}
      FindWindow $5 "" "${PASSWORD_BOX_TITLE}" 0 $5
      ${If} $5 == 0
        ${Break}
      ${EndIf}
      System::Call 'user32::GetWindowThreadProcessId(p r5, *i .r6)'
      System::Call 'user32::IsWindowVisible(p r5) i .r7'
      ${If} $6 == $1
      ${AndIf} $7 != 0
        StrCpy $4 1
        ${Break}
      ${EndIf}
    ${Loop}
    ${If} $4 != 0
      !if "${un}" == ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(KestrelNeedsPassword)" /SD IDOK
      !else
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(UnKestrelNeedsPassword)" /SD IDOK
      !endif
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "$(KestrelStillRunning)" /SD IDOK
    ${EndIf}
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CLOSE_KESTREL ""
!insertmacro CLOSE_KESTREL "un."

; Shows in CONTROL (a page's side picture) the picture drawn for the page's size: the smallest that covers
; the control, at its own size (never stretched), centred and cut at the edges. BITMAP holds the picture
; the page loaded, which the page frees when it closes: it is freed now, and the new one takes its place.
!macro SHOW_SIDE_PICTURE CONTROL BITMAP
  Push ${CONTROL}
  Call SidePicture
  System::Call 'gdi32::DeleteObject(p ${BITMAP})'
  Pop ${BITMAP}
!macroend

; In: the control on the stack. Out: the bitmap now shown in it, on the stack.
Function SidePicture
  Exch $0
  Push $1
  Push $2
  Push $3
  System::Call 'user32::GetClientRect(p r0, @ r1)'
  System::Call '*$1(i, i, i .r1, i .r2)'
  ${If} $1 <= 200
  ${AndIf} $2 <= 400
    File "/oname=$PLUGINSDIR\kestrel-side.bmp" "${ART_DIR}/side-100.bmp"
  ${ElseIf} $1 <= 250
  ${AndIf} $2 <= 500
    File "/oname=$PLUGINSDIR\kestrel-side.bmp" "${ART_DIR}/side-125.bmp"
  ${ElseIf} $1 <= 300
  ${AndIf} $2 <= 600
    File "/oname=$PLUGINSDIR\kestrel-side.bmp" "${ART_DIR}/side-150.bmp"
  ${Else}
    File "/oname=$PLUGINSDIR\kestrel-side.bmp" "${ART_DIR}/side-200.bmp"
  ${EndIf}
  ; SS_CENTERIMAGE: the control keeps its size and shows the middle of a larger picture.
  System::Call 'user32::GetWindowLongW(p r0, i -16) i .r3'
  IntOp $3 $3 | 0x200
  System::Call 'user32::SetWindowLongW(p r0, i -16, i r3)'
  System::Call 'user32::LoadImageW(p 0, t "$PLUGINSDIR\kestrel-side.bmp", i ${IMAGE_BITMAP}, i 0, i 0, i ${LR_LOADFROMFILE}) p .r3'
  SendMessage $0 ${STM_SETIMAGE} ${IMAGE_BITMAP} $3
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; InstallDirRegKey hands the folder of an earlier install over with a backslash at its end: the directory
; page shows it as it was written ("...\Programs\Kestrel"), a drive's root keeps its own.
Function .onInit
  StrCpy $0 $INSTDIR "" -1
  StrCpy $1 $INSTDIR "" -2
  ${If} $0 == "\"
  ${AndIf} $1 != ":\"
    StrCpy $INSTDIR $INSTDIR -1
  ${EndIf}
FunctionEnd

Function WelcomeShow
  !insertmacro SHOW_SIDE_PICTURE $mui.WelcomePage.Image $mui.WelcomePage.Image.Bitmap
FunctionEnd

Function FinishShow
  !insertmacro SHOW_SIDE_PICTURE $mui.FinishPage.Image $mui.FinishPage.Image.Bitmap
FunctionEnd

Function un.ComponentsShow
  ShowWindow $mui.ComponentsPage.SpaceRequired ${SW_HIDE}
FunctionEnd

Function WriteAutoStart
  WriteRegStr HKCU "${RUN_KEY}" "Kestrel" '"$INSTDIR\Kestrel.exe" mini'
FunctionEnd

Section "Kestrel" SecProgram
  SectionIn RO
  Call CloseKestrel
  SetOutPath "$INSTDIR"
  ; An earlier version's plan file (Values.xml) stays as it is: nothing here writes it.
  File "${BUILD_DIR}/Kestrel.exe"
  File "${BUILD_DIR}/Update.dll"
  File "${BUILD_DIR}/SendComment.dll"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Kestrel.lnk" "$INSTDIR\Kestrel.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kestrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Kestrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Kestrel" UnSecProgram
  SectionIn RO
  Call un.CloseKestrel
  Delete "$INSTDIR\Kestrel.exe"
  Delete "$INSTDIR\Update.dll"
  Delete "$INSTDIR\SendComment.dll"
  Delete "$INSTDIR\Values.xml.tmp"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Kestrel.lnk"
  ; The auto-start entry goes only when it starts this copy; one that starts another copy stays.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Kestrel"
  ${If} $0 == '"$INSTDIR\Kestrel.exe" mini'
    DeleteRegValue HKCU "${RUN_KEY}" "Kestrel"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when empty: the plans (Values.xml) keep the folder unless the next section removes them.
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.$(DeletePlans)" UnSecPlans
  Delete "$INSTDIR\Values.xml"
  RMDir "$INSTDIR"
  Delete "$LOCALAPPDATA\Kestrel\Values.xml"
  RMDir "$LOCALAPPDATA\Kestrel"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecPlans} "$(DeletePlansDescription)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
