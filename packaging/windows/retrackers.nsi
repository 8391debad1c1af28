; Installer of Tavrin and Keswel for the current user only: no administrator
; rights, everything in %LOCALAPPDATA%\Programs\Retrackers and under HKCU
; (the uninstall entry; the registration script keeps its own key).
; The build's "installer" target runs
;   makensis -DVERSION=1.0.0 -DARCH=x64|x86 -DSTAGE=<install tree> -DOUTFILE=<setup.exe>
;            -DRUSSIAN_STRINGS=<installer-strings-ru.nsh> retrackers.nsi
; where the install tree is what "cmake --install" of a Windows build gives
; and the Russian texts are made by the build from po/ru.po.
;
; It speaks Russian when Windows' display language is Russian (the
; installer picks the language of its tables that matches the user's display
; language by itself, without asking), English otherwise. The Start-menu
; entries keep their English names, so that links to them and the
; uninstaller find them whatever the language.
;
; Command line of the setup: /S installs silently with the default choices
; (and does not open Windows' Default apps page),
; /KeswelTask also creates the daily Keswel task, /D=<folder> (last) installs
; elsewhere. Uninstall.exe /S removes it silently.

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Retrackers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Retrackers"
!define TASK "Retrackers\Keswel daily"
!define MENU "$SMPROGRAMS\Retrackers"
!define LINK_KESWEL "${MENU}\Check the retrackers (Keswel).lnk"
!define LINK_CHOOSE "${MENU}\Choose city and provider.lnk"
!define LINK_DETECT "${MENU}\Find my provider.lnk"
!define LINK_SETTINGS "${MENU}\Settings (Settings.ini).lnk"
!define LINK_GUIDE "${MENU}\User's guide (README).lnk"

Name "${PRODUCT} ${VERSION} ($(PROGRAMS))"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION} ${ARCH}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "TextFunc.nsh"
!include "x64.nsh"

!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"
!include "${__FILEDIR__}/installer-strings.nsh"
!include "${RUSSIAN_STRINGS}"

; The files the installer owns: replaced on upgrade, removed on uninstall.
; Settings.ini and retrackers.ini belong to the user once installed and
; are neither (see the programs section).
!macro OWN_FILES DO
  !insertmacro ${DO} "Tavrin.exe"
  !insertmacro ${DO} "Keswel.exe"
  !insertmacro ${DO} "README.md"
  !insertmacro ${DO} "README.ru.md"
  !insertmacro ${DO} "registration.js"
  !insertmacro ${DO} "register.cmd"
  !insertmacro ${DO} "unregister.cmd"
!macroend
!macro INSTALL_FILE NAME
  File "${STAGE}/${NAME}"
!macroend
!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; $R0 = 1 when the files $R1 and $R2 hold the same bytes, else 0.
Function SameBytes
  StrCpy $R0 0
  ClearErrors
  FileOpen $R3 $R1 r
  ${If} ${Errors}
    Return
  ${EndIf}
  FileOpen $R4 $R2 r
  ${If} ${Errors}
    FileClose $R3
    Return
  ${EndIf}
  ${Do}
    ClearErrors
    FileReadByte $R3 $R5
    ${If} ${Errors}
      StrCpy $R5 end
    ${EndIf}
    ClearErrors
    FileReadByte $R4 $R6
    ${If} ${Errors}
      StrCpy $R6 end
    ${EndIf}
    ${If} $R5 != $R6
      ${Break}
    ${EndIf}
    ${If} $R5 == end
      StrCpy $R0 1
      ${Break}
    ${EndIf}
  ${Loop}
  FileClose $R3
  FileClose $R4
FunctionEnd

; The retracker directory: the default one where the folder has none, or
; where the one there is byte for byte the default or an earlier version of
; it (packaging/earlier-directories); one the user changed or brought stays.
Function InstallDirectory
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\shipped"
  File "/oname=$PLUGINSDIR\shipped\default.ini" "${STAGE}/retrackers.ini"
  File "${__FILEDIR__}/../earlier-directories/*.ini"
  SetOutPath "$INSTDIR"
  StrCpy $R0 1
  ${If} ${FileExists} "$INSTDIR\retrackers.ini"
    StrCpy $R1 "$INSTDIR\retrackers.ini"
    StrCpy $R0 0
    FindFirst $0 $1 "$PLUGINSDIR\shipped\*.ini"
    ${DoWhile} $1 != ""
      StrCpy $R2 "$PLUGINSDIR\shipped\$1"
      Call SameBytes
      ${If} $R0 == 1
        ${Break}
      ${EndIf}
      FindNext $0 $1
    ${Loop}
    FindClose $0
  ${EndIf}
  ${If} $R0 == 1
    CopyFiles /SILENT "$PLUGINSDIR\shipped\default.ini" "$INSTDIR\retrackers.ini"
  ${Else}
    DetailPrint "$(KEEPING_DIRECTORY)"
  ${EndIf}
FunctionEnd

; Runs the registration script beside the programs (the same one that
; register.cmd runs) and puts its output into the details. Its output
; through a pipe is in the OEM code page (Cyrillic too).
!macro REGISTRATION ACTION
  nsExec::ExecToLog /OEM '"$SYSDIR\cscript.exe" //nologo "$INSTDIR\registration.js" ${ACTION}'
  Pop $0
  ${If} $0 != 0
    DetailPrint "$(REGISTRATION_FAILED)"
  ${EndIf}
!macroend

Section "$(PROGRAMS)" SecPrograms
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro OWN_FILES INSTALL_FILE
  ; An upgrade keeps the user's settings (with the TrackerCheck Keswel wrote)
  ; as they are, and the directory unless it is one the project shipped.
  SetOverwrite off
  File "${STAGE}/Settings.ini"
  SetOverwrite on
  Call InstallDirectory

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (Tavrin and Keswel)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tavrin.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The shortcuts start in the install folder. Keswel's windows wait for a
  ; key, so that its results can be read.
  CreateDirectory "${MENU}"
  CreateShortcut "${LINK_KESWEL}" "$SYSDIR\cmd.exe" \
    '/c ""$INSTDIR\Keswel.exe" & pause"' "$INSTDIR\Keswel.exe" 0
  CreateShortcut "${LINK_CHOOSE}" "$SYSDIR\cmd.exe" \
    '/c ""$INSTDIR\Keswel.exe" --choose & pause"' "$INSTDIR\Keswel.exe" 0
  CreateShortcut "${LINK_DETECT}" "$SYSDIR\cmd.exe" \
    '/c ""$INSTDIR\Keswel.exe" --detect & pause"' "$INSTDIR\Keswel.exe" 0
  CreateShortcut "${LINK_SETTINGS}" "$WINDIR\notepad.exe" '"$INSTDIR\Settings.ini"'
  ; The guide in the installer's language.
  ${If} $LANGUAGE == ${LANG_RUSSIAN}
    CreateShortcut "${LINK_GUIDE}" "$WINDIR\notepad.exe" '"$INSTDIR\README.ru.md"'
  ${Else}
    CreateShortcut "${LINK_GUIDE}" "$WINDIR\notepad.exe" '"$INSTDIR\README.md"'
  ${EndIf}
SectionEnd

Section "$(SECTION_REGISTER)" SecRegister
  !insertmacro REGISTRATION register
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "Registered" 1
SectionEnd

Section /o "$(SECTION_TASK)" SecTask
  nsExec::ExecToLog `"$SYSDIR\schtasks.exe" /Create /F /TN "${TASK}" /TR "\"$INSTDIR\Keswel.exe\"" /SC DAILY /ST 09:00`
  Pop $0
  ${If} $0 == 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Keswel task" "${TASK}"
  ${Else}
    DetailPrint "$(TASK_REFUSED)"
  ${EndIf}
SectionEnd

; Windows 10 and 11 let only the user choose the default app. When that
; choice is another program, the registration script names the Default apps
; page to open (Tavrin's own on Windows 11), once the install is done, after
; one line of guidance (DEFAULTS_GUIDANCE). Never in a silent install.
Function .onInstSuccess
  ${If} ${Silent}
  ${OrIfNot} ${SectionIsSelected} ${SecRegister}
    Return
  ${EndIf}
  nsExec::ExecToStack '"$SYSDIR\cscript.exe" //nologo "$INSTDIR\registration.js" page'
  Pop $0
  Pop $1
  ${TrimNewLines} "$1" $1
  ${If} $0 == 0
  ${AndIf} $1 != ""
    MessageBox MB_OK|MB_ICONINFORMATION "$(DEFAULTS_GUIDANCE)"
    ExecShell "open" "$1"
  ${EndIf}
FunctionEnd

Function .onInit
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_ICONSTOP "$(WRONG_ARCHITECTURE)" /SD IDOK
      Abort
    ${EndIf}
  !endif
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KeswelTask" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecTask}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The earlier handlers come back first, while the script is still there;
  ; only when this installer registered (not a register.cmd elsewhere).
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "Registered"
  ${If} $0 == 1
  ${AndIf} ${FileExists} "$INSTDIR\registration.js"
    !insertmacro REGISTRATION unregister
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "Keswel task"
  ${If} $0 != ""
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /F /TN "$0"'
    Pop $1
  ${EndIf}

  !insertmacro OWN_FILES REMOVE_FILE
  Delete "$INSTDIR\Uninstall.exe"
  Delete "${LINK_KESWEL}"
  Delete "${LINK_CHOOSE}"
  Delete "${LINK_DETECT}"
  Delete "${LINK_SETTINGS}"
  Delete "${LINK_GUIDE}"
  RMDir "${MENU}"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Settings.ini, the directory, Tavrin.log and the written torrents stay,
  ; and with them the folder.
  RMDir "$INSTDIR"
SectionEnd
