; Reelbox-Setup.exe: installs the Reelbox conduit into the HotSync manager.
; Built by the win32 build (makensis -DBINDIR=... -DOUTFILE=... -DVERSION=...).
; Exit status: 0 done, 1 failed, 2 no HotSync manager, 3 creator "KVRT" held by another conduit,
; 4 a synchronization is running. Runs silently with /S.
Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Reelbox"
!define HELPER "ReelboxConduitSetup.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Reelbox"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Reelbox"
; An upgrade or a repair goes where the last installation went.
InstallDirRegKey HKLM "Software\Reelbox" "InstallDir"
BrandingText "Reelbox ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Reelbox"
VIAddVersionKey "FileDescription" "Reelbox conduit for HotSync - Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Reelbox"

!define MUI_WELCOMEPAGE_TITLE "Reelbox for HotSync"
!define MUI_WELCOMEPAGE_TEXT "Setup installs the Reelbox conduit, which brings your handheld's movie list and event lists in step with your computer at every HotSync.$\r$\n$\r$\nHotSync is closed while Setup works and started again at the end. Let a running synchronization finish first.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_TEXT "Reelbox is installed. It runs at the next HotSync of every user on this computer."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "license.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Fresh

Function .onInit
  ReadRegStr $0 HKCU "Software\U.S. Robotics\Pilot Desktop\Core" "Path"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\CondMgr.dll"
    MessageBox MB_OK|MB_ICONSTOP "No HotSync manager was found on this computer.$\r$\n$\r$\nInstall and set up the HotSync manager (Palm Desktop) first, then run Reelbox Setup again. Nothing was changed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; Stops the installation with the helper's message and exit status; nothing more is changed.
!macro Stop status message
  DetailPrint "${message}"
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  SetErrorLevel ${status}
  Quit
!macroend

Section "Reelbox conduit"
  InitPluginsDir
  File "/oname=$PLUGINSDIR\${HELPER}" "${BINDIR}/${HELPER}"
  nsExec::ExecToStack '"$PLUGINSDIR\${HELPER}" check "$INSTDIR"'
  Pop $0
  Pop $1
  ${If} $0 != 0
    !insertmacro Stop $0 $1
  ${EndIf}
  DetailPrint "Closing HotSync"
  nsExec::ExecToStack '"$PLUGINSDIR\${HELPER}" close'
  Pop $0
  Pop $1
  ${If} $0 != 0
    nsExec::Exec '"$PLUGINSDIR\${HELPER}" start'
    Pop $2
    !insertmacro Stop $0 $1
  ${EndIf}

  StrCpy $Fresh 1
  ${If} ${FileExists} "$INSTDIR\KVRTConduit.dll"
    StrCpy $Fresh 0
  ${EndIf}
  SetOutPath "$INSTDIR"
  SetOverwrite try
  ClearErrors
  File "${BINDIR}/KVRTConduit.dll"
  File "${BINDIR}/KVRTConduitLANG.DLL"
  File "${BINDIR}/${HELPER}"
  ${If} ${Errors}
    Call Undo
    !insertmacro Stop 1 "The program files could not be copied to $INSTDIR (is the conduit in use?). Nothing was changed."
  ${EndIf}

  nsExec::ExecToLog '"$INSTDIR\${HELPER}" install "$INSTDIR"'
  Pop $0
  ${If} $0 != 0
    Call Undo
    !insertmacro Stop $0 "The conduit could not be registered with HotSync (see the details). Nothing was changed."
  ${EndIf}

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "Software\Reelbox" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Reelbox conduit for HotSync"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Reelbox"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; After a failure: files copied by a fresh installation go again (an upgrade keeps the files its
; registration points at), and HotSync is started again.
Function Undo
  ${If} $Fresh == 1
    Delete "$INSTDIR\KVRTConduit.dll"
    Delete "$INSTDIR\KVRTConduitLANG.DLL"
    Delete "$INSTDIR\${HELPER}"
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
  ${EndIf}
  nsExec::Exec '"$PLUGINSDIR\${HELPER}" start'
  Pop $0
FunctionEnd

Section "Uninstall"
  nsExec::ExecToLog '"$INSTDIR\${HELPER}" uninstall "$INSTDIR"'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "The conduit could not be removed from HotSync (see the details). Nothing was removed." /SD IDOK
    SetErrorLevel $0
    Quit
  ${EndIf}
  ; Every user's "Cinevane" folder (settings, logs, movie files) stays.
  Delete "$INSTDIR\KVRTConduit.dll"
  Delete "$INSTDIR\KVRTConduitLANG.DLL"
  Delete "$INSTDIR\${HELPER}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Reelbox"
SectionEnd
