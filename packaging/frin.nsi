; Installer of Frin, in Japanese and English (the system's language chooses).
;
; It puts frin.scr in the system folder (System32 on 32-bit Windows, SysWOW64 on 64-bit
; Windows, where a 32-bit screen saver belongs), makes it the current screen saver, remembers
; the one that was current before, and registers Frin in Programs and Features. The uninstaller
; gives that saver back and keeps the user's settings
; (HKCU\Software\VB and VBA Program Settings\Tolvar\SS_Frin). Both run silently with /S;
; installing over an existing install upgrades it in place.
;
; Built by tools/package, which passes the paths below:
;   makensis -INPUTCHARSET UTF8 -DFRIN_SCR=... -DFRIN_ICO=... -DOUTFILE=... packaging/frin.nsi
; FRIN_TARGET (amd64-unicode) builds a 64-bit installer; the tests use it on machines that
; cannot run 32-bit programs. The released installer is always the 32-bit one.

!ifdef FRIN_TARGET
  Target ${FRIN_TARGET}
!endif
Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

; The version is written once, in resources/frin_version.h.
!searchparse /file "../resources/frin_version.h" '#define FRIN_VERSION_TEXT "' VERSION '"'
!searchparse /file "../resources/frin_version.h" '#define FRIN_VERSION_MAJOR ' VERSION_MAJOR
!searchparse /file "../resources/frin_version.h" '#define FRIN_VERSION_MINOR ' VERSION_MINOR

!ifndef FRIN_SCR
  !define FRIN_SCR "../build/win32/frin.scr"
!endif
!ifndef FRIN_ICO
  !define FRIN_ICO "../build/win32/platform/win32/frin.ico"
!endif
!ifndef FRIN_LICENSE
  !define FRIN_LICENSE "../LICENSE"
!endif
!ifndef OUTFILE
  !define OUTFILE "../build/package/frin-${VERSION}-setup.exe"
!endif

!define PUBLISHER "Frin project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Frin"
!define DESKTOP_KEY "Control Panel\Desktop"
; Where the installer remembers, per user, the screen saver that was current before.
!define SETUP_KEY "Software\Frin\Setup"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SENDCHANGE 2

!include MUI2.nsh
!include LogicLib.nsh
; LogicLib leaves an unused label behind some ${Else} branches.
!pragma warning disable 6012
!include FileFunc.nsh
!include WinVer.nsh
!include x64.nsh

Name "Frin"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Frin"
BrandingText "Frin ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be written (a running saver) gives Retry or Cancel, never a skipped file.
AllowSkipFiles off

Var SaverDir
Var SaverPath

!define MUI_ICON "${FRIN_ICO}"
!define MUI_UNICON "${FRIN_ICO}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FRIN_LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettingsText)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(UnConfirmText)"
; The stock Japanese label of the folder box is cut off by the box.
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "$(UnFolderText)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString WelcomeText ${LANG_ENGLISH} "Setup will install Frin ${VERSION}, a snowfall screen saver, and make it your screen saver.$\r$\n$\r$\nYour Frin settings are kept. Click Next to continue."
LangString WelcomeText ${LANG_JAPANESE} "雪が降るスクリーン セーバー Frin ${VERSION} をインストールし、現在のスクリーン セーバーに設定します。$\r$\n$\r$\nFrin の設定はそのまま残ります。続けるには [次へ] をクリックしてください。"
LangString FinishText ${LANG_ENGLISH} "Frin is now your screen saver.$\r$\n$\r$\nTo change its settings or choose another screen saver, open the Screen Saver Settings. Click Finish to close Setup."
LangString FinishText ${LANG_JAPANESE} "Frin が現在のスクリーン セーバーになりました。$\r$\n$\r$\n設定の変更やほかのスクリーン セーバーの選択は、スクリーン セーバーの設定で行えます。[完了] をクリックしてセットアップを終了してください。"
LangString OpenSettingsText ${LANG_ENGLISH} "Open the Screen Saver Settings"
LangString OpenSettingsText ${LANG_JAPANESE} "スクリーン セーバーの設定を開く"
LangString UnConfirmText ${LANG_ENGLISH} "The screen saver $SaverPath and this uninstaller will be removed. Your Frin settings are kept, and your previous screen saver comes back."
LangString UnConfirmText ${LANG_JAPANESE} "スクリーン セーバー $SaverPath とアンインストーラーを削除します。Frin の設定は残り、以前のスクリーン セーバーに戻ります。"
LangString UnFolderText ${LANG_ENGLISH} "Folder:"
LangString UnFolderText ${LANG_JAPANESE} "フォルダー:"
LangString NeedAdminText ${LANG_ENGLISH} "Frin is installed for all users of this computer. Please run Setup as an administrator."
LangString NeedAdminText ${LANG_JAPANESE} "Frin はこのコンピューターのすべてのユーザー向けにインストールされます。管理者としてセットアップを実行してください。"

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIFileVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Frin"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Frin ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "Frin"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "Frin ${VERSION} セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"

; Functions both the installer and the uninstaller need (the uninstaller's carry "un.").
!macro FrinCommonFunctions UN
  ; The system folder of a 32-bit screen saver, and frin.scr's full path in it. Named as the
  ; system's own (64-bit) processes name it: SysWOW64 is not redirected for anyone.
  Function ${UN}FindSaver
    ${If} ${RunningX64}
      StrCpy $SaverDir "$WINDIR\SysWOW64"
    ${Else}
      StrCpy $SaverDir "$SYSDIR"
    ${EndIf}
    StrCpy $SaverPath "$SaverDir\frin.scr"
  FunctionEnd

  ; Stack: a SCRNSAVE.EXE value in, "1" out when it names the installed frin.scr (case and
  ; quotes aside, or the same file by its short name), else "0".
  Function ${UN}NamesOurSaver
    Exch $0
    Push $1
    Push $2
    Push $3
    StrCpy $1 $0 1
    ${If} $1 == '"'
      StrCpy $0 $0 "" 1
      StrCpy $1 $0 1 -1
      ${If} $1 == '"'
        StrCpy $0 $0 -1
      ${EndIf}
    ${EndIf}
    StrCpy $3 0
    ${If} $0 == $SaverPath
      StrCpy $3 1
    ${ElseIf} $0 != ""
      GetFullPathName /SHORT $1 $0
      GetFullPathName /SHORT $2 $SaverPath
      ${If} $1 != ""
      ${AndIf} $1 == $2
        StrCpy $3 1
      ${EndIf}
    ${EndIf}
    StrCpy $0 $3
    Pop $3
    Pop $2
    Pop $1
    Exch $0
  FunctionEnd

!macroend
!insertmacro FrinCommonFunctions ""
!insertmacro FrinCommonFunctions "un."

; Both install for the machine: without an administrator's rights they stop at once.
!macro FrinInit UN
  SetShellVarContext all
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "$(NeedAdminText)" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  Call ${UN}FindSaver
!macroend
Function .onInit
  !insertmacro FrinInit ""
FunctionEnd
Function un.onInit
  !insertmacro FrinInit "un."
FunctionEnd

Function OpenScreenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\rundll32.exe" shell32.dll,Control_RunDLL desk.cpl,,1'
  ${EndIf}
FunctionEnd

Section "Frin"
  ; Remember the saver that is current now, unless it is this Frin already (an upgrade, or a
  ; second install): then the one remembered at the first install stays.
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    Push $0
    Call NamesOurSaver
    Pop $1
  ${Else}
    StrCpy $1 0
  ${EndIf}
  ${If} $1 != 1
    DeleteRegKey HKCU "${SETUP_KEY}"
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousSaver" $0
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousActive" $0
    ${EndIf}
    WriteRegDWORD HKCU "${SETUP_KEY}" "Remembered" 1
  ${EndIf}

  DetailPrint "$SaverPath"
  SetOutPath "$SaverDir"
  SetOverwrite on
  File "/oname=frin.scr" "${FRIN_SCR}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverPath"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})'

  ${GetSize} "$SaverDir" "/M=frin.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Frin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Give back the saver that was current before, when Frin is still the current one. A user
  ; who chose another saver since keeps it.
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $1 0
  ${IfNot} ${Errors}
    Push $0
    Call un.NamesOurSaver
    Pop $1
  ${EndIf}
  ${If} $1 == 1
    ClearErrors
    ReadRegStr $0 HKCU "${SETUP_KEY}" "PreviousSaver"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
    ${EndIf}
    ClearErrors
    ReadRegDWORD $2 HKCU "${SETUP_KEY}" "Remembered"
    ${If} $2 == 1
      ClearErrors
      ReadRegStr $0 HKCU "${SETUP_KEY}" "PreviousActive"
      ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $0
      ${EndIf}
    ${EndIf}
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} $0 == "1"
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i r0, p 0, i ${SPIF_SENDCHANGE})'
  ${EndIf}
  DeleteRegKey HKCU "${SETUP_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Frin"

  ; A saver still running keeps its file until the next start of Windows.
  Delete /REBOOTOK "$SaverPath"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The settings under HKCU\Software\VB and VBA Program Settings\Tolvar\SS_Frin are the
  ; user's: they stay.
SectionEnd
