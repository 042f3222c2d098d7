; The Windows setup program, made by scripts/windows dist:
;   makensis -DVERSION=1.5.0 -DSTAGE=DIR -DICON=qvimaker.ico -DOUTFILE=setup.exe setup.nsi
; STAGE holds qvimaker.exe, qvimage.exe, README.md and LICENSE.txt.
;
; It installs them for all users (Program Files) or for one user only (the
; user's own programs folder), as the user or /AllUsers and /CurrentUser
; choose; adds a Start menu entry for the window program; registers list
; files (.qvl) under a ProgID of their own, opening with qvimaker.exe; and
; registers the uninstaller with Apps & features. /S installs and
; uninstalls silently. The uninstaller removes exactly what was installed
; and leaves the user's lists and images alone.

; A 64-bit setup for 64-bit programs: it sees the 64-bit Program Files
; and registry as they are, and runs where the programs run.
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "VERSION, STAGE, ICON and OUTFILE must be given with -D"
!endif

!define PRODUCT "Quorel CD-ROM Image Maker"
!define PUBLISHER "Quorel CD-ROM Image Maker developers"
!define PROGID "QvImageMaker.List"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QvImageMaker"
!define SETTINGS_KEY "Software\QvImageMaker"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

; Administrators may install for everyone; everybody else, or anyone who
; asks, only for themselves.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; Where an earlier installation went, and for whom: an update and the
; uninstaller find it there.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\qvimaker.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The setup program's own version resource.
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 The ${PUBLISHER}, MIT License"

; SHCNE_ASSOCCHANGED: Explorer reads the file types again.
!macro AssociationsChanged
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${STAGE}\qvimaker.exe"
  File "${STAGE}\qvimage.exe"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "${SHORTCUT}" "$INSTDIR\qvimaker.exe" "" "$INSTDIR\qvimaker.exe" 0

  ; SHCTX is HKLM for all users and HKCU for one, as MultiUser set it.
  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallMode" "$MultiUser.InstallMode"

  ; List files: plain text of their own type, opened by the window program.
  WriteRegStr SHCTX "Software\Classes\.qvl" "" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\.qvl" "Content Type" "text/plain"
  WriteRegStr SHCTX "Software\Classes\.qvl" "PerceivedType" "text"
  WriteRegStr SHCTX "Software\Classes\.qvl\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "${PRODUCT} list"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\qvimaker.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\qvimaker.exe" "%1"'
  !insertmacro AssociationsChanged

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qvimaker.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; File by file: the folder may have been chosen with other files in it.
  Delete "$INSTDIR\qvimaker.exe"
  Delete "$INSTDIR\qvimage.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"

  ; .qvl keeps another program's claim, if one took it over since.
  ReadRegStr $0 SHCTX "Software\Classes\.qvl" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "Software\Classes\.qvl" ""
    DeleteRegValue SHCTX "Software\Classes\.qvl" "Content Type"
    DeleteRegValue SHCTX "Software\Classes\.qvl" "PerceivedType"
  ${EndIf}
  DeleteRegValue SHCTX "Software\Classes\.qvl\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.qvl\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.qvl"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  !insertmacro AssociationsChanged

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${SETTINGS_KEY}"
SectionEnd
