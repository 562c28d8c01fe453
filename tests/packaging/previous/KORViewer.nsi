; The installer script of release 2.2.0.1, kept as it shipped: install_check
; installs an "older version" with it, so an upgrade is tested from what
; people have installed, not from today's script. Never edit it.
; KORViewer.nsi - the KOR Viewer installer (Unicode NSIS 3).
;
;   makensis -DVERSION=2.2.0.1 -DARCH=x86|x64 -DPROGRAMS=<folder> -DOUTFILE=<setup.exe> KORViewer.nsi
;
; PROGRAMS holds KORViewer.exe, KORFwSw.dll and korfw.exe. ARCH x86 is the
; product; x64 builds the same installer for 64-bit Windows, where the tests
; run on hosts that cannot start 32-bit programs. Runs silently with /S;
; /D=<folder> chooses the folder. Installing over an installed version
; replaces its files in place (the folder comes from its uninstall entry).

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define PROGRAMS_ROOT "$PROGRAMFILES64"
!else
  Target x86-unicode
  !define PROGRAMS_ROOT "$PROGRAMFILES"
!endif

!include "FileFunc.nsh"

!define APP_NAME "KOR Viewer"
!define PUBLISHER "KOR"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORViewer"
!define UNINSTALLER "uninstall.exe"

Name "${APP_NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS_ROOT}\KORViewer"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP_NAME} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) KOR 2026"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "KOR Viewer"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${PROGRAMS}/KORViewer.exe"
  File "${PROGRAMS}/KORFwSw.dll"
  File "${PROGRAMS}/korfw.exe"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\KORViewer.exe" "" "$INSTDIR\KORViewer.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KORViewer.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the installer wrote, and the folder only when nothing else is
; left in it: files the user put there (stills among them) stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\KORViewer.exe"
  Delete "$INSTDIR\KORFwSw.dll"
  Delete "$INSTDIR\korfw.exe"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
