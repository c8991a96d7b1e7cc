; Per-user installer for vrlCalendar: no administrator rights, installs into
; the user's own programs folder, in the user's display language. Built by
; make_release.py, which passes VERSION, STAGE (the folder holding
; vrlCalendar.exe), TARGET (amd64-unicode for the 64-bit program, x86-unicode
; for the 32-bit one), OUTFILE and LANGUAGES (the installer's languages and
; its own texts, made by texts/make_texts.py from the program's tables).
Target ${TARGET}
SetCompressor /SOLID lzma
; No file times in the installer, so two builds of one commit are identical.
SetDateSave off
; A program file that cannot be written (a calendar that is still running)
; fails the install rather than being skipped: never a half-written install.
AllowSkipFiles off
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define APP "vrlCalendar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\${APP}"
; Windows' own "turned off" marks for the log-on list (the task manager's Startup tab)
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
!define WINDOW_CLASS "vrlCalendar.frmCalendar"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" ""

; The uninstaller is written at install time from what is in here: signed
; here when the release is signed (make_release.py gives the command), so the
; one an install writes carries the signature too.
!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER} "%1"' = 0
!endif

!define MUI_ICON "${STAGE}\vrlCalendar.ico"
!define MUI_UNICON "${STAGE}\vrlCalendar.ico"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartCalendar
!define MUI_FINISHPAGE_TEXT "$(InstallFinished)"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!include "${LANGUAGES}"

; The installer picks the user's display language, or one of its primary
; language; Chinese goes by region and Portuguese outside Brazil is
; Portugal's, as the program chooses.
!macro PickLanguage
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $1 $0 & 0x3FF
  ${If} $0 = 0x0C04
  ${OrIf} $0 = 0x1404
    StrCpy $LANGUAGE ${LANG_TRADCHINESE}
  ${ElseIf} $0 = 0x1004
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${ElseIf} $1 = 0x16
  ${AndIf} $0 <> 0x0416
    StrCpy $LANGUAGE ${LANG_PORTUGUESE}
  ${EndIf}
!macroend
Function un.onInit
  !insertmacro PickLanguage
FunctionEnd

; A running copy holds the program file open: ask it to close, as the user
; would with its "X", so it saves its position, and wait until it has gone.
; Its window goes first; its process, which holds the file, ends a moment
; later (longer on a busy machine), so that is waited for too. One that does
; not close within 5 s (started as administrator, where Windows drops our
; message; or hung) is the user's to close: they are told so and may try
; again; cancelled, or silent, the installer ends with exit code 2 before it
; has changed anything.
Var WasRunning  ; closed here, so started again once the new files are in
!define SYNCHRONIZE 0x00100000
!define WAIT_TIMEOUT 258
!macro CloseRunningCalendar
  retry:
  StrCpy $1 0
  StrCpy $3 0  ; the running copy's process
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    StrCpy $WasRunning 1
    ${If} $3 == 0
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r2)'
      System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r3'
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    Sleep 200
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 25
  StrCpy $4 0
  ${If} $3 <> 0
    ${If} $0 == 0
      System::Call 'kernel32::WaitForSingleObject(p r3, i 5000) i .r4'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  FindWindow $0 "${WINDOW_CLASS}"
  ${If} $0 <> 0
  ${OrIf} $4 = ${WAIT_TIMEOUT}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(InstallStillRunning)" /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Section "vrlCalendar" SecProgram
  SectionIn RO
  !insertmacro CloseRunningCalendar
  SetOutPath "$INSTDIR"
  File "${STAGE}\${APP}.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${APP}.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP}.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "$(InstallStartAtSignIn)" SecLogOn
  WriteRegStr HKCU "${RUN_KEY}" "${APP}" '"$INSTDIR\${APP}.exe"'
SectionEnd

Section "-Log-on entry off" SecLogOnOff
  ; Reinstalling without the option removes an entry left by an earlier install.
  ${IfNot} ${SectionIsSelected} ${SecLogOn}
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  ${EndIf}
SectionEnd

; Last, as the user left it: a calendar closed for the upgrade is started
; again, and reopens where it was. One that was not running stays closed.
Section "-Start again" SecStartAgain
  ${If} $WasRunning == 1
    Call StartCalendar
  ${EndIf}
SectionEnd

; One copy at a time: the finish page starts it only if it is not running.
; It is started by the signed-in user's shell, not as this installer's child:
; from an installer run as administrator a child would run elevated all day,
; and tools that wait for an installer's processes would wait for it. A
; second explorer hands the path to the running shell, which starts it as
; the user. Without a shell (no taskbar) nothing is started; the finish page
; says where to start it.
Function StartCalendar
  FindWindow $0 "${WINDOW_CLASS}"
  FindWindow $1 "Shell_TrayWnd"
  ${If} $0 == 0
  ${AndIf} $1 <> 0
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${APP}.exe"'
  ${EndIf}
FunctionEnd

; Installing over an installed copy keeps the user's choice of starting at
; sign-in as it stands, silent installs included (which take each section's
; preselection): the option is ticked only if the log-on entry is there. A
; first install offers it ticked. Windows' own "turned off" mark is never
; touched.
Function .onInit
  !insertmacro PickLanguage
  ClearErrors
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${IfNot} ${Errors}
    ClearErrors
    ReadRegStr $0 HKCU "${RUN_KEY}" "${APP}"
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecLogOn}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro CloseRunningCalendar
  Delete "$INSTDIR\${APP}.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  ; Its "turned off" mark too, or a reinstall's log-on entry would stay off.
  DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${APP}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The calendar's settings (its place, shortcut, week numbers and
  ; calendars, with the copies kept of those it reads from addresses) are
  ; the user's: kept unless they say otherwise (and always kept by a silent
  ; uninstall).
  MessageBox MB_YESNO|MB_ICONQUESTION "$(UninstallForgetPlace)" /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    RMDir /r "$LOCALAPPDATA\${APP}\Calendars"
    RMDir "$LOCALAPPDATA\${APP}"
  keep:
SectionEnd
