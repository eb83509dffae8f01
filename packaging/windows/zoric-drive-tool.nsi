; The Windows installer of the ZORIC drive tool (NSIS 3, makensis -INPUTCHARSET UTF8).
; scripts/package-windows gives: VERSION, STAGE (the folder of the zip's
; files), ICON (the programs' .ico) and OUTFILE.
; Per user, with no administrator rights: the programs go to
; %LOCALAPPDATA%\Programs\ZORIC Drive Tool, the entries to the user's start
; menu and to the user's "Apps" list. zoric-cli is not put on PATH.

Unicode true
; 64-bit stub: the programs are 64-bit, and a 32-bit stub would not run
; where only 64-bit programs can.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZORIC Drive Tool"
!define SETTINGS_KEY "Software\ZORIC\ZORIC_Demo"

Name "$(ToolName)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZORIC Drive Tool"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "ZORIC Drive Tool"
VIAddVersionKey /LANG=0 "FileDescription" "ZORIC Drive Tool installer"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "ZORIC"
VIAddVersionKey /LANG=0 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\zoric-demo.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is taken where Windows speaks neither language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ToolName ${LANG_ENGLISH} "ZORIC Drive Tool"
LangString ToolName ${LANG_SIMPCHINESE} "ZORIC 驱动器工具"
LangString SimulatedName ${LANG_ENGLISH} "ZORIC Drive Tool (simulated drive)"
LangString SimulatedName ${LANG_SIMPCHINESE} "ZORIC 驱动器工具 (模拟驱动器)"
LangString UninstallName ${LANG_ENGLISH} "Uninstall ZORIC Drive Tool"
LangString UninstallName ${LANG_SIMPCHINESE} "卸载 ZORIC 驱动器工具"
LangString RemoveSettings ${LANG_ENGLISH} "Remove your settings of the tool too (last port, line settings, language)?"
LangString RemoveSettings ${LANG_SIMPCHINESE} "是否同时删除本工具的设置 (上次的端口、通讯设置、语言)?"

; What the installer puts there, and the uninstaller takes away again.
!macro ProgramFiles DO
  !insertmacro ${DO} "zoric-demo.exe"
  !insertmacro ${DO} "zoric-cli.exe"
  !insertmacro ${DO} "zoric-sim.exe"
  !insertmacro ${DO} "LICENSE.txt"
  !insertmacro ${DO} "THIRD-PARTY-NOTICES.txt"
  !insertmacro ${DO} "README.txt"
!macroend
!macro InstallFile NAME
  File "${STAGE}\${NAME}"
!macroend
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro ProgramFiles InstallFile
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts' names are in the installer's language: the uninstaller
  ; finds them by the paths kept here.
  CreateDirectory "$SMPROGRAMS\$(ToolName)"
  CreateShortcut "$SMPROGRAMS\$(ToolName)\$(ToolName).lnk" "$INSTDIR\zoric-demo.exe"
  CreateShortcut "$SMPROGRAMS\$(ToolName)\$(SimulatedName).lnk" "$INSTDIR\zoric-demo.exe" "--port sim://"
  CreateShortcut "$SMPROGRAMS\$(ToolName)\$(UninstallName).lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "StartMenuFolder" "$SMPROGRAMS\$(ToolName)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Shortcut1" "$SMPROGRAMS\$(ToolName)\$(ToolName).lnk"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Shortcut2" "$SMPROGRAMS\$(ToolName)\$(SimulatedName).lnk"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Shortcut3" "$SMPROGRAMS\$(ToolName)\$(UninstallName).lnk"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "$(ToolName)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "ZORIC"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zoric-demo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro ProgramFiles RemoveFile
  Delete "$INSTDIR\uninstall.exe"
  ; Only if empty: a "portable" file and its settings put there by the user stay.
  RMDir "$INSTDIR"

  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "Shortcut1"
  Delete $0
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "Shortcut2"
  Delete $0
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "Shortcut3"
  Delete $0
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "StartMenuFolder"
  RMDir $0
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The user's settings stay unless asked; a silent uninstall keeps them.
  MessageBox MB_YESNO|MB_DEFBUTTON2 "$(RemoveSettings)" /SD IDNO IDNO keep_settings
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\ZORIC"
  keep_settings:
SectionEnd
