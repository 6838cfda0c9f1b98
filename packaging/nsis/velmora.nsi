; VelmoraSetup.exe: installs the Outlook add-in and the tray launcher for the
; current user, without administrator rights. makensis gets from the build:
;   VERSION, OUTFILE, DLL64, ORBITEL, README and, when they were built,
;   DLL32 (the 32-bit add-in) and HELP (Help.chm).
; Command line: /S silent; /BITNESS=32|64 overrides the Outlook found.
; Uninstaller: /S silent (keeps the settings); /REMOVESETTINGS removes them.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PRODUCT "Velmora"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Norvane\Velmora"
!define ORBITEL_CLASS "OrbitelTrayWindow"
; The keys DllRegisterServer writes. The uninstaller lets the DLL remove
; them, and removes them itself when the DLL is gone or fails.
!define ADDIN_CLSID "{869F854E-5975-4EA3-9725-7A4564A9608B}"
!define ADDIN_PROGID "Velmora.Connect"
!define ADDIN_KEY "Software\Microsoft\Office\Outlook\Addins\Velmora.Connect"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmora"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Var Bitness        ; "64" or "32": the add-in to install
Var OutlookBitness ; "x64", "x86" or "" when no Outlook was found
Var RadioSel
Var RemoveSettings

PageEx components
  PageCallbacks SkipComponentsWhenKnown
  ComponentText "No Outlook was found on this computer. Choose the add-in for the Outlook you will use; most are 64-bit." "" "Add-in:"
PageExEnd
Page directory
Page instfiles
UninstPage uninstConfirm
PageEx un.components
  ComponentText "Your scheduled mails stay in Outlook. Your Velmora settings stay too, unless you tick the box." "" "Also:"
PageExEnd
UninstPage instfiles

; Ends the tray launcher: politely through its window, then by force, so
; that its exe can be replaced or removed.
!macro CloseOrbitel un
Function ${un}CloseOrbitel
  FindWindow $0 "${ORBITEL_CLASS}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${For} $1 1 25
      Sleep 200
      FindWindow $0 "${ORBITEL_CLASS}"
      ${IfThen} $0 = 0 ${|} ${Break} ${|}
    ${Next}
  ${EndIf}
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Orbitel.exe'
  Pop $0
  Sleep 300
FunctionEnd
!macroend
!insertmacro CloseOrbitel ""
!insertmacro CloseOrbitel "un."

; Outlook maps the add-in while it runs, and then it can be neither replaced
; nor removed. Checked before anything changes, so that a refusal leaves the
; installed version whole and registered. Quits with exit code 4 when the
; user gives up (and at once when silent).
!macro RefuseWhileLoaded un
Function ${un}RefuseWhileLoaded
  again:
  IfFileExists "$INSTDIR\Velmora.dll" 0 done
  ClearErrors
  FileOpen $0 "$INSTDIR\Velmora.dll" a
  IfErrors 0 close
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Outlook is using the Velmora add-in. Close Outlook, then choose Retry." /SD IDCANCEL IDRETRY again
  SetErrorLevel 4
  Quit
  close:
  FileClose $0
  done:
FunctionEnd
!macroend
!insertmacro RefuseWhileLoaded ""
!insertmacro RefuseWhileLoaded "un."

; regsvr32 of the DLL's own bitness runs its DllRegisterServer or
; DllUnregisterServer (with "/u"). $R0 = bitness, $R1 = extra switch; the
; exit code is left in $R2.
!macro RegSvr un
Function ${un}RegSvr
  ${If} $R0 == "32"
    StrCpy $R3 "$WINDIR\SysWOW64\regsvr32.exe"
  ${Else}
    StrCpy $R3 "$WINDIR\System32\regsvr32.exe"
  ${EndIf}
  ExecWait '"$R3" /s $R1 "$INSTDIR\Velmora.dll"' $R2
FunctionEnd
!macroend
!insertmacro RegSvr ""
!insertmacro RegSvr "un."

; Removes the add-in's registration from both registry views; the 32-bit
; DLL's classes live in the 32-bit view of HKCU\Software\Classes.
!macro DropRegistration un
Function ${un}DropRegistration
  ${If} ${FileExists} "$INSTDIR\Velmora.dll"
    ReadRegStr $R0 HKCU "${UNINST_KEY}" "AddinBitness"
    ${If} $R0 != ""
      StrCpy $R1 "/u"
      Call ${un}RegSvr
    ${EndIf}
  ${EndIf}
  SetRegView 32
  DeleteRegKey HKCU "Software\Classes\${ADDIN_PROGID}"
  DeleteRegKey HKCU "Software\Classes\CLSID\${ADDIN_CLSID}"
  SetRegView 64
  DeleteRegKey HKCU "Software\Classes\${ADDIN_PROGID}"
  DeleteRegKey HKCU "Software\Classes\CLSID\${ADDIN_CLSID}"
  DeleteRegKey HKCU "${ADDIN_KEY}"
FunctionEnd
!macroend
!insertmacro DropRegistration ""
!insertmacro DropRegistration "un."

Section "-Prepare"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  ; Over an installed version: the launcher goes so its exe can be replaced,
  ; and the old registration goes so that the new one is the only one, even
  ; when the add-in changes bitness.
  Call CloseOrbitel
  Call DropRegistration
SectionEnd

Section "Add-in for 64-bit Outlook" Sec64
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.dll" "${DLL64}"
  StrCpy $Bitness "64"
SectionEnd

!ifdef DLL32
Section /o "Add-in for 32-bit Outlook" Sec32
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.dll" "${DLL32}"
  StrCpy $Bitness "32"
SectionEnd
!endif

Section "-Common"
  SetOutPath "$INSTDIR"
  File "/oname=Orbitel.exe" "${ORBITEL}"
  File "/oname=ReadMe.txt" "${README}"
!ifdef HELP
  File "/oname=Help.chm" "${HELP}"
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  StrCpy $R0 $Bitness
  StrCpy $R1 ""
  Call RegSvr
  ${If} $R2 <> 0
    DetailPrint "DllRegisterServer failed ($R2)"
    MessageBox MB_ICONSTOP "The add-in could not be registered for Outlook (regsvr32 exit code $R2)." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  WriteRegStr HKCU "${RUN_KEY}" "Orbitel" '"$INSTDIR\Orbitel.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Norvane"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Orbitel.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "AddinBitness" "$Bitness"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0

  Exec '"$INSTDIR\Orbitel.exe"'
SectionEnd

Section "-un.Program"
  Call un.CloseOrbitel
  Call un.DropRegistration
  DeleteRegValue HKCU "${RUN_KEY}" "Orbitel"
  Delete "$INSTDIR\Velmora.dll"
  Delete "$INSTDIR\Orbitel.exe"
  Delete "$INSTDIR\ReadMe.txt"
  Delete "$INSTDIR\Help.chm"
  ; The add-in and the launcher log beside themselves.
  Delete "$INSTDIR\Velmora.Log"
  Delete "$INSTDIR\VelmoraTray.log"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd

; Scheduled mails live in Outlook and stay whatever is chosen here.
Section /o "un.Remove my Velmora settings" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Norvane"
SectionEnd

!macro ReadBitness view ver
  ${If} $OutlookBitness == ""
    SetRegView ${view}
    ReadRegStr $OutlookBitness HKLM "SOFTWARE\Microsoft\Office\${ver}\Outlook" "Bitness"
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext current
  StrCpy $OutlookBitness ""
  !insertmacro ReadBitness 64 "16.0"
  !insertmacro ReadBitness 32 "16.0"
  !insertmacro ReadBitness 64 "15.0"
  !insertmacro ReadBitness 32 "15.0"
  !insertmacro ReadBitness 64 "14.0"
  !insertmacro ReadBitness 32 "14.0"
  ${If} $OutlookBitness == ""
    SetRegView 64
    ReadRegStr $OutlookBitness HKLM "SOFTWARE\Microsoft\Office\ClickToRun\Configuration" "Platform"
  ${EndIf}
  SetRegView 64
  ${If} $OutlookBitness == "x86"
    StrCpy $Bitness "32"
  ${Else}
    StrCpy $Bitness "64"
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/BITNESS=" $1
  ${IfNot} ${Errors}
    ${If} $1 == "32"
    ${OrIf} $1 == "64"
      StrCpy $Bitness $1
      StrCpy $OutlookBitness "x$1" ; a choice made: no page asks again
    ${Else}
      MessageBox MB_ICONSTOP "/BITNESS must be 32 or 64." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
!ifndef DLL32
  ${If} $Bitness == "32"
    MessageBox MB_ICONSTOP "This installer has no add-in for 32-bit Outlook." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  StrCpy $RadioSel ${Sec64}
!else
  ${If} $Bitness == "32"
    !insertmacro UnselectSection ${Sec64}
    !insertmacro SelectSection ${Sec32}
    StrCpy $RadioSel ${Sec32}
  ${Else}
    StrCpy $RadioSel ${Sec64}
  ${EndIf}
!endif
  Call RefuseWhileLoaded
FunctionEnd

Function SkipComponentsWhenKnown
  ; With Outlook found the add-in's bitness is not the user's question.
  ${If} $OutlookBitness != ""
    Abort
  ${EndIf}
FunctionEnd

!ifdef DLL32
Function .onSelChange
  !insertmacro StartRadioButtons $RadioSel
    !insertmacro RadioButton ${Sec64}
    !insertmacro RadioButton ${Sec32}
  !insertmacro EndRadioButtons
FunctionEnd
!endif

Function un.onInit
  SetShellVarContext current
  SetRegView 64
  StrCpy $RemoveSettings "0"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings "1"
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
  Call un.RefuseWhileLoaded
FunctionEnd
