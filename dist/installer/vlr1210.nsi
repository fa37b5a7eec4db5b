; The VLR1210 installer. Built by the 32-bit Windows build (makensis -D...):
;   VERSION OUTFILE DLL32 DLL64 INI REGISTER GUIDE
;
; 32-bit Windows: the 32-bit DLL in System32. 64-bit Windows: the 64-bit
; DLL in System32 and the 32-bit one in SysWOW64, both VLR1210.DLL, where
; applications of either kind load it by name. VLR1210.INI goes into the
; Windows directory, and vlr1210-register lists the driver in RP121032.INI.
; The uninstaller reverses exactly that. Silent: /S for both.
;
; Exit codes besides NSIS's own (0 done, 1 cancelled, 2 aborted):
;   3  a running application holds VLR1210.DLL; nothing was changed
;   4  RP121032.INI could not be updated
Unicode true
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "VLR1210 RP1210A driver"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VLR1210"
!define EXIT_HELD 3
!define EXIT_LIST 4

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Volra\VLR1210"
ShowInstDetails show
ShowUninstDetails show
SetCompressor /SOLID lzma
BrandingText "Volra ${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "VLR1210"
VIAddVersionKey /LANG=1033 "CompanyName" "Volra"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Volra"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; On 64-bit Windows this 32-bit program would see SysWOW64 as System32
; and the 32-bit registry; both are switched to what 64-bit programs see.
!macro NativeView
  ${If} ${RunningX64}
    SetRegView 64
    ${DisableX64FSRedirection}
  ${EndIf}
!macroend

; A DLL that a running program has loaded cannot be replaced or deleted;
; it is found before anything changes, so a refusal leaves the system as it
; was. Opening a loaded image for writing fails on Windows (and Wine).
!macro RefuseHeldDll PATH
  ${If} ${FileExists} "${PATH}"
    ClearErrors
    FileOpen $R0 "${PATH}" a
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${PATH} is in use by a running application.$\r$\n$\r$\nClose every program that uses an RP1210 driver, then run this again. Nothing was changed." /SD IDOK
      SetErrorLevel ${EXIT_HELD}
      Quit
    ${EndIf}
    FileClose $R0
  ${EndIf}
!macroend

!macro RefuseHeldDlls
  !insertmacro RefuseHeldDll "$SYSDIR\VLR1210.DLL"
  ${If} ${RunningX64}
    !insertmacro RefuseHeldDll "$WINDIR\SysWOW64\VLR1210.DLL"
  ${EndIf}
!macroend

; Runs vlr1210-register (extracted to the temporary plug-ins directory).
!macro Register ARGUMENTS
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "/oname=vlr1210-register.exe" "${REGISTER}"
  nsExec::ExecToLog '"$PLUGINSDIR\vlr1210-register.exe" ${ARGUMENTS}'
  Pop $R1
  ${If} $R1 != 0
    MessageBox MB_OK|MB_ICONSTOP "$WINDIR\RP121032.INI could not be updated ($R1)." /SD IDOK
    SetErrorLevel ${EXIT_LIST}
    Quit
  ${EndIf}
!macroend

Function .onInit
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Volra\VLR1210"
  ${EndIf}
FunctionEnd

Section "VLR1210"
  !insertmacro NativeView
  !insertmacro RefuseHeldDlls

  ${If} ${RunningX64}
    SetOutPath "$SYSDIR"
    File "/oname=VLR1210.DLL" "${DLL64}"
    SetOutPath "$WINDIR\SysWOW64"
    File "/oname=VLR1210.DLL" "${DLL32}"
  ${Else}
    SetOutPath "$SYSDIR"
    File "/oname=VLR1210.DLL" "${DLL32}"
  ${EndIf}
  SetOutPath "$WINDIR"
  File "/oname=VLR1210.INI" "${INI}"

  ; A file this installation creates goes again with the last driver.
  ${IfNot} ${FileExists} "$WINDIR\RP121032.INI"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "CreatedRP121032" 1
  ${EndIf}
  !insertmacro Register "add"

  SetOutPath "$INSTDIR"
  File "/oname=WINDOWS.md" "${GUIDE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Volra"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  !insertmacro NativeView
  !insertmacro RefuseHeldDlls

  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "CreatedRP121032"
  ${If} $0 == 1
    !insertmacro Register "remove --delete-if-empty"
  ${Else}
    !insertmacro Register "remove"
  ${EndIf}
  Delete "$WINDIR\VLR1210.INI"
  Delete "$SYSDIR\VLR1210.DLL"
  ${If} ${RunningX64}
    Delete "$WINDIR\SysWOW64\VLR1210.DLL"
  ${EndIf}

  Delete "$INSTDIR\WINDOWS.md"
  Delete "$INSTDIR\uninstall.exe"
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
