; Bimbly-Setup-<version>.exe: installs the suite for the current user into
; %LOCALAPPDATA%\Programs\Bimbly, without elevation, so that the updater may
; always replace files in the program folder.
;
; Built by the CMake target "installer", which passes:
;   VERSION      version text of the build ("0.3.3.121")
;   OUTFILE      path of the installer to write
;   FILES_NSH    generated list of the deliverables (BIMBLY_INSTALL_FILES,
;                BIMBLY_DELETE_FILES)
;   ICON         the application icon
;   SITE_URL     the maker's site (optional)
;   SERIAL       the release's serial, as in its update manifest (optional)
;   SIGN_COMMAND command that signs the file given as its last argument
;                (optional; runs on the installer and on its uninstaller)
;
; Silent use: Bimbly-Setup.exe /S [/D=folder]; Uninstall.exe /S.
; Exit code 3: a Bimbly program runs, nothing was changed.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!ifndef VERSION | OUTFILE | FILES_NSH | ICON
  !error "VERSION, OUTFILE, FILES_NSH and ICON must be defined (-D)"
!endif
!ifndef SITE_URL
  !define SITE_URL "https://bimbly.example"
!endif

!define PRODUCT "Bimbly"
!define PUBLISHER "Bimbly"
!define UNINSTALLER "Uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bimbly"
!define SHORTCUT "${PRODUCT}.lnk"
!define EXIT_SUITE_RUNS 3

!ifdef SIGN_COMMAND
  !finalize '${SIGN_COMMAND} "%1"' = 0
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES_NSH}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
AllowSkipFiles off
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "此程序将把 ${PRODUCT} ${VERSION} 安装到你的电脑上，只为当前用户安装，不需要管理员权限。$\r$\n$\r$\n如果 ${PRODUCT} 正在运行，请先关闭它。已有的设置会保留。$\r$\n$\r$\n点击“下一步”继续。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tobble.exe"
!define MUI_FINISHPAGE_RUN_TEXT "现在运行 ${PRODUCT}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"
; The dialog font of the suite's own windows, which links to the system's
; Chinese font on any Windows, instead of one named font that may be missing.
SetFont /LANG=${LANG_SIMPCHINESE} "MS Shell Dlg" 9

LangString SuiteRuns ${LANG_SIMPCHINESE} "${PRODUCT} 正在运行（可能正在游戏或更新中）。$\r$\n$\r$\n请先关闭 ${PRODUCT}，然后重试。"
LangString RemoveFamily ${LANG_SIMPCHINESE} "是否同时删除“我的家”里您自己添加的图卡（照片和录音）？$\r$\n$\r$\n选择“否”会保留它们，重新安装后还能使用。"
LangString ShortcutComment ${LANG_SIMPCHINESE} "启动 ${PRODUCT} 宝宝乐园"

; Sets $R9 to 1 while a program of the suite runs: the launcher, a game, the
; updater or the update helper. Every one of them holds its named mutex.
!macro BIMBLY_MUTEX_TEST NAME
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${NAME}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $R9 1
  ${EndIf}
!macroend

!macro BIMBLY_RUNNING_FUNCTIONS UN
Function ${UN}SuiteRuns
  Push $0
  StrCpy $R9 0
  !insertmacro BIMBLY_MUTEX_TEST "TobbleBabyMain"
  !insertmacro BIMBLY_MUTEX_TEST "TobbleBabyPlaying"
  !insertmacro BIMBLY_MUTEX_TEST "TobbleBabyUpdate"
  !insertmacro BIMBLY_MUTEX_TEST "TobbleBabyUpdateHelp"
  Pop $0
FunctionEnd

; Asks the parent to close the suite and retry; on Cancel (and always in
; silent mode) ends with exit code 3 and changes nothing.
Function ${UN}RefuseWhileRunning
  retry:
    Call ${UN}SuiteRuns
    ${If} $R9 = 1
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(SuiteRuns)" /SD IDCANCEL IDRETRY retry
      SetErrorLevel ${EXIT_SUITE_RUNS}
      Quit
    ${EndIf}
FunctionEnd
!macroend

!insertmacro BIMBLY_RUNNING_FUNCTIONS ""
!insertmacro BIMBLY_RUNNING_FUNCTIONS "un."

; The installed release in verinfo.ini, as the update helper records it.
; Installing over a folder that an update has changed, verinfo.ini would still
; name the version the update brought, and the launcher would show it; the
; replaced version joins the history. A release build also records its serial
; (kept when an update brought a higher one), so that the updater never takes
; an older release for the installed one. Without a serial, a fresh install
; writes no verinfo.ini: the launcher shows its built-in version.
Function RecordInstalledVersion
  StrCpy $3 "$INSTDIR\verinfo.ini"
  ${If} ${FileExists} "$3"
    ReadINIStr $0 "$3" "Version" "ver"
    ${If} $0 S!= "${VERSION}"
      ${IfThen} $0 == "" ${|} StrCpy $0 "0.1" ${|}
      StrCpy $1 0
      ${Do}
        ReadINIStr $2 "$3" "History$1" "ver"
        ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
        IntOp $1 $1 + 1
      ${LoopUntil} $1 >= 10000
      WriteINIStr "$3" "History$1" "ver" "$0"
    ${EndIf}
  !ifndef SERIAL
  ${Else}
    Return
  !endif
  ${EndIf}
  WriteINIStr "$3" "Version" "ver" "${VERSION}"
  WriteINIStr "$3" "Version" "path" "$INSTDIR\"
  !ifdef SERIAL
    ReadINIStr $0 "$3" "Version" "serial"
    ${If} $0 == ""
    ${OrIf} ${SERIAL} L> $0
      WriteINIStr "$3" "Version" "serial" "${SERIAL}"
    ${EndIf}
  !endif
FunctionEnd

Function .onInit
  SetShellVarContext current
  Call RefuseWhileRunning
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  ; The parent may have started the suite while the pages were shown.
  Call RefuseWhileRunning
  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro BIMBLY_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  Call RecordInstalledVersion

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\Tobble.exe" "" "$INSTDIR\Tobble.exe" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\Tobble.exe" "" "$INSTDIR\Tobble.exe" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Tobble.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "URLInfoAbout" "${SITE_URL}"
  WriteRegStr HKCU "${UNINST_KEY}" "HelpLink" "${SITE_URL}/help.html"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; Files an update put into the program folder are named by the "file" keys of
; the manifest and of the update list in the download folder; their downloads
; lie there under the same name with "_" appended. Only plain names are
; removed: no folders, no drive, no wildcards.
Function un.RemoveUpdateListFiles
  Exch $R0  ; the list file
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R1 0
  ${Do}
    ReadINIStr $R2 "$R0" "File$R1" "file"
    ${IfThen} $R2 == "" ${|} ${ExitDo} ${|}
    StrCpy $R3 0
    ${Do}
      StrCpy $R4 $R2 1 $R3
      ${IfThen} $R4 == "" ${|} ${ExitDo} ${|}
      ${If} $R4 == "\"
      ${OrIf} $R4 == "/"
      ${OrIf} $R4 == ":"
      ${OrIf} $R4 == "*"
      ${OrIf} $R4 == "?"
        StrCpy $R2 ""
        ${ExitDo}
      ${EndIf}
      IntOp $R3 $R3 + 1
    ${Loop}
    ${If} $R2 != ""
      StrCpy $R4 "_"
      Delete "$INSTDIR\$R2"
      Delete "$INSTDIR\download\$R2$R4"
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${LoopUntil} $R1 >= 10000
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

Function un.onInit
  SetShellVarContext current
  Call un.RefuseWhileRunning
FunctionEnd

Section "Uninstall"
  Call un.RefuseWhileRunning
  Push "$INSTDIR\download\lastver.ini"
  Call un.RemoveUpdateListFiles
  Push "$INSTDIR\download\update.ini"
  Call un.RemoveUpdateListFiles
  !insertmacro BIMBLY_DELETE_FILES

  ; What the programs wrote: the settings, the version record, the update files.
  Delete "$INSTDIR\config.ini"
  Delete "$INSTDIR\verinfo.ini"
  Delete "$INSTDIR\download\lastver.ini"
  Delete "$INSTDIR\download\update.ini"
  Delete "$INSTDIR\download\uphelp.ini"
  Delete "$INSTDIR\download\updatetest.ini"
  RMDir "$INSTDIR\download"

  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  DeleteRegKey HKCU "${UNINST_KEY}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: a folder the parent chose may hold other files.
  RMDir "$INSTDIR"

  ; The family's own cards are the parent's data, outside the program folder:
  ; an uninstall someone watches asks about them, a silent one keeps them.
  ${IfNot} ${Silent}
  ${AndIf} ${FileExists} "$APPDATA\${PRODUCT}\family\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveFamily)" /SD IDNO IDNO keep_family
    RMDir /r "$APPDATA\${PRODUCT}\family"
    RMDir "$APPDATA\${PRODUCT}"
    keep_family:
  ${EndIf}
SectionEnd
