; The installer: ZTADRCNV for every user of the PC under Program Files, a
; Start menu entry, and an uninstaller that takes away only what it put there.
; Each user's database and outputs lie in their own folders and stay.
;
; makensis -DVERSION=1.00.01 -DFILES=<program folder> -DOUTFILE=<setup.exe> installer.nsi
; FILES holds the installed copy: the zip's folder with empty.mdb in place of
; ZTADRCNV.mdb, and uninstall-files.nsh listing its files.
Unicode true
; A 64-bit installer for a 64-bit program: it needs no 32-bit layer (Wine's
; included) and writes the 64-bit Program Files and registry without redirection.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define TITLE "Norrik!アドレス帳移行支援"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZTADRCNV"

Name "${TITLE}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ZTADRCNV"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${TITLE}"
VIAddVersionKey /LANG=1041 "FileDescription" "${TITLE} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "ZTADRCNV developers"

!define MUI_ICON "${FILES}\..\ZTADRCNV.ico"
!define MUI_UNICON "${FILES}\..\ZTADRCNV.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\ZTADRCNV.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "このプログラムは 64 ビット版の Windows でだけ動きます。"
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File /r "${FILES}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${TITLE}.lnk" "$INSTDIR\ZTADRCNV.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZTADRCNV.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "ZTADRCNV developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; File by file, never the whole folder: a folder the user picked may hold
; other things, and the users' own files lie elsewhere anyway.
Section "Uninstall"
    !include "${FILES}\..\uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR\platforms"
    RMDir "$INSTDIR\styles"
    RMDir "$INSTDIR\translations"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${TITLE}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
