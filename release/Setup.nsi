; The setup program of the Windows package, compiled by release/make-package.sh
; with NSIS's makensis:
;
;   makensis -DVERSION=1.1.4 -DSTAGING=<package folder> -DOUTFILE=<Setup.exe>
;            [-DRELEASES_URL=<address>] [-DTARGET_AMD64] release/Setup.nsi
;
; STAGING holds x64\Mirtane.8bf, x86\Mirtane.8bf, MirtaneHelp.htm, LICENSE.txt
; and THIRD-PARTY-NOTICES.txt. The package's setup program is 32-bit, so that
; it runs on every Windows; TARGET_AMD64 builds the same script as a 64-bit
; program for machines that run no 32-bit code (the tests under Wine).
;
; Three ways to install, each undone by the uninstaller it registers in
; Apps & features:
;
;   all users, hosts' folders   the plug-ins folders of the host programs found
;                               (the places install.cmd looks in) receive the
;                               plug-in of their bitness, with the help page
;                               and Mirtane-LICENSE.txt beside it; the help
;                               page, the licence and the uninstaller go into
;                               Program Files\Norlund\Mirtane, whose name the
;                               registry value HelpFile gives the Help button.
;                               Needs administrator rights.
;   all users, a folder         folder\x64 and folder\x86 each receive the
;   current user, a folder      plug-in, the help page and the licence (the Help
;                               button finds the page beside the plug-in); the
;                               uninstaller lies in the folder. For the current
;                               user no administrator rights are needed.
;
; Silent use (exit codes as install.cmd's: 0 done, 1 bad arguments, an empty
; folder name or a drive's root among them, 2 no host program's plug-ins folder
; found, 5 a file or registry value could not be written, 6 administrator
; rights needed and not given):
;
;   Setup.exe /S                       all users, hosts' folders
;   Setup.exe /S /ALLUSERS /D=folder   all users, the folder named
;   Setup.exe /S /CURRENTUSER [/D=folder]
;                                      the current user, the folder named or
;                                      %LOCALAPPDATA%\Mirtane
;   Uninstall.exe /S                   removes it again
;
; /D= comes last and takes no quotes, even around a name with spaces.
;
; Every file, folder, registry key and value the setup program adds is noted
; in UninstallRecord.txt beside the uninstaller, which removes exactly those:
; folders only when they are empty again, registry keys only when nothing
; else put anything in them.

Unicode true
!ifdef TARGET_AMD64
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID zlib
RequestExecutionLevel user
ManifestDPIAware true

!ifndef VERSION | STAGING | OUTFILE
  !error "define VERSION, STAGING and OUTFILE"
!endif

!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "TextFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Mirtane"
!define PUBLISHER "Norlund"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirtane"
!define HELP_KEY "SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10"
!define RECORD_NAME "UninstallRecord.txt"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir ""
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 the Mirtane developers, MIT licence"

Var Scope          ; "all" or "user"
Var Mode           ; "hosts" or "folder"
Var Elevated       ; "1" in the instance started again as administrator
Var IsAdmin        ; "1" when this process may write for all users
Var HostCount
Var HostList
Var ScanAction     ; "list" or "install" for ScanHosts
Var ScanArch       ; "x64" or "x86"
Var Folder         ; a plug-ins folder ScanHosts found
Var RecordHandle
Var RecordDir      ; the folder of the uninstaller and its record
Var Installed64
Var Installed32
Var Failed
Var TotalBytes
Var ModeDialog
Var RadioHosts
Var RadioAllFolder
Var RadioUser

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs the ${PRODUCT} ${VERSION} filter plug-in for image editors that load Photoshop-compatible filters (.8bf files), 64-bit and 32-bit, with its help page.$\r$\n$\r$\nClose your image editor before you continue."
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenElevated
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenElevated
!insertmacro MUI_PAGE_LICENSE "${STAGING}\LICENSE.txt"
Page custom ModePageShow ModePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_PRE DirectoryPagePre
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryPageLeave
!define MUI_DIRECTORYPAGE_TEXT_TOP "${PRODUCT} goes into x64 and x86 below this folder, each plug-in with its help page and licence beside it. Then choose that folder (or its x64 or x86 part) as a plug-ins folder in your image editor's preferences, or copy Mirtane.8bf from there into the editor's plug-ins folder."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Labels show "&&" as one ampersand (a single one would underline the next letter).
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ${VERSION} is installed. Start your image editor: the filter is in the Filter menu under Norlund, as MIRTANE v${VERSION}.$\r$\n$\r$\nTo remove it, use Apps && features (Add or Remove Programs)."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Folders and the record

; RefuseBadFolder: stops with a message (exit code 1 when silent) unless
; $INSTDIR is a full path below the root of a drive or share. Trailing
; backslashes are dropped. An empty name or a root would spread the plug-in's
; files over a whole drive, and its removal would start there.
!macro RefuseBadFolder un
Function ${un}RefuseBadFolder
  Push $0
  Push $1
  ${Do}
    StrCpy $0 $INSTDIR 1 -1
    ${If} $0 == "\"
    ${OrIf} $0 == "/"
      StrCpy $INSTDIR $INSTDIR -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
  StrCpy $1 ""
  ${If} $INSTDIR == ""
    StrCpy $1 "No folder was named. Name a folder for ${PRODUCT}, for example $LOCALAPPDATA\Mirtane."
  ${Else}
    ${GetRoot} $INSTDIR $0
    ${If} $0 == ""
      StrCpy $1 "$\"$INSTDIR$\" is not a full folder name. Name a folder with its drive, for example $LOCALAPPDATA\Mirtane."
    ${ElseIf} $INSTDIR == $0
      StrCpy $1 "$\"$INSTDIR$\" is the root of a drive. ${PRODUCT} is installed into a folder, never into a drive's root."
    ${EndIf}
  ${EndIf}
  ${If} $1 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$1" /SD IDOK
    ${If} ${Silent}
      SetErrorLevel 1
      Quit
    ${EndIf}
    Pop $1
    Pop $0
    Abort
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro RefuseBadFolder ""

; RemoveRecordedFolders: the folders a record (its path on the stack) lists,
; deepest first: each pass removes the folders that are empty by then, and a
; pass that removes none ends it.
!macro RemoveRecordedFolders un
Function ${un}RemoveRecordedFolders
  Exch $4
  Push $0
  Push $1
  Push $2
  Push $3
  ${Do}
    StrCpy $3 0
    ClearErrors
    FileOpen $0 $4 r
    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
    ${Do}
      ClearErrors
      FileReadUTF16LE $0 $1
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      ${TrimNewLines} $1 $1
      StrCpy $2 $1 4
      ${If} $2 == "dir "
        StrCpy $1 $1 "" 4
        ${If} ${FileExists} "$1\*"
          RMDir $1
          ${IfNot} ${FileExists} "$1\*"
            DetailPrint "Removed folder $1"
            IntOp $3 $3 + 1
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${Loop}
    FileClose $0
  ${LoopWhile} $3 > 0
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $4
FunctionEnd
!macroend
!insertmacro RemoveRecordedFolders ""

; RecordLine: writes the line on the stack to the record, ended by CR LF.
Function RecordLine
  Exch $0
  FileWriteUTF16LE $RecordHandle "$0$\r$\n"
  Pop $0
FunctionEnd
!macro Record line
  Push "${line}"
  Call RecordLine
!macroend

; MakeFolder: creates the folder on the stack and any missing parents, and
; records each folder it creates (parents first). Sets $Failed when the
; folder cannot be made.
Function MakeFolder
  Exch $0
  Push $1
  Push $2
  StrCpy $1 $0
  StrCpy $2 0
  ${DoUntil} ${FileExists} "$1\*"
    Push $1
    IntOp $2 $2 + 1
    ${GetParent} $1 $1
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
  ${Loop}
  ${DoWhile} $2 > 0
    Pop $1
    CreateDirectory $1
    ${If} ${FileExists} "$1\*"
      !insertmacro Record "dir $1"
    ${EndIf}
    IntOp $2 $2 - 1
  ${Loop}
  ${IfNot} ${FileExists} "$0\*"
    StrCpy $Failed 1
    DetailPrint "Could not create the folder $0"
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; CountBytes: adds the size of the file on the stack to $TotalBytes.
Function CountBytes
  Exch $0
  Push $1
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 0 END $0
    FileClose $1
    IntOp $TotalBytes $TotalBytes + $0
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Place: copies one file of the package into the current output folder under
; its own name, records it and counts its size. A copy that fails (a host
; still holding the plug-in) is retried or skipped at the user's choice, and
; fails the installation when skipped or silent.
!macro Place source name
  ClearErrors
  SetOverwrite try
  File "/oname=${name}" "${source}"
  ${If} ${Errors}
    StrCpy $Failed 1
    DetailPrint "Could not write $OUTDIR\${name}"
  ${Else}
    !insertmacro Record "file $OUTDIR\${name}"
    Push "$OUTDIR\${name}"
    Call CountBytes
  ${EndIf}
!macroend

; ---------------------------------------------------------------------------
; The hosts' plug-ins folders, as install.cmd finds them

; FoundFolder: lists or installs into $Folder (plug-ins of $ScanArch).
Function FoundFolder
  ${IfNot} ${FileExists} "$Folder\*"
    Return
  ${EndIf}
  ${If} $ScanAction == "list"
    IntOp $HostCount $HostCount + 1
    ${If} $ScanArch == "x64"
      StrCpy $HostList "$HostList$\r$\n64-bit:  $Folder"
    ${Else}
      StrCpy $HostList "$HostList$\r$\n32-bit:  $Folder"
    ${EndIf}
    Return
  ${EndIf}
  SetOutPath $Folder
  ${If} $ScanArch == "x64"
    !insertmacro Place "${STAGING}\x64\Mirtane.8bf" "Mirtane.8bf"
    StrCpy $Installed64 1
  ${Else}
    !insertmacro Place "${STAGING}\x86\Mirtane.8bf" "Mirtane.8bf"
    StrCpy $Installed32 1
  ${EndIf}
  ; The help page and the licence beside the plug-in as well; in a folder
  ; that other plug-ins share the licence carries the product's name, so
  ; that no other plug-in's licence file is replaced (and later removed).
  !insertmacro Place "${STAGING}\MirtaneHelp.htm" "MirtaneHelp.htm"
  !insertmacro Place "${STAGING}\LICENSE.txt" "Mirtane-LICENSE.txt"
FunctionEnd

; ScanFamily: every "<programs>\Adobe\<prefix> *\<plug-ins>" folder.
Function ScanFamily
  Exch $2 ; plug-ins folder's name
  Exch
  Exch $1 ; "<programs>\Adobe\<prefix> *"
  Push $0
  Push $3
  ${GetParent} $1 $3
  FindFirst $0 $Folder $1
  ${DoWhile} $Folder != ""
    StrCpy $Folder "$3\$Folder\$2"
    Call FoundFolder
    FindNext $0 $Folder
  ${Loop}
  FindClose $0
  Pop $3
  Pop $0
  Pop $1
  Pop $2
FunctionEnd

; ScanPlaces: the places of one bitness. Stack: common files, programs.
Function ScanPlaces
  Exch $1 ; programs
  Exch
  Exch $0 ; common files
  StrCpy $Folder "$0\Adobe\Plug-Ins\CC"
  Call FoundFolder
  Push "$1\Adobe\Adobe Photoshop *"
  Push "Plug-ins"
  Call ScanFamily
  Push "$1\Adobe\Photoshop Elements *"
  Push "Plug-Ins"
  Call ScanFamily
  StrCpy $Folder "$1\IrfanView\Plugins\Adobe 8BF"
  Call FoundFolder
  Pop $0
  Pop $1
FunctionEnd

; ProgramFolders: the Program Files and Common Files folders of one bitness
; ("x64" or "x86" in $ScanArch) into $R8 and $R9, from the environment as
; install.cmd reads them: Windows gives 32-bit and 64-bit processes alike
; ProgramW6432 and ProgramFiles(x86) on 64-bit Windows.
Function ProgramFolders
  ${If} ${RunningX64}
    ${If} $ScanArch == "x64"
      ReadEnvStr $R8 "ProgramW6432"
      ReadEnvStr $R9 "CommonProgramW6432"
      ${IfThen} $R8 == "" ${|} StrCpy $R8 $PROGRAMFILES64 ${|}
      ${IfThen} $R9 == "" ${|} StrCpy $R9 $COMMONFILES64 ${|}
    ${Else}
      ReadEnvStr $R8 "ProgramFiles(x86)"
      ReadEnvStr $R9 "CommonProgramFiles(x86)"
      ${IfThen} $R8 == "" ${|} StrCpy $R8 $PROGRAMFILES32 ${|}
      ${IfThen} $R9 == "" ${|} StrCpy $R9 $COMMONFILES32 ${|}
    ${EndIf}
  ${Else}
    ReadEnvStr $R8 "ProgramFiles"
    ReadEnvStr $R9 "CommonProgramFiles"
    ${IfThen} $R8 == "" ${|} StrCpy $R8 $PROGRAMFILES ${|}
    ${IfThen} $R9 == "" ${|} StrCpy $R9 $COMMONFILES ${|}
  ${EndIf}
FunctionEnd

; ScanHosts: both bitnesses (the x86 one only on 32-bit Windows).
Function ScanHosts
  ${If} ${RunningX64}
    StrCpy $ScanArch "x64"
    Call ProgramFolders
    Push $R9
    Push $R8
    Call ScanPlaces
  ${EndIf}
  StrCpy $ScanArch "x86"
  Call ProgramFolders
  Push $R9
  Push $R8
  Call ScanPlaces
FunctionEnd

; ProductFolder: pushes Program Files\Norlund\Mirtane, in the 64-bit Program
; Files on 64-bit Windows, where install.cmd puts it too.
Function ProductFolder
  Push $ScanArch
  StrCpy $ScanArch "x64"
  Call ProgramFolders
  Pop $ScanArch
  Push "$R8\Norlund\Mirtane"
FunctionEnd

; ---------------------------------------------------------------------------
; Start, pages and rights

Function .onInit
  StrCpy $Scope "all"
  StrCpy $Mode "hosts"
  StrCpy $Failed 0
  StrCpy $TotalBytes 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
  StrCpy $HostCount 0
  StrCpy $HostList ""
  StrCpy $ScanAction "list"
  Call ScanHosts

  ${GetParameters} $R0
  ${GetOptions} $R0 "/ELEVATED" $0
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
  ${GetOptions} $R0 "/CURRENTUSER" $0
  ${IfNot} ${Errors}
    StrCpy $Scope "user"
    StrCpy $Mode "folder"
  ${EndIf}
  ${GetOptions} $R0 "/FOLDER" $0
  ${IfNot} ${Errors}
    StrCpy $Mode "folder"
  ${EndIf}
  ; A folder on the command line (/D=) chooses the folder way. NSIS reads it
  ; into $INSTDIR itself but drops an empty name or a root without a word, and
  ; removes it from $CMDLINE; the process's own command line still has it, so
  ; that such a name is refused instead of replaced by the default folder.
  ; A quoted "/D=folder", which NSIS ignores, is read here as well.
  System::Call 'kernel32::GetCommandLine() t .r0'
  StrLen $1 $0
  StrCpy $2 0
  ${DoWhile} $2 < $1
    StrCpy $3 $0 4 $2
    StrCpy $4 $0 5 $2
    ${If} $3 == " /D="
    ${OrIf} $4 == ' "/D='
      ${If} $4 == ' "/D='
        IntOp $2 $2 + 1
      ${EndIf}
      IntOp $2 $2 + 4
      StrCpy $INSTDIR $0 "" $2
      ${If} $4 == ' "/D='
        StrCpy $3 $INSTDIR 1 -1
        ${If} $3 == '"'
          StrCpy $INSTDIR $INSTDIR -1
        ${EndIf}
      ${EndIf}
      StrCpy $Mode "folder"
      Call RefuseBadFolder
      ${ExitDo}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  ${If} $INSTDIR == ""
    ${If} $Scope == "user"
      StrCpy $INSTDIR "$LOCALAPPDATA\Mirtane"
    ${Else}
      Call ProductFolder
      Pop $INSTDIR
    ${EndIf}
  ${EndIf}

  ${IfNot} ${Silent}
    Return
  ${EndIf}
  ${If} $Scope == "all"
  ${AndIf} $IsAdmin != 1
    ; A silent installation for all users is started by an administrator
    ; from an elevated prompt; no consent prompt can be shown here.
    SetErrorLevel 6
    Quit
  ${EndIf}
  ${If} $Mode == "hosts"
  ${AndIf} $HostCount == 0
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function SkipWhenElevated
  ${If} $Elevated == 1
    Abort
  ${EndIf}
FunctionEnd

Function ModePageShow
  ${If} $Elevated == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Where to install" "For every user of this computer, or only for you."
  nsDialogs::Create 1018
  Pop $ModeDialog
  ${If} $HostCount > 0
    ${NSD_CreateRadioButton} 0 0 100% 12u "&For all users, into the plug-ins folders of the editors found (administrator rights):"
    Pop $RadioHosts
    ${NSD_CreateLabel} 12u 13u -12u 44u "$HostList"
    Pop $0
  ${Else}
    ${NSD_CreateRadioButton} 0 0 100% 12u "For all users, into the editors' plug-ins folders: none was found"
    Pop $RadioHosts
    EnableWindow $RadioHosts 0
    ${NSD_CreateLabel} 12u 13u -12u 44u "The usual places of Photoshop, Photoshop Elements and IrfanView hold no plug-ins folder. Choose a folder below and name it in your editor's preferences."
    Pop $0
  ${EndIf}
  ${NSD_CreateRadioButton} 0 60u 100% 12u "For all users, into a folder you &choose (administrator rights)"
  Pop $RadioAllFolder
  ${NSD_CreateRadioButton} 0 76u 100% 12u "Only for &me, into a folder you choose (no administrator rights needed)"
  Pop $RadioUser
  ${NSD_CreateLabel} 12u 92u -12u 40u "Windows asks for an administrator's permission when you choose an installation for all users. Either way the installation appears in Apps && features, where you can remove it."
  Pop $0
  ${If} $Scope == "user"
    ${NSD_Check} $RadioUser
  ${ElseIf} $Mode == "folder"
  ${OrIf} $HostCount == 0
    ${NSD_Check} $RadioAllFolder
  ${Else}
    ${NSD_Check} $RadioHosts
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $RadioUser $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Scope "user"
    StrCpy $Mode "folder"
    StrCpy $INSTDIR "$LOCALAPPDATA\Mirtane"
    Return
  ${EndIf}
  StrCpy $Scope "all"
  ${NSD_GetState} $RadioHosts $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "hosts"
  ${Else}
    StrCpy $Mode "folder"
  ${EndIf}
  Call ProductFolder
  Pop $INSTDIR
  ${If} $IsAdmin == 1
    Return
  ${EndIf}
  ; Not an administrator's process: start this program again as one (Windows
  ; asks for consent) and leave the rest to it.
  StrCpy $0 "/ELEVATED"
  ${If} $Mode == "folder"
    StrCpy $0 "$0 /FOLDER"
  ${EndIf}
  ClearErrors
  ExecShell "runas" "$EXEPATH" "$0"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Administrator rights were not given, so ${PRODUCT} cannot be installed for all users. Choose $\"Only for me$\" to install it for yourself."
    Abort
  ${EndIf}
  Quit
FunctionEnd

Function DirectoryPagePre
  ${If} $Mode == "hosts"
    Abort
  ${EndIf}
FunctionEnd

Function DirectoryPageLeave
  Call RefuseBadFolder
  ${If} ${FileExists} "$INSTDIR\x64\Mirtane.8bf\*"
  ${OrIf} ${FileExists} "$INSTDIR\x86\Mirtane.8bf\*"
    MessageBox MB_OK|MB_ICONEXCLAMATION "A folder named Mirtane.8bf is in the way below $\"$INSTDIR$\". Choose another folder."
    Abort
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Installing

; RemovePreviousInstallation: an earlier installation of the same scope is
; removed first by its own uninstaller, so that one entry in Apps & features
; always accounts for every file.
Function RemovePreviousInstallation
  ; The entry lies in the 64-bit registry view on 64-bit Windows, where this
  ; 32-bit program would otherwise look in the 32-bit one.
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${If} $Scope == "all"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  SetRegView default
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\Uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "Removing the earlier installation in $0"
  ; _?= makes the uninstaller run in place, so that ExecWait waits for it;
  ; it cannot remove its own file then, nor the folders holding it: those
  ; are removed here, as its record lists them.
  InitPluginsDir
  CopyFiles /SILENT "$0\${RECORD_NAME}" "$PLUGINSDIR\previous-record.txt"
  ExecWait '"$0\Uninstall.exe" /S _?=$0' $1
  ${If} $1 != 0
    StrCpy $Failed 1
    DetailPrint "The earlier installation could not be removed (exit code $1)"
    Return
  ${EndIf}
  Delete "$0\Uninstall.exe"
  Push "$PLUGINSDIR\previous-record.txt"
  Call RemoveRecordedFolders
  RMDir $0
FunctionEnd

; WriteHelpValue: HelpFile names the product folder to the Help button of the
; plug-in that reads this registry view; new keys of its path are recorded.
!macro WriteHelpValue view
  SetRegView ${view}
  StrCpy $1 "SOFTWARE\NORLUND"
  StrCpy $2 1
  ${ForEach} $3 1 4 + 1
    ${If} $3 == 2
      StrCpy $1 "$1\PELT Plug-Ins"
    ${ElseIf} $3 == 3
      StrCpy $1 "$1\MIRTANE"
    ${ElseIf} $3 == 4
      StrCpy $1 "$1\10"
    ${EndIf}
    ClearErrors
    EnumRegKey $0 HKLM $1 0
    ${If} ${Errors}
      !insertmacro Record "key ${view}-$3"
    ${EndIf}
  ${Next}
  ClearErrors
  WriteRegStr HKLM "${HELP_KEY}" "HelpFile" "$RecordDir\"
  ${If} ${Errors}
    StrCpy $Failed 1
    DetailPrint "Could not write HKLM\${HELP_KEY} HelpFile"
  ${Else}
    !insertmacro Record "value ${view}"
  ${EndIf}
!macroend

Section "Mirtane"
  Call RemovePreviousInstallation
  ${If} $Failed == 1
    Abort "The earlier installation could not be removed: nothing was installed."
  ${EndIf}

  StrCpy $RecordDir $INSTDIR
  ${If} $Mode == "hosts"
    Call ProductFolder
    Pop $RecordDir
  ${EndIf}
  ; The record is written into the plug-ins' temporary folder while the
  ; installation runs, and beside the uninstaller when it is complete.
  InitPluginsDir
  FileOpen $RecordHandle "$PLUGINSDIR\${RECORD_NAME}" w
  FileWriteUTF16LE $RecordHandle "scope $Scope$\r$\n"
  Push $RecordDir
  Call MakeFolder
  ${If} $Failed == 1
    FileClose $RecordHandle
    ${If} ${Silent}
      SetErrorLevel 5
    ${EndIf}
    Abort "Could not create $RecordDir: nothing was installed."
  ${EndIf}

  ${If} $Mode == "hosts"
    SetOutPath $RecordDir
    !insertmacro Place "${STAGING}\MirtaneHelp.htm" "MirtaneHelp.htm"
    !insertmacro Place "${STAGING}\LICENSE.txt" "LICENSE.txt"
    !insertmacro Place "${STAGING}\THIRD-PARTY-NOTICES.txt" "THIRD-PARTY-NOTICES.txt"
    StrCpy $ScanAction "install"
    Call ScanHosts
    ${If} ${RunningX64}
      ${If} $Installed64 == 1
        !insertmacro WriteHelpValue 64
      ${EndIf}
      ${If} $Installed32 == 1
        !insertmacro WriteHelpValue 32
      ${EndIf}
    ${Else}
      !insertmacro WriteHelpValue 32
    ${EndIf}
    SetRegView default
  ${Else}
    ${If} ${RunningX64}
      Push "$RecordDir\x64"
      Call MakeFolder
      SetOutPath "$RecordDir\x64"
      !insertmacro Place "${STAGING}\x64\Mirtane.8bf" "Mirtane.8bf"
      !insertmacro Place "${STAGING}\MirtaneHelp.htm" "MirtaneHelp.htm"
      !insertmacro Place "${STAGING}\LICENSE.txt" "LICENSE.txt"
    ${EndIf}
    Push "$RecordDir\x86"
    Call MakeFolder
    SetOutPath "$RecordDir\x86"
    !insertmacro Place "${STAGING}\x86\Mirtane.8bf" "Mirtane.8bf"
    !insertmacro Place "${STAGING}\MirtaneHelp.htm" "MirtaneHelp.htm"
    !insertmacro Place "${STAGING}\LICENSE.txt" "LICENSE.txt"
    SetOutPath $RecordDir
    !insertmacro Place "${STAGING}\THIRD-PARTY-NOTICES.txt" "THIRD-PARTY-NOTICES.txt"
  ${EndIf}

  ; The uninstaller and its record, even after a failed copy, so that what
  ; was written can be removed.
  SetOutPath $TEMP
  FileClose $RecordHandle
  ClearErrors
  WriteUninstaller "$RecordDir\Uninstall.exe"
  CopyFiles /SILENT "$PLUGINSDIR\${RECORD_NAME}" "$RecordDir\${RECORD_NAME}"
  ${If} ${Errors}
    StrCpy $Failed 1
    DetailPrint "Could not write the uninstaller into $RecordDir"
  ${EndIf}
  Push "$RecordDir\Uninstall.exe"
  Call CountBytes

  ; The entry in Apps & features.
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${If} $Scope == "all"
    StrCpy $0 HKLM
  ${Else}
    StrCpy $0 HKCU
  ${EndIf}
  IntOp $1 $TotalBytes + 1023
  IntOp $1 $1 / 1024
  StrCpy $2 "$RecordDir\MirtaneHelp.htm"
  ${If} $Mode == "folder"
    StrCpy $2 "$RecordDir\x86\MirtaneHelp.htm"
    ${If} ${RunningX64}
      StrCpy $2 "$RecordDir\x64\MirtaneHelp.htm"
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${If} $0 == HKLM
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (filter plug-in)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$RecordDir"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$RecordDir\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$RecordDir\Uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "$2"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
!ifdef RELEASES_URL
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLUpdateInfo" "${RELEASES_URL}"
!endif
  ${Else}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (filter plug-in)"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$RecordDir"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$RecordDir\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$RecordDir\Uninstall.exe" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "HelpLink" "$2"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
!ifdef RELEASES_URL
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLUpdateInfo" "${RELEASES_URL}"
!endif
  ${EndIf}
  ${If} ${Errors}
    StrCpy $Failed 1
    DetailPrint "Could not register the uninstaller in Apps & features"
  ${EndIf}
  SetRegView default

  ${If} $Failed == 1
    ${If} ${Silent}
      SetErrorLevel 5
    ${EndIf}
    Abort "Some files could not be written (see above). Close your image editor and run the setup program again; its entry in Apps and features removes what was installed."
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------
; Removing: what the record lists, and nothing else

Var RecordScope
Var Key64
Var Key32
Var Value64
Var Value32
Var UnFailed

!insertmacro RefuseBadFolder "un."
!insertmacro RemoveRecordedFolders "un."

Function un.onInit
  Call un.RefuseBadFolder
  IfFileExists "$INSTDIR\${RECORD_NAME}" +3
    MessageBox MB_OK|MB_ICONEXCLAMATION "$INSTDIR holds no ${RECORD_NAME}: there is nothing this uninstaller knows to remove." /SD IDOK
    Quit
  FileOpen $0 "$INSTDIR\${RECORD_NAME}" r
  FileReadUTF16LE $0 $1
  FileClose $0
  StrCpy $RecordScope "user"
  ${If} $1 == "scope all$\r$\n"
    StrCpy $RecordScope "all"
  ${EndIf}
  ${If} $RecordScope == "user"
    Return
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    Return
  ${EndIf}
  ${If} ${Silent}
    SetErrorLevel 6
    Quit
  ${EndIf}
  ; Removing an installation for all users needs an administrator: the
  ; uninstaller in place is started again as one.
  ClearErrors
  ExecShell "runas" "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Administrator rights were not given: ${PRODUCT} stays installed."
    SetErrorLevel 6
  ${EndIf}
  Quit
FunctionEnd


; UnRemoveHelpValue: HelpFile in one view, then the keys of its path from
; the deepest down to the first one the setup program created, each only when
; nothing else is in it.
!macro UnRemoveHelpValue view firstNewKey valueFlag
  SetRegView ${view}
  ${If} ${valueFlag} == 1
    DeleteRegValue HKLM "${HELP_KEY}" "HelpFile"
  ${EndIf}
  ${If} ${firstNewKey} != ""
    StrCpy $1 "${HELP_KEY}"
    ${ForEach} $2 4 1 - 1
      ${If} $2 >= ${firstNewKey}
        DeleteRegKey /ifempty HKLM $1
      ${EndIf}
      ${GetParent} $1 $1
    ${Next}
  ${EndIf}
!macroend

Section "Uninstall"
  StrCpy $UnFailed 0
  StrCpy $Key64 ""
  StrCpy $Key32 ""
  FileOpen $0 "$INSTDIR\${RECORD_NAME}" r
  ${Do}
    ClearErrors
    FileReadUTF16LE $0 $1
    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
    ${TrimNewLines} $1 $1
    StrCpy $2 $1 5
    ${If} $2 == "file "
      StrCpy $1 $1 "" 5
      ${If} ${FileExists} "$1\*"
        DetailPrint "Left alone: $1 is a folder now"
      ${ElseIf} ${FileExists} $1
        ClearErrors
        Delete $1
        ${If} ${FileExists} $1
          StrCpy $UnFailed 1
          DetailPrint "Could not remove $1"
        ${Else}
          DetailPrint "Removed $1"
        ${EndIf}
      ${EndIf}
    ${EndIf}
    ; "key 64-1" .. "key 32-4": the first new key of the HelpFile path in
    ; each view; every key below it was new as well.
    StrCpy $2 $1 7
    ${If} $2 == "key 64-"
    ${AndIf} $Key64 == ""
      StrCpy $Key64 $1 1 7
    ${ElseIf} $2 == "key 32-"
    ${AndIf} $Key32 == ""
      StrCpy $Key32 $1 1 7
    ${EndIf}
    ${If} $1 == "value 64"
      StrCpy $Value64 1
    ${ElseIf} $1 == "value 32"
      StrCpy $Value32 1
    ${EndIf}
  ${Loop}
  FileClose $0

  !insertmacro UnRemoveHelpValue 64 $Key64 $Value64
  !insertmacro UnRemoveHelpValue 32 $Key32 $Value32

  ${If} ${RunningX64}
    SetRegView 64
  ${Else}
    SetRegView default
  ${EndIf}
  ${If} $UnFailed == 1
    SetErrorLevel 5
    Abort "Some files could not be removed (see above). Close your image editor and remove ${PRODUCT} again."
  ${EndIf}
  ${If} $RecordScope == "all"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
  SetRegView default
  Delete "$INSTDIR\Uninstall.exe"
  ; The folders go after the record's other entries, the record last.
  InitPluginsDir
  CopyFiles /SILENT "$INSTDIR\${RECORD_NAME}" "$PLUGINSDIR\record.txt"
  Delete "$INSTDIR\${RECORD_NAME}"
  Push "$PLUGINSDIR\record.txt"
  Call un.RemoveRecordedFolders
  RMDir $INSTDIR
SectionEnd
