; The OrvEditor installer, made by scripts/windows-package.sh:
;   makensis -INPUTCHARSET UTF8 -DORV_VERSION=<version> -DORV_FILES=<files.nsh>
;            -DORV_ICON=<orveditor.ico> -DORV_OUTFILE=<setup.exe> orveditor.nsi
; ORV_FILES defines ORV_INSTALL_FILES and ORV_UNINSTALL_FILES, which copy and remove exactly the
; files of the zip, and ORV_FOREIGN_FILE, which finds one of those names already in $INSTDIR.
;
; The editor reads OrvFiler's orvfiler.ini beside itself, so the folder page suggests OrvFiler's
; folder. There it never replaces a file it did not install itself: a folder that already holds a
; file of one of its names is refused (unless an earlier OrvEditor installed there), and the
; uninstaller, named after the editor, takes away only the editor's own files.
;
; It installs for the current user (the default, or /CurrentUser) or, given the right to, for
; every user of the machine (/AllUsers, or the choice on the first page); /S installs silently.
; The uninstaller remembers which, and removes the files, the Start-menu entry, the .orv
; association and its own entry; whatever else a user put in the folder stays, and so does the
; folder then.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define ORV_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvEditor"
!define ORV_PROGID "OrvEditor.Score"
!define ORV_SHORTCUT "$SMPROGRAMS\OrvEditor.lnk"
!define ORV_UNINSTALLER "OrvEditor-uninstall.exe"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "OrvEditor"
; A new version goes where the last one is, and its uninstaller finds it again.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${ORV_UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${ORV_UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "UninstallString"
!define MULTIUSER_INIT_TEXT_ADMINREQUIRED "$(^Name) のインストールには管理者の権限が必要です。"
!define MULTIUSER_INIT_TEXT_POWERREQUIRED "$(^Name) のインストールには Power Users 以上の権限が必要です。"
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "このアカウントには、$(^Name) をこのコンピューターのすべてのユーザーにインストールする権限がありません。"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include "${ORV_FILES}"

Name "OrvEditor"
OutFile "${ORV_OUTFILE}"
BrandingText "OrvEditor ${ORV_VERSION}"

!define MUI_ICON "${ORV_ICON}"
!define MUI_UNICON "${ORV_ICON}"
!define MUI_ABORTWARNING
; No "run the editor" box on the last page: an administrator's installer runs elevated, and so
; would the editor it started. The Start menu starts it as the user.

!define MUI_DIRECTORYPAGE_TEXT_TOP "OrvEditor をインストールするフォルダーを選んでください。$\r$\n\
OrvFiler と同じフォルダーを選ぶと、エディターは OrvFiler の設定（orvfiler.ini）から Orvo プレーヤーの場所と\
前回のフォルダーを読みます。OrvFiler のファイルは変更しません。"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE OrvCheckFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  ; Qt 6 runs on Windows 10 1809 (build 17763) and later.
  ${WinVerGetBuild} $0
  ${IfNot} ${AtLeastWin10}
  ${OrIf} $0 < 17763
    MessageBox MB_ICONSTOP|MB_OK "OrvEditor には Windows 10（バージョン 1809）以降が必要です。" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; A folder given with /D= (OrvFiler's, say) is kept over the install mode's default.
  StrCpy $R0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R0 != ""
    StrCpy $INSTDIR $R0
  ${EndIf}
FunctionEnd

; Sets $R9 to the name of a file in $INSTDIR that OrvEditor would replace but did not install,
; or to "" when there is none.
!macro ORV_FIND_FOREIGN_FILE
  StrCpy $R9 ""
  ReadRegStr $R8 SHCTX "${ORV_UNINSTALL_KEY}" "InstallLocation"
  ${If} $R8 != $INSTDIR
    !insertmacro ORV_FOREIGN_FILE $R9
  ${EndIf}
!macroend

!define ORV_FOREIGN_TEXT "このフォルダーには、OrvEditor のものではない「$R9」があります。$\r$\n\
上書きしないように、ここにはインストールしません。別のフォルダーを選んでください。"

Function OrvCheckFolder
  !insertmacro ORV_FIND_FOREIGN_FILE
  ${If} $R9 != ""
    MessageBox MB_ICONEXCLAMATION|MB_OK "${ORV_FOREIGN_TEXT}"
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

!macro ORV_ASSOCIATIONS_CHANGED
  ; SHCNE_ASSOCCHANGED: Explorer shows the new icon and handler without a restart.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section
  ; A silent install chose no folder on the page.
  !insertmacro ORV_FIND_FOREIGN_FILE
  ${If} $R9 != ""
    MessageBox MB_ICONSTOP|MB_OK "${ORV_FOREIGN_TEXT}" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  !insertmacro ORV_INSTALL_FILES
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${ORV_UNINSTALLER}"
  CreateShortcut "${ORV_SHORTCUT}" "$INSTDIR\orveditor.exe"

  ; A score opened from Explorer starts the editor with its path, quoted, as the whole command
  ; line after the program's name.
  WriteRegStr SHCTX "Software\Classes\.orv" "" "${ORV_PROGID}"
  WriteRegStr SHCTX "Software\Classes\${ORV_PROGID}" "" "Orvoファイル"
  WriteRegStr SHCTX "Software\Classes\${ORV_PROGID}\DefaultIcon" "" "$INSTDIR\orveditor.exe,0"
  WriteRegStr SHCTX "Software\Classes\${ORV_PROGID}\shell\open\command" "" \
    '"$INSTDIR\orveditor.exe" "%1"'

  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "DisplayName" "OrvEditor"
  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "DisplayVersion" "${ORV_VERSION}"
  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orveditor.exe,0"
  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\${ORV_UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${ORV_UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\${ORV_UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${ORV_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${ORV_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${ORV_UNINSTALL_KEY}" "EstimatedSize" $0
  !insertmacro ORV_ASSOCIATIONS_CHANGED
SectionEnd

Section "Uninstall"
  !insertmacro ORV_UNINSTALL_FILES
  Delete "$INSTDIR\${ORV_UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "${ORV_SHORTCUT}"

  ; .orv is left alone if another program has taken it over since.
  ReadRegStr $0 SHCTX "Software\Classes\.orv" ""
  ${If} $0 == "${ORV_PROGID}"
    DeleteRegValue SHCTX "Software\Classes\.orv" ""
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "Software\Classes\.orv"
  DeleteRegKey SHCTX "Software\Classes\${ORV_PROGID}"
  DeleteRegKey SHCTX "${ORV_UNINSTALL_KEY}"
  !insertmacro ORV_ASSOCIATIONS_CHANGED
SectionEnd
