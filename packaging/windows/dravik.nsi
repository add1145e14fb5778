; The Windows installer. scripts/package-windows passes VERSION, STAGE (the installed tree of the
; build) and OUTFILE. The uninstaller removes what the installer put down and nothing else: the
; technician's data folder C:\Tov_Dravik stays as it is.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

Name "Dravik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Dravik"
InstallDirRegKey HKLM "Software\Dravik" "InstallDir"
RequestExecutionLevel admin
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dravik"
!define MUI_ICON "${STAGE}\dravik.ico"
!define MUI_UNICON "${STAGE}\dravik.ico"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Dravik"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Dravik" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Dravik"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Dravik developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dravik.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetShellVarContext all
  ; Started in its own folder, where the sample product database is.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\Dravik.lnk" "$INSTDIR\dravik.exe" "" "$INSTDIR\dravik.ico" 0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Dravik.lnk"
  ; Only the installed tree; the user's own files live in C:\Tov_Dravik, never here.
  RMDir /r "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Dravik"
SectionEnd
