; The OrnUpdate installer: puts the updater into an ORN installation folder.
;   makensis -DDIST=<folder with Update.exe, 7z.exe, OrnRes.dll> -DOUTFILE=<setup.exe> -DVERSION=<x.y.z> OrnUpdate.nsi
; It installs Update.exe, and 7z.exe and OrnRes.dll only when the folder has none (ORN ships its
; own), a Start-menu shortcut that starts the updater in that folder, and an uninstaller that
; removes only what was installed. /S installs silently, /D=<folder> chooses the folder.
Unicode true
Target amd64-unicode
ManifestSupportedOS all
SetCompressor /SOLID lzma

!ifndef DIST
  !error "DIST must name the folder holding Update.exe, 7z.exe and OrnRes.dll"
!endif
!ifndef OUTFILE
  !define OUTFILE "OrnUpdate-setup.exe"
!endif
!ifndef VERSION
  !define VERSION "1.0.0"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrnUpdate"
!define ORN_KEY "Software\Pelmarotex\ORN"
!define UNINSTALLER "Uninstall-OrnUpdate.exe"

Name "OrnUpdate ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\ORN"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "OrnUpdate"
VIAddVersionKey "CompanyName" "Pelmarotex"
VIAddVersionKey "FileDescription" "OrnUpdate installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Pelmarotex"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The folder of an existing ORN installation when the registry names one ("InstallDir" of the
; ORN key, machine-wide or the user's), else where this installer put the updater last time.
; A folder given with /D is kept as it is.
Function .onInit
  SetRegView 64
  StrCmp $INSTDIR "$PROGRAMFILES64\ORN" 0 done
  ReadRegStr $0 HKLM "${ORN_KEY}" "InstallDir"
  StrCmp $0 "" 0 found
  ReadRegStr $0 HKCU "${ORN_KEY}" "InstallDir"
  StrCmp $0 "" 0 found
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done found
found:
  StrCpy $INSTDIR $0
done:
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "OrnUpdate"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${DIST}\Update.exe"
  ; ORN's own 7-Zip and resource library stay as they are.
  StrCpy $1 0
  IfFileExists "$INSTDIR\7z.exe" +3
    File "${DIST}\7z.exe"
    StrCpy $1 1
  StrCpy $2 0
  IfFileExists "$INSTDIR\OrnRes.dll" +3
    File "${DIST}\OrnRes.dll"
    StrCpy $2 1
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The updater works on the folder it is started in: the shortcut starts it in $INSTDIR.
  CreateDirectory "$SMPROGRAMS\ORN"
  CreateShortcut "$SMPROGRAMS\ORN\OrnUpdate.lnk" "$INSTDIR\Update.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "OrnUpdate"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Pelmarotex"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Installed7z" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "InstalledOrnRes" $2
SectionEnd

; Removes what the installer put there and what the updater made of itself (Update.bak);
; ORN's files and the folder stay unless it is empty.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Update.exe"
  Delete "$INSTDIR\Update.bak"
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "Installed7z"
  StrCmp $1 1 0 +2
    Delete "$INSTDIR\7z.exe"
  ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "InstalledOrnRes"
  StrCmp $2 1 0 +2
    Delete "$INSTDIR\OrnRes.dll"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\ORN\OrnUpdate.lnk"
  RMDir "$SMPROGRAMS\ORN"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
