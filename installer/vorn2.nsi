; Installer of the Vornhold 2 client, for the current user only: no
; administrator rights, and a folder the user may write to, so the updater
; can replace the client in place later.
;
;   makensis -DVERSION=1.1.0 -DFILE_VERSION=1.1.0.0 -DCLIENT_EXE=<vorn2.exe>
;            -DOUTFILE=<vorn2-setup-1.1.0.exe> installer/vorn2.nsi
;
; The build runs this (installer/CMakeLists.txt). Silent: /S for the
; installer and the uninstaller; /ALLOWDOWNGRADE lets a silent installer
; replace a newer client. The file is UTF-8 with a byte-order mark.
;
; Exit codes, installer and uninstaller alike:
;   0  done
;   1  cancelled by the user
;   2  the client is running; nothing changed
;   3  a file could not be written (full or read-only disk); the client
;      that was installed stays, and nothing is registered for a new one
;   4  the installed client is newer; nothing changed (silent, or refused)
;   5  the uninstaller could not remove the client; it stays registered
;   6  the folder cannot be made the user's own; nothing installed
;
; At their start both first put right what a run killed half-way left (see
; RecoverFromKilledRun); that is not counted as a change.

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
!define EXIT_CLIENT_RUNNING 2
!define EXIT_WRITE_FAILED 3
!define EXIT_DOWNGRADE 4
!define EXIT_NOT_REMOVED 5
!define EXIT_NOT_PRIVATE 6

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
!include "WordFunc.nsh"

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
LangString WriteFailed ${LANG_SIMPCHINESE} "无法写入安装目录（磁盘已满或只读）。已安装的客户端保持不变。"
LangString WriteFailed ${LANG_ENGLISH} "The installation folder cannot be written (the disk is full or read-only). The installed client is unchanged."
LangString Downgrade ${LANG_SIMPCHINESE} "已安装的客户端版本 $R6 比本安装程序的版本 ${VERSION} 新。确定要换成旧版本吗？"
LangString Downgrade ${LANG_ENGLISH} "The installed client, version $R6, is newer than this installer's version ${VERSION}. Replace it with the older version?"
LangString NotRemoved ${LANG_SIMPCHINESE} "无法删除客户端程序 $INSTDIR\vorn2.exe，卸载未完成。请关闭客户端后重新卸载。"
LangString NotRemoved ${LANG_ENGLISH} "The client $INSTDIR\vorn2.exe could not be removed; the uninstall is not complete. Close the client and uninstall again."
LangString NotPrivate ${LANG_SIMPCHINESE} "无法将安装目录 $INSTDIR 设为仅当前用户可写（它可能属于其他用户，或所在磁盘不支持权限设置）。请选择其他目录。"
LangString NotPrivate ${LANG_ENGLISH} "The folder $INSTDIR cannot be made writable by the current user only (it may belong to another user, or its disk keeps no permissions). Choose another folder."

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${SHORTCUT}安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"

Var OldLocation  ; the registered install's folder, before this run

; A running client holds its executable: it cannot be opened for writing
; (the updater waits for the same sign). Interactive: ask until the user
; closes it or cancels. Silent: nobody to ask, so change nothing and end
; with exit code 2. The folder comes in $R0.
!macro WAIT_FOR_CLIENT_CLOSED un
Function ${un}WaitForClientClosed
  ${Do}
    ${IfNot} ${FileExists} "$R0\vorn2.exe"
      Return
    ${EndIf}
    ClearErrors
    FileOpen $0 "$R0\vorn2.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ClientRunning)" /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_CLIENT_RUNNING}
    Quit
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_FOR_CLIENT_CLOSED ""
!insertmacro WAIT_FOR_CLIENT_CLOSED "un."

; The version of the client in the folder $R0 as the client itself compares
; it (the first, second and fourth numbers of its file version) in $R6; ""
; when there is no client there.
!macro CLIENT_VERSION un
Function ${un}ClientVersion
  StrCpy $R6 ""
  ClearErrors
  GetDLLVersion "$R0\vorn2.exe" $R1 $R2
  ${IfNot} ${Errors}
    IntOp $R3 $R1 >> 16
    IntOp $R3 $R3 & 0xFFFF
    IntOp $R4 $R1 & 0xFFFF
    IntOp $R5 $R2 & 0xFFFF
    StrCpy $R6 "$R3.$R4.$R5"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CLIENT_VERSION ""
!insertmacro CLIENT_VERSION "un."

; What a run killed half-way left in the folder $R0, put right while the
; client there is closed: the *.setup files of a killed install go; an
; update whose new client never showed a window (the updater's marker
; vorn2.exe.unconfirmed still beside it) is undone, its backup put back in
; one rename, as is a backup left with no client; a backup beside a
; confirmed client goes; and the entry, when it names this folder, gets the
; version of the client that is there.
!macro RECOVER_FROM_KILLED_RUN un
Function ${un}RecoverFromKilledRun
  Delete "$R0\vorn2.exe.setup"
  Delete "$R0\${UNINSTALLER}.setup"
  ${If} ${FileExists} "$R0\vorn2.exe.old"
    ${If} ${FileExists} "$R0\vorn2.exe.unconfirmed"
    ${OrIfNot} ${FileExists} "$R0\vorn2.exe"
      System::Call 'kernel32::MoveFileExW(w "$R0\vorn2.exe.old", w "$R0\vorn2.exe", i 9) i'
    ${Else}
      Delete "$R0\vorn2.exe.old"
    ${EndIf}
  ${EndIf}
  ; The marker stays while a backup it speaks for is left.
  ${IfNot} ${FileExists} "$R0\vorn2.exe.old"
    Delete "$R0\vorn2.exe.unconfirmed"
  ${EndIf}
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == $R0
    Call ${un}ClientVersion
    ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $R6 != ""
    ${AndIf} $R6 != $2
      WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" $R6
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RECOVER_FROM_KILLED_RUN ""
!insertmacro RECOVER_FROM_KILLED_RUN "un."

; An older installer over a newer client: asked when interactive, refused
; when silent unless /ALLOWDOWNGRADE. The installed client's own version
; counts (an update may have raised it since the install).
Function RefuseDowngrade
  StrCpy $R0 $OldLocation
  ${If} $R0 == ""
    StrCpy $R0 $INSTDIR
  ${EndIf}
  Call ClientVersion
  ${If} $R6 == ""
    Return
  ${EndIf}
  ${VersionCompare} $R6 "${VERSION}" $R7
  ${If} $R7 != 1
    Return
  ${EndIf}
  ${GetParameters} $R8
  ClearErrors
  ${GetOptions} $R8 "/ALLOWDOWNGRADE" $R9
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "$(Downgrade)" /SD IDNO IDYES allow
  SetErrorLevel ${EXIT_DOWNGRADE}
  Quit
  allow:
FunctionEnd

Function .onInit
  ReadRegStr $OldLocation HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R0 $INSTDIR
  Call WaitForClientClosed
  Call RecoverFromKilledRun
  ; Moving elsewhere removes the old copy: it must be closed too.
  ${If} $OldLocation != ""
  ${AndIf} $OldLocation != $INSTDIR
    StrCpy $R0 $OldLocation
    Call WaitForClientClosed
    Call RecoverFromKilledRun
  ${EndIf}
  ; Asked only now, about the client that was put back if need be.
  Call RefuseDowngrade
FunctionEnd

; The folder is the user's own, whatever the folder above it lets others do
; (under C:\ every local user could otherwise replace the client or put a
; library beside it): owned by the user, its access list protected from
; inheritance and holding the user, SYSTEM and Administrators only, passed on
; to what is created in it. The user's SID comes from the process token.
; Sets $0 to 0 when the folder could not be given that list.
Function ProtectFolder
  StrCpy $0 0
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'advapi32::OpenProcessToken(p r1, i 8, *p .r2) i .r3'  ; TOKEN_QUERY
  ${If} $3 = 0
    Return
  ${EndIf}
  System::Alloc 256
  Pop $4
  System::Call 'advapi32::GetTokenInformation(p r2, i 1, p r4, i 256, *i .r5) i .r3'  ; TokenUser
  System::Call 'kernel32::CloseHandle(p r2)'
  ${If} $3 <> 0
    System::Call '*$4(p .r5)'
    System::Call 'advapi32::ConvertSidToStringSidW(p r5, *p .r6) i .r3'
    ${If} $3 <> 0
      System::Call '*$6(&w256 .r7)'
      System::Call 'kernel32::LocalFree(p r6)'
      ; Through registers: the text holds parentheses, the folder may too.
      StrCpy $8 "O:$7D:PAI(A;OICI;FA;;;$7)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
      StrCpy $9 $INSTDIR
      System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r8, i 1, *p .r6, p 0) i .r3'
      ${If} $3 <> 0
        ; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION
        System::Call 'advapi32::SetFileSecurityW(w r9, i 5, p r6) i .r0'
        System::Call 'kernel32::LocalFree(p r6)'
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $4
FunctionEnd

; What a failed install wrote goes; what was installed before stays.
Function CleanUpFailedInstall
  Delete "$INSTDIR\vorn2.exe.setup"
  Delete "$INSTDIR\${UNINSTALLER}.setup"
  RMDir "$INSTDIR"
FunctionEnd

Function .onInstFailed
  Call CleanUpFailedInstall
  SetErrorLevel ${EXIT_WRITE_FAILED}
FunctionEnd

; One rename that replaces the installed file, written through to the disk
; (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH): the old file stays
; whole until the new one takes its place.
!macro REPLACE_WITH_SETUP name failed
  System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${name}.setup", w "$INSTDIR\${name}", i 9) i .r0'
  IntCmp $0 0 ${failed}
!macroend

Function RemoveOldCopy
  Delete "$OldLocation\vorn2.exe"
  Delete "$OldLocation\vorn2.exe.new"
  Delete "$OldLocation\vorn2.exe.old"
  Delete "$OldLocation\vorn2.exe.unconfirmed"
  Delete "$OldLocation\${UNINSTALLER}"
  ; Only when empty: files the user put there stay.
  RMDir "$OldLocation"
FunctionEnd

Section
  ; The client may have been started since the first check.
  StrCpy $R0 $INSTDIR
  Call WaitForClientClosed
  ; Written beside the installed files, and in their place only once both
  ; are complete. Write errors are not skipped: any of them ends the install.
  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  IfErrors failed
  Call ProtectFolder
  IntCmp $0 0 not_private
  File "/oname=vorn2.exe.setup" "${CLIENT_EXE}"
  IfErrors failed
  WriteUninstaller "$INSTDIR\${UNINSTALLER}.setup"
  IfErrors failed
  IfFileExists "$INSTDIR\${UNINSTALLER}.setup" 0 failed
  !insertmacro REPLACE_WITH_SETUP "${UNINSTALLER}" failed
  !insertmacro REPLACE_WITH_SETUP "vorn2.exe" failed
  ; Left by an update that failed half-way or was never confirmed: the
  ; client just put in place replaces either.
  Delete "$INSTDIR\vorn2.exe.new"
  Delete "$INSTDIR\vorn2.exe.old"
  Delete "$INSTDIR\vorn2.exe.unconfirmed"

  ; Registered only now that every file is in place, and at once: the entry
  ; names the client just put in place (a run killed before this is put
  ; right at the next start, RecoverFromKilledRun).
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${SHORTCUT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorn2.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Run in place (_?=), so that the caller gets the real exit code; the
  ; uninstaller file itself goes once it has ended.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $OldLocation != ""
  ${AndIf} $OldLocation != $INSTDIR
    Call RemoveOldCopy
  ${EndIf}
  CreateShortCut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\vorn2.exe"
  CreateShortCut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\vorn2.exe"
  Return

  failed:
  Call CleanUpFailedInstall
  MessageBox MB_OK|MB_ICONSTOP "$(WriteFailed)" /SD IDOK
  SetErrorLevel ${EXIT_WRITE_FAILED}
  Quit

  not_private:
  Call CleanUpFailedInstall
  MessageBox MB_OK|MB_ICONSTOP "$(NotPrivate)" /SD IDOK
  SetErrorLevel ${EXIT_NOT_PRIVATE}
  Quit
SectionEnd

; The uninstaller run in place cannot delete its own file: a copy of it in
; the temporary folder waits for it to end (/CLEANUP=<its process id>), then
; deletes it and the folder when empty. That copy cannot delete itself
; either; it deletes the ones earlier uninstalls left, so one stays at most.
Function un.onInit
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/CLEANUP=" $R1
  ${IfNot} ${Errors}
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i R1) p .r0'
    ${If} $0 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r0, i 60000)'
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Delete "$TEMP\vorn2-uninstall-*.exe"
    Quit
  ${EndIf}
  StrCpy $R0 $INSTDIR
  Call un.WaitForClientClosed
  Call un.RecoverFromKilledRun
FunctionEnd

Function un.RemoveSelfWhenEnded
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    Return
  ${EndIf}
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  StrCpy $1 "$TEMP\vorn2-uninstall-$0.exe"
  System::Call 'kernel32::CopyFileW(w "$EXEPATH", w r1, i 0) i .r2'
  ${If} $2 <> 0
    Exec '"$1" /CLEANUP=$0 _?=$INSTDIR'
  ${EndIf}
FunctionEnd

; Whether the file in $R0 is the client's updater, by its version resource;
; 1 or 0 in $R1.
Function un.IsClientUpdater
  StrCpy $R1 0
  System::Call 'version::GetFileVersionInfoSizeW(w R0, *i .r2) i .r3'
  ${If} $3 <= 0
    Return
  ${EndIf}
  System::Alloc $3
  Pop $4
  System::Call 'version::GetFileVersionInfoW(w R0, i 0, i r3, p r4) i .r5'
  ${If} $5 <> 0
    System::Call 'version::VerQueryValueW(p r4, w "\StringFileInfo\080404b0\OriginalFilename", *p .r6, *i .r7) i .r5'
    ${If} $5 <> 0
      System::Call 'kernel32::lstrcpynW(w .r8, p r6, i 64)'
      System::Call 'version::VerQueryValueW(p r4, w "\StringFileInfo\080404b0\ProductName", *p .r6, *i .r7) i .r5'
      ${If} $5 <> 0
        System::Call 'kernel32::lstrcpynW(w .r9, p r6, i 64)'
        ${If} $8 == "Update.exe"
        ${AndIf} $9 == "${PRODUCT}"
          StrCpy $R1 1
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $4
FunctionEnd

; What the client writes to the temporary folder, and only that: the version
; file when it has the client's section (it is hidden), the updater when its
; version resource names it.
Function un.RemoveClientTempFiles
  ClearErrors
  FileOpen $0 "$TEMP\update.txt" r
  ${IfNot} ${Errors}
    StrCpy $2 ""
    ${For} $3 1 100
      ClearErrors
      FileRead $0 $1
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      StrCpy $1 $1 7
      ${If} $1 == "[vorn2]"
        StrCpy $2 "client"
        ${Break}
      ${EndIf}
    ${Next}
    FileClose $0
    ${If} $2 == "client"
      SetFileAttributes "$TEMP\update.txt" NORMAL
      Delete "$TEMP\update.txt"
    ${EndIf}
  ${EndIf}
  StrCpy $R0 "$TEMP\Update.exe"
  Call un.IsClientUpdater
  ${If} $R1 == 1
    Delete "$TEMP\Update.exe"
  ${EndIf}
  Delete "$TEMP\vorn2.ico"
FunctionEnd

Section "Uninstall"
  ; The client may have been started since the first check.
  StrCpy $R0 $INSTDIR
  Call un.WaitForClientClosed
  Delete "$INSTDIR\vorn2.exe"
  ${If} ${FileExists} "$INSTDIR\vorn2.exe"
    ; Still registered, so that Windows still knows it and it can be removed again.
    MessageBox MB_OK|MB_ICONSTOP "$(NotRemoved)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_REMOVED}
    Quit
  ${EndIf}
  Delete "$INSTDIR\vorn2.exe.new"
  Delete "$INSTDIR\vorn2.exe.old"
  Delete "$INSTDIR\vorn2.exe.unconfirmed"

  ; The entry and the shortcuts are another copy's when the entry names
  ; another folder (an install moved elsewhere with /D).
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == ""
  ${OrIf} $1 == $INSTDIR
    Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
    Delete "$DESKTOP\${SHORTCUT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}

  Call un.RemoveClientTempFiles
  Call un.RemoveSelfWhenEnded
SectionEnd
