; Installer of the Vornhold 2 client, for the current user only: no
; administrator rights, and a folder the user may write to, so the updater
; can replace the client in place later.
;
;   makensis -DVERSION=1.1.0 -DFILE_VERSION=1.1.0.0 -DCLIENT_EXE=<vorn2.exe>
;            -DOUTFILE=<vorn2-setup-1.1.0.exe> installer/vorn2.nsi
;
; The build runs this (installer/CMakeLists.txt). Silent: /S for the
; installer and the uninstaller. The file is UTF-8 with a byte-order mark.

!ifndef VERSION | FILE_VERSION | CLIENT_EXE | OUTFILE
  !error "define VERSION, FILE_VERSION, CLIENT_EXE and OUTFILE"
!endif

Unicode true
; The client is a 64-bit program; so is its installer.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!define PRODUCT "Vornhold 2"
!define SHORTCUT "Vornhold 2客户端"
!define PUBLISHER "Vornhold Studio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornhold 2"
!define UNINSTALLER "uninstall.exe"

Name "${SHORTCUT}"
OutFile "${OUTFILE}"
; With the operator's certificate the build signs both programs as they are
; written (SIGN_COMMAND: scripts/codesign.sh with its settings).
!ifdef SIGN_COMMAND
  !finalize '${SIGN_COMMAND} "%1"' = 0
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
!endif
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "../resources/vorn2.ico"
!define MUI_UNICON "../resources/vorn2.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vorn2.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString ClientRunning ${LANG_SIMPCHINESE} "${SHORTCUT}正在运行。请先关闭客户端，再点击“重试”；点击“取消”退出。"
LangString ClientRunning ${LANG_ENGLISH} "${SHORTCUT} is running. Close the client, then click Retry; Cancel quits."

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${SHORTCUT}安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"

; A running client holds its executable: it cannot be opened for writing
; (the updater waits for the same sign). Interactive: ask until the user
; closes it or cancels. Silent: nobody to ask, so change nothing and end
; with exit code 2.
!macro WAIT_FOR_CLIENT_CLOSED un
Function ${un}WaitForClientClosed
  ${Do}
    ${IfNot} ${FileExists} "$INSTDIR\vorn2.exe"
      Return
    ${EndIf}
    ClearErrors
    FileOpen $0 "$INSTDIR\vorn2.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ClientRunning)" /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_FOR_CLIENT_CLOSED ""
!insertmacro WAIT_FOR_CLIENT_CLOSED "un."

Function .onInit
  Call WaitForClientClosed
FunctionEnd

Function un.onInit
  Call un.WaitForClientClosed
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "/oname=vorn2.exe" "${CLIENT_EXE}"
  ; Left by an update that failed half-way.
  Delete "$INSTDIR\vorn2.exe.new"
  Delete "$INSTDIR\vorn2.exe.old"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\vorn2.exe"
  CreateShortCut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\vorn2.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${SHORTCUT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorn2.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\vorn2.exe"
  Delete "$INSTDIR\vorn2.exe.new"
  Delete "$INSTDIR\vorn2.exe.old"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
  Delete "$DESKTOP\${SHORTCUT}.lnk"

  ; What the client writes to the temporary folder; the version file is hidden.
  SetFileAttributes "$TEMP\update.txt" NORMAL
  Delete "$TEMP\update.txt"
  Delete "$TEMP\Update.exe"
  Delete "$TEMP\vorn2.ico"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
