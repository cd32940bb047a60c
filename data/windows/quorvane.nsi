; Quorvane's Windows installer: a per-user install without elevation, built on Linux by
; scripts/package.sh:
;   makensis -DVERSION=1.0.0 -DPROGRAM=path/quorvane.exe -DOUTFILE=dist/quorvane-setup.exe quorvane.nsi
; /S installs (or uninstalls) silently. An upgrade asks a running copy to stop as its close box does
; (WM_CLOSE to its hidden main window: the orderly stop, which saves the settings) and waits for its end.

!ifndef VERSION | PROGRAM | OUTFILE
  !error "Define VERSION, PROGRAM and OUTFILE (see the first lines)"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT "Quorvane"
!define PUBLISHER "Brellisto"
!define COPYRIGHT "Copyright (C) 2026 Brellisto. All rights reserved."
!define EXE "quorvane.exe"
!define UNINSTALLER "uninstall.exe"
; The main window's class (src/frontends/win32/Win32MainWindow.h): hidden while the icon is in the tray.
!define MAIN_WINDOW_CLASS "QuorvaneMainWindow"
; The value the program's own "Start at Login" item writes and reads (src/platform/win32).
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quorvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane"
!define DATA_FOLDER "$LOCALAPPDATA\Quorvane"
!define STOP_WAIT_MS 30000
!define SYNCHRONIZE 0x00100000

!define TEXT_START_AT_SIGN_IN "Start Quorvane when I sign in"
!define TEXT_REMOVE_DATA "Also remove my settings and log"
!define TEXT_UNINSTALL_TITLE "Uninstall ${PRODUCT}"
!define TEXT_UNINSTALL_SUBTITLE "Remove ${PRODUCT} from your computer."
!define TEXT_DATA_KEPT "${PRODUCT} will be removed from $INSTDIR. Your settings and change log in ${DATA_FOLDER} stay unless you tick the box below."
!define TEXT_STILL_RUNNING "Quorvane is still running and could not be closed. Close it from its tray menu (Quit), then click Retry."
!define TEXT_CLOSING "Closing the running Quorvane (it saves its settings)..."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvane"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

; Paths are relative to this file's folder (makensis works there).
!define MUI_ICON "../quorvane.ico"
!define MUI_UNICON "../quorvane.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_FINISH
UninstPage custom un.DataPage un.DataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var stoppedCopy   ; 1 when this run closed a running copy
Var removeData    ; the uninstaller's check box: 1 removes the data folder too
Var removeDataBox

; Asks a running copy (from any folder: one copy runs per user) to stop, and waits until its process
; has ended, so that its settings are saved and its files can be replaced. Never kills it: when it
; does not end, the user is asked to quit it (a silent run gives up).
!macro STOP_RUNNING_COPY un
Function ${un}StopRunningCopy
  StrCpy $stoppedCopy 0
  retry:
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  ${If} $0 = 0
    Return
  ${EndIf}
  DetailPrint "${TEXT_CLOSING}"
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=${STOP_WAIT_MS}
  System::Call 'kernel32::WaitForSingleObject(p r2, i ${STOP_WAIT_MS}) i .r3'
  System::Call 'kernel32::CloseHandle(p r2)'
  ${If} $3 = 0
    StrCpy $stoppedCopy 1
    Goto retry  ; a copy that started meanwhile
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${TEXT_STILL_RUNNING}" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Abort
FunctionEnd
!macroend
!insertmacro STOP_RUNNING_COPY ""
!insertmacro STOP_RUNNING_COPY "un."

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  Call StopRunningCopy
  SetOutPath "$INSTDIR"
  File "/oname=${EXE}" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "${TEXT_START_AT_SIGN_IN}" SectionSignIn
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${EXE}"'
SectionEnd

Section "-Not at sign-in"
  ${IfNot} ${SectionIsSelected} ${SectionSignIn}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
SectionEnd

Function .onInit
  ; An upgrade keeps the choice the user made since (the tray menu's "Start at Login").
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
  ${AndIf} $1 == ""
    !insertmacro UnselectSection ${SectionSignIn}
  ${EndIf}
FunctionEnd

; A silent upgrade starts again the copy it closed (the finish page offers it otherwise).
Function .onInstSuccess
  ${If} ${Silent}
  ${AndIf} $stoppedCopy = 1
    Exec '"$INSTDIR\${EXE}"'
  ${EndIf}
FunctionEnd

Function un.DataPage
  !insertmacro MUI_HEADER_TEXT "${TEXT_UNINSTALL_TITLE}" "${TEXT_UNINSTALL_SUBTITLE}"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "${TEXT_DATA_KEPT}"
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 12u "${TEXT_REMOVE_DATA}"
  Pop $removeDataBox
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.DataPageLeave
  ${NSD_GetState} $removeDataBox $removeData
FunctionEnd

Section "Uninstall"
  Call un.StopRunningCopy
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"  ; only when empty: a logo.jpg the user put there stays
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$TEMP\wan_ip.txt"  ; the last echo page the program downloaded
  ${If} $removeData = ${BST_CHECKED}
    RMDir /r "${DATA_FOLDER}"
  ${EndIf}
SectionEnd
