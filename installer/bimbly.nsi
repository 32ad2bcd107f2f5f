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
; Exit code 4: the folder is refused (a drive root, the profile, Desktop,
; Documents, Downloads, a Windows folder, or a non-empty folder without an
; earlier install), nothing was changed.
; Exit code 5: the folder's access could not be limited to this user.

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
!define EXIT_REFUSED_FOLDER 4
!define EXIT_UNSAFE_FOLDER 5
; What this installer put into the folder, for the uninstaller to take away.
!define INSTALL_LIST "install.ini"

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
; A drive root is refused by the installer's own check, with its own exit code,
; rather than replaced silently by the default folder.
AllowRootDirInstall true
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
LangString RefusedFolder ${LANG_SIMPCHINESE} "不能安装到这个文件夹：$\r$\n$INSTDIR$\r$\n$\r$\n请选择一个新的空文件夹，例如 $LOCALAPPDATA\Programs\${PRODUCT}。"
LangString UnsafeFolder ${LANG_SIMPCHINESE} "无法设置文件夹的访问权限，安装已停止：$\r$\n$INSTDIR"

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

; Sets $R8 to 1 when $INSTDIR may not take the suite: a drive root, the
; profile folder itself, Desktop, Documents, Downloads, a Windows folder, or a
; folder that holds files but no earlier install (its files would be mixed
; with the suite's and be given this user's access).
Function IsRefusedTarget
  Push $0
  Push $1
  Push $2
  StrCpy $R8 0
  StrCpy $0 "$INSTDIR"
  ${Do}
    StrCpy $1 $0 1 -1
    ${IfThen} $1 != "\" ${|} ${ExitDo} ${|}
    StrCpy $0 $0 -1
  ${Loop}
  StrLen $1 $0
  StrCpy $2 $0 2
  ${If} $1 <= 2
  ${OrIf} $2 == "\\"
  ${OrIf} $0 == "$PROFILE"
  ${OrIf} $0 == "$DESKTOP"
  ${OrIf} $0 == "$DOCUMENTS"
  ${OrIf} $0 == "$PROFILE\Downloads"
    StrCpy $R8 1
  ${EndIf}
  ; The Windows folder and everything inside it.
  StrLen $1 "$WINDIR"
  StrCpy $2 $0 $1
  ${If} $2 == "$WINDIR"
    StrCpy $2 $0 1 $1
    ${IfThen} $2 == "" ${|} StrCpy $R8 1 ${|}
    ${IfThen} $2 == "\" ${|} StrCpy $R8 1 ${|}
  ${EndIf}
  ${DirState} "$0" $1
  ${If} $1 = 1
  ${AndIfNot} ${FileExists} "$0\Tobble.exe"
  ${AndIfNot} ${FileExists} "$0\${INSTALL_LIST}"
    StrCpy $R8 1
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function RefuseTarget
  Call IsRefusedTarget
  ${If} $R8 = 1
    MessageBox MB_OK|MB_ICONSTOP "$(RefusedFolder)" /SD IDOK
    SetErrorLevel ${EXIT_REFUSED_FOLDER}
    Quit
  ${EndIf}
FunctionEnd

; The program folder's own access list, not inherited from where it lies: a
; folder outside the profile would otherwise let every account on the
; computer change the programs. Full control for this user, SYSTEM and the
; Administrators, passed down to everything in it.
Function SecureProgramFolder
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $4 ""
  System::Call 'advapi32::OpenProcessToken(p -1, i 0x8, *p .r1) i .r0'
  ${If} $0 <> 0
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p 0, i 0, *i .r2)'
    System::Alloc $2
    Pop $3
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r3, i r2, *i .r2) i .r0'
    ${If} $0 <> 0
      System::Call '*$3(p .r2)'
      System::Call 'advapi32::ConvertSidToStringSidW(p r2, *p .r2) i .r0'
      ${If} $0 <> 0
        System::Call '*$2(&w${NSIS_MAX_STRLEN} .r4)'
        System::Call 'kernel32::LocalFree(p r2)'
      ${EndIf}
    ${EndIf}
    System::Free $3
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  StrCpy $0 1
  ${If} $4 != ""
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "D:PAI(A;OICI;FA;;;$4)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", i 1, *p .r1, p 0) i .r0'
    ${If} $0 <> 0
      System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r2, *p .r3, *i .r0) i .r0'
      ${If} $0 <> 0
        ; SE_FILE_OBJECT; DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
        System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000004, p 0, p 0, p r3, p 0) i .r0'
      ${Else}
        StrCpy $0 1
      ${EndIf}
      System::Call 'kernel32::LocalFree(p r1)'
    ${Else}
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "$(UnsafeFolder)" /SD IDOK
    SetErrorLevel ${EXIT_UNSAFE_FOLDER}
    Quit
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The files the programs write that were already in the folder before the
; first install stay when the suite is removed: they are not Bimbly's.
Function NoteForeignFiles
  ${IfNot} ${FileExists} "$INSTDIR\${INSTALL_LIST}"
    ${If} ${FileExists} "$INSTDIR\config.ini"
      WriteINIStr "$INSTDIR\${INSTALL_LIST}" "Kept" "config.ini" "1"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\verinfo.ini"
      WriteINIStr "$INSTDIR\${INSTALL_LIST}" "Kept" "verinfo.ini" "1"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  Call RefuseWhileRunning
FunctionEnd

; Keeps the Next button off while the chosen folder would be refused.
Function .onVerifyInstDir
  Call IsRefusedTarget
  ${IfThen} $R8 = 1 ${|} Abort ${|}
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  ; The parent may have started the suite while the pages were shown.
  Call RefuseWhileRunning
  Call RefuseTarget
  CreateDirectory "$INSTDIR"
  Call SecureProgramFolder
  Call NoteForeignFiles
  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro BIMBLY_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro BIMBLY_LIST_FILES
  WriteINIStr "$INSTDIR\${INSTALL_LIST}" "Files" "uninstaller" "${UNINSTALLER}"
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

; Removes the files the install list names: plain names only.
Function un.RemoveListedFiles
  Push $R0
  Push $R1
  Push $R2
  ReadINIStr $R0 "$INSTDIR\${INSTALL_LIST}" "Files" "slots"
  ${IfThen} $R0 == "" ${|} StrCpy $R0 0 ${|}
  ${IfThen} $R0 > 10000 ${|} StrCpy $R0 10000 ${|}
  StrCpy $R1 0
  ${DoWhile} $R1 < $R0
    ReadINIStr $R2 "$INSTDIR\${INSTALL_LIST}" "Files" "f$R1"
    Push $R2
    Call un.DeletePlainFile
    IntOp $R1 $R1 + 1
  ${Loop}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Deletes $INSTDIR\<name> and its download, if <name> is a plain file name.
Function un.DeletePlainFile
  Exch $R2
  Push $R3
  Push $R4
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
  ${AndIf} $R2 != "."
  ${AndIf} $R2 != ".."
    StrCpy $R4 "_"
    Delete "$INSTDIR\$R2"
    Delete "$INSTDIR\download\$R2$R4"
    Delete "$INSTDIR\download\$R2$R4.part"
  ${EndIf}
  Pop $R4
  Pop $R3
  Pop $R2
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
  ${If} ${FileExists} "$INSTDIR\${INSTALL_LIST}"
    Call un.RemoveListedFiles
  ${Else}
    ; Installed by an installer that kept no list: the deliverables by name.
    !insertmacro BIMBLY_DELETE_FILES
  ${EndIf}

  ; What the programs wrote, unless it was there before the first install:
  ; the settings, the version record, the update files.
  ReadINIStr $0 "$INSTDIR\${INSTALL_LIST}" "Kept" "config.ini"
  ${IfThen} $0 != "1" ${|} Delete "$INSTDIR\config.ini" ${|}
  ReadINIStr $0 "$INSTDIR\${INSTALL_LIST}" "Kept" "verinfo.ini"
  ${IfThen} $0 != "1" ${|} Delete "$INSTDIR\verinfo.ini" ${|}
  Delete "$INSTDIR\restore.ini"
  Delete "$INSTDIR\download\rollback\*.old"
  RMDir "$INSTDIR\download\rollback"
  Delete "$INSTDIR\download\rollback.ini"
  Delete "$INSTDIR\download\lastver.ini.part"
  Delete "$INSTDIR\download\lastver.ini"
  Delete "$INSTDIR\download\update.ini"
  Delete "$INSTDIR\download\uphelp.ini"
  Delete "$INSTDIR\download\updatetest.ini"
  RMDir "$INSTDIR\download"

  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  DeleteRegKey HKCU "${UNINST_KEY}"
  Delete "$INSTDIR\${INSTALL_LIST}"
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
