; The TR6400 tool's Windows setup: a per-machine install into Program Files, Start-menu entries
; for the window and the README, an uninstaller listed under Add/Remove Programs. Built by
; make-packages, which defines VERSION, WORK (the staged files and their lists), OUTFILE,
; SIZE_KB and ICON. The user's settings (%LOCALAPPDATA%\tr6400) and data (Documents\TR6400)
; are never touched.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "TR6400"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TR6400"

Name "TR6400 ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\TR6400"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "TR6400 tool"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "TR6400 tool setup"
VIAddVersionKey "CompanyName" "The TR6400 tool developers"
VIAddVersionKey "LegalCopyright" "Copyright 2026 The TR6400 tool developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "TR6400"
  !include "${WORK}\install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\TR6400.lnk" "$INSTDIR\tr6400.exe" "" "$INSTDIR\tr6400.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\TR6400 README.lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall TR6400.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "TR6400 tool"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "The TR6400 tool developers"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\tr6400.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}\TR6400.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\TR6400 README.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall TR6400.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  !include "${WORK}\uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: whatever else someone put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
