@echo off
rem Installs the MIRTANE filter plug-in from this package. Three ways:
rem
rem   install.cmd                 (also a double-click) looks for the plug-ins
rem       folders of the host programs listed below and copies into each the
rem       plug-in of its bitness: x64\Mirtane.8bf into 64-bit hosts' folders,
rem       x86\Mirtane.8bf into 32-bit hosts' folders, both in one run.
rem   install.cmd [x86 ^| x64] "plug-ins folder"
rem       copies one plug-in into the folder named.
rem   install.cmd /user ["folder"]
rem       an installation for the current user alone, with no administrator
rem       rights: folder\x64 and folder\x86 each receive the plug-in and the
rem       help page beside it, where the Help button finds it. Without a folder
rem       name it asks for one.
rem
rem The first two are for all users: they also copy MirtaneHelp.htm into the
rem product folder (Program Files\Norlund\Mirtane) and write the registry
rem value the plug-in's Help button reads first:
rem     HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10  HelpFile = product folder
rem with its trailing backslash, as REG_SZ (the plug-in does not expand
rem variables), in the registry view each installed DLL reads. When this
rem window cannot write the Program Files folder it starts itself again as
rem administrator through PowerShell (Windows asks the user to allow it); if
rem that is refused it offers the installation for the current user instead.
rem
rem The plug-ins folders looked for (on 32-bit Windows, the x86 ones only, in
rem Program Files and Common Files):
rem   x64  %CommonProgramW6432%\Adobe\Plug-Ins\CC
rem        %ProgramW6432%\Adobe\Adobe Photoshop *\Plug-ins
rem        %ProgramW6432%\Adobe\Photoshop Elements *\Plug-Ins
rem        %ProgramW6432%\IrfanView\Plugins\Adobe 8BF
rem   x86  the same under %CommonProgramFiles(x86)% and %ProgramFiles(x86)%
rem
rem Every change is noted in InstallRecord.txt in the product folder (or the
rem user's folder), so that uninstall.cmd removes exactly what was added.
rem Running it again repairs or updates an installation and adds nothing twice.
rem Started by a double-click, in the window it opens as administrator or with
rem /pause, it asks before it falls back to an installation for the current
rem user and waits for a key before its window closes, so that what it did
rem stays readable.
rem
rem Exit codes: 0 done, 1 bad arguments (an empty folder name or the root of a
rem drive among them), 2 plug-ins folder missing or none
rem found, 3 package incomplete, 4 plug-in does not suit this Windows,
rem 5 a file or registry value could not be written, 6 administrator rights
rem needed and not given.

setlocal EnableExtensions DisableDelayedExpansion

rem Explorer starts a double-clicked script as cmd /c "script"; a Command
rem Prompt's own command line does not name the script. Delayed expansion
rem reads the command line without parsing the quotes and ampersands in it.
set "NAMED="
setlocal EnableDelayedExpansion
set "LAUNCH=!CMDCMDLINE!"
if defined LAUNCH if /i not "!LAUNCH:%~nx0=!"=="!LAUNCH!" set "NAMED=1"
endlocal & set "PAUSE_AT_END=%NAMED%"

set "PACKAGE=%~dp0"
set "SELF=%~f0"
set "ARCH="
set "PLUGINS="
set "MODE=auto"
set "ELEVATED="
set "STATUS=0"

:ParseArguments
rem An empty folder name ("") is refused, not taken for the end of the
rem arguments: it would otherwise stand for the current folder or the root.
if %1.=="". goto EmptyFolderName
if "%~1"=="" goto ArgumentsParsed
if "%~1"=="/?" goto Usage
if /i "%~1"=="/h" goto Usage
if /i "%~1"=="-h" goto Usage
if /i "%~1"=="--help" goto Usage
if /i "%~1"=="/elevated" (
    set "ELEVATED=1"
    set "PAUSE_AT_END=1"
    goto NextArgument
)
if /i "%~1"=="/pause" (
    set "PAUSE_AT_END=1"
    goto NextArgument
)
if /i "%~1"=="/user" (
    set "MODE=user"
    goto NextArgument
)
if /i "%~1"=="x86" (
    set "ARCH=x86"
    goto NextArgument
)
if /i "%~1"=="x64" (
    set "ARCH=x64"
    goto NextArgument
)
if defined PLUGINS goto TooManyArguments
set "PLUGINS=%~f1"
:NextArgument
shift
goto ParseArguments

:ArgumentsParsed
rem The machine's own architecture: a 32-bit cmd.exe on 64-bit Windows sees
rem x86 in PROCESSOR_ARCHITECTURE and the real one in PROCESSOR_ARCHITEW6432.
set "MACHINE=%PROCESSOR_ARCHITECTURE%"
if defined PROCESSOR_ARCHITEW6432 set "MACHINE=%PROCESSOR_ARCHITEW6432%"
set "WINDOWS_BITS="
if /i "%MACHINE%"=="AMD64" set "WINDOWS_BITS=64"
if /i "%MACHINE%"=="ARM64" set "WINDOWS_BITS=64"
if /i "%MACHINE%"=="x86" set "WINDOWS_BITS=32"
if not defined WINDOWS_BITS goto UnknownMachine
if "%MODE%"=="user" if defined ARCH goto UserTakesNoArch
if "%MODE%"=="auto" if defined PLUGINS set "MODE=named"
if "%MODE%"=="auto" if defined ARCH set "MODE=named"
if not defined ARCH if "%WINDOWS_BITS%"=="64" set "ARCH=x64"
if not defined ARCH set "ARCH=x86"
if "%ARCH%"=="x64" if "%WINDOWS_BITS%"=="32" goto NoSixtyFourBit

rem One product folder for both plug-ins, in the 64-bit Program Files on
rem 64-bit Windows whichever cmd.exe runs this.
set "PROGRAMS=%ProgramFiles%"
if defined ProgramW6432 set "PROGRAMS=%ProgramW6432%"
set "COMMON64=%CommonProgramFiles%"
if defined CommonProgramW6432 set "COMMON64=%CommonProgramW6432%"
set "PROGRAMS32=%ProgramFiles%"
set "COMMON32=%CommonProgramFiles%"
if "%WINDOWS_BITS%"=="64" set "PROGRAMS32=%ProgramFiles(x86)%"
if "%WINDOWS_BITS%"=="64" set "COMMON32=%CommonProgramFiles(x86)%"
set "VENDOR_DIR=%PROGRAMS%\Norlund"
set "PRODUCT_DIR=%VENDOR_DIR%\Mirtane"
set "RECORD=%PRODUCT_DIR%\InstallRecord.txt"
set "HELP_SOURCE=%PACKAGE%MirtaneHelp.htm"

set "REG_ROOT=HKLM\SOFTWARE"
set "KEY1=NORLUND"
set "KEY2=NORLUND\PELT Plug-Ins"
set "KEY3=NORLUND\PELT Plug-Ins\MIRTANE"
set "KEY4=NORLUND\PELT Plug-Ins\MIRTANE\10"

rem Check everything before changing anything.
if not exist "%PACKAGE%x64\Mirtane.8bf" goto PackageIncomplete
if not exist "%PACKAGE%x86\Mirtane.8bf" goto PackageIncomplete
if not exist "%HELP_SOURCE%" goto PackageIncomplete
if "%MODE%"=="user" goto UserInstall

if "%MODE%"=="auto" goto FindHosts
rem Named folder, or the shared plug-ins folder of current Photoshop versions
rem in the Common Files that matches the DLL's bitness.
set "PLUGINS_NAMED=1"
if not defined PLUGINS (
    set "PLUGINS_NAMED="
    if "%ARCH%"=="x64" (set "PLUGINS=%COMMON64%\Adobe\Plug-Ins\CC") else set "PLUGINS=%COMMON32%\Adobe\Plug-Ins\CC"
)
call :NormaliseFolder
if defined FOLDER_IS_ROOT goto RootFolderRefused
if not exist "%PLUGINS%\*" goto PluginsFolderMissing
set "FOLDER=%PLUGINS%"
call :TargetOfFolder
if exist "%TARGET%\*" goto PluginTargetIsFolder
goto CheckRights

:FindHosts
echo Looking for the plug-ins folders of host programs:
set "FOUND_COUNT=0"
set "SCAN_ACTION=list"
call :ScanHosts
if "%FOUND_COUNT%"=="0" goto NoHostFound
if defined BLOCKED_TARGET goto PluginTargetIsFolder

rem Writing into Program Files needs an administrator; try it rather than
rem guess from group membership, which says nothing about an elevated token.
:CheckRights
call :CanWriteMachineWide
if not defined CAN_WRITE if defined ELEVATED goto StillNoRights
if not defined CAN_WRITE goto Elevate

echo Installing MIRTANE 1.1.4 for all users.
rem 1. The product folder and the record of what this script adds.
if not exist "%VENDOR_DIR%\*" (
    mkdir "%VENDOR_DIR%" >nul 2>&1
    if not exist "%VENDOR_DIR%\*" goto WriteFailed
    set "NEW_VENDOR_DIR=1"
)
if not exist "%PRODUCT_DIR%\*" (
    mkdir "%PRODUCT_DIR%" >nul 2>&1
    if not exist "%PRODUCT_DIR%\*" goto WriteFailed
    set "NEW_PRODUCT_DIR=1"
)
if defined NEW_VENDOR_DIR (set "RECORD_LINE=dir vendor" & call :Record)
if defined NEW_VENDOR_DIR echo   created folder      "%VENDOR_DIR%"
if defined NEW_PRODUCT_DIR (set "RECORD_LINE=dir product" & call :Record)
if defined NEW_PRODUCT_DIR echo   created folder      "%PRODUCT_DIR%"
if not exist "%RECORD%" goto WriteFailed

rem 2. The help page.
set "SOURCE=%HELP_SOURCE%"
set "TARGET=%PRODUCT_DIR%\MirtaneHelp.htm"
set "WHAT=help page"
call :CopyRecorded
if defined COPY_FAILED goto WriteFailed

rem 3. The plug-ins.
set "INSTALLED_x64="
set "INSTALLED_x86="
if "%MODE%"=="named" (
    set "FOLDER=%PLUGINS%"
    call :InstallPlugin %ARCH%
)
if "%MODE%"=="auto" (
    set "SCAN_ACTION=install"
    call :ScanHosts
)
if defined COPY_FAILED goto PluginCopyFailed

rem 4. The registry value, in the view each installed plug-in reads: a 32-bit
rem DLL on 64-bit Windows reads the 32-bit view (WOW6432Node); 32-bit Windows
rem has one view only.
if "%WINDOWS_BITS%"=="32" call :WriteHelpValue only
if "%WINDOWS_BITS%"=="64" if defined INSTALLED_x64 call :WriteHelpValue 64 /reg:64
if "%WINDOWS_BITS%"=="64" if defined INSTALLED_x86 call :WriteHelpValue 32 /reg:32
if defined REGISTRY_FAILED goto RegistryFailed

echo Done. Restart your host program: the filter is in the Filter menu under
echo Norlund, as MIRTANE v1.1.4. Its Help button opens the installed help page.
echo To remove it, run uninstall.cmd.
goto Finish

rem ---------------------------------------------------------------------------
rem The installation for the current user alone

:UserInstall
if defined PLUGINS goto UserFolderNamed
if not defined PAUSE_AT_END goto UserFolderMissing
:AskUserFolder
set "PLUGINS="
set "ANSWER="
set "DEFAULT_USER_DIR=%LOCALAPPDATA%\Mirtane"
if not defined LOCALAPPDATA set "DEFAULT_USER_DIR=%USERPROFILE%\Mirtane"
echo.
echo An installation for you alone needs no administrator rights. MIRTANE goes
echo into a folder you choose, as x64\Mirtane.8bf for 64-bit host programs and
echo x86\Mirtane.8bf for 32-bit ones, each with its help page beside it. Then set
echo your host program's plug-ins folder to that folder (or to its x64 or x86
echo part), or copy Mirtane.8bf from there into the host's plug-ins folder.
echo.
echo Which folder? Press Enter for "%DEFAULT_USER_DIR%",
set /p "ANSWER=or type a folder name, or a dash (-) to stop: "
rem Enter alone leaves ANSWER undefined on Windows and empty under Wine; quotes
rem typed around the name are dropped.
if defined ANSWER set "ANSWER=%ANSWER:"=%"
if "%ANSWER%"=="-" goto UserStopped
if "%ANSWER%"=="" set "ANSWER=%DEFAULT_USER_DIR%"
set "PLUGINS=%ANSWER%"
set "MODE=user"
:UserFolderNamed
call :NormaliseFolder
if defined FOLDER_IS_ROOT goto RootFolderRefused
set "RECORD=%PLUGINS%\InstallRecord.txt"
if exist "%PLUGINS%" if not exist "%PLUGINS%\*" goto UserFolderIsFile
set "USER_ARCHES=x64 x86"
if "%WINDOWS_BITS%"=="32" set "USER_ARCHES=x86"
for %%A in (%USER_ARCHES%) do if exist "%PLUGINS%\%%A\Mirtane.8bf\*" goto UserTargetIsFolder

echo Installing MIRTANE 1.1.4 for you alone into "%PLUGINS%".
if not exist "%PLUGINS%\*" (
    mkdir "%PLUGINS%" >nul 2>&1
    if not exist "%PLUGINS%\*" goto UserWriteFailed
    set "NEW_USER_DIR=1"
)
if defined NEW_USER_DIR (set "RECORD_LINE=dir user" & call :Record)
if defined NEW_USER_DIR echo   created folder      "%PLUGINS%"
if not exist "%RECORD%" (set "RECORD_LINE=user" & call :Record)
if not exist "%RECORD%" goto UserWriteFailed
for %%A in (%USER_ARCHES%) do (
    set "USER_ARCH=%%A"
    call :InstallForUser
)
if defined COPY_FAILED goto UserWriteFailed
echo Done. Restart your host program after pointing it at the plug-in:
if not "%WINDOWS_BITS%"=="32" echo   64-bit host programs:  "%PLUGINS%\x64\Mirtane.8bf"
echo   32-bit host programs:  "%PLUGINS%\x86\Mirtane.8bf"
echo The Help button opens the help page beside the plug-in. To remove it, run
echo   uninstall.cmd /user "%PLUGINS%"
goto Finish

rem :InstallForUser copies the plug-in of USER_ARCH and the help page into its
rem own subfolder of PLUGINS.
:InstallForUser
set "FOLDER=%PLUGINS%\%USER_ARCH%"
if not exist "%FOLDER%\*" (
    mkdir "%FOLDER%" >nul 2>&1
    if not exist "%FOLDER%\*" (
        set "COPY_FAILED=1"
        exit /b 0
    )
    set "RECORD_LINE=dir user-%USER_ARCH%"
    call :Record
    echo   created folder      "%FOLDER%"
)
set "SOURCE=%HELP_SOURCE%"
set "TARGET=%FOLDER%\MirtaneHelp.htm"
set "WHAT=help page"
call :CopyRecorded
if defined COPY_FAILED exit /b 0
set "SOURCE=%PACKAGE%%USER_ARCH%\Mirtane.8bf"
set "TARGET=%FOLDER%\Mirtane.8bf"
set "WHAT=plug-in"
call :CopyRecorded
exit /b 0

rem ---------------------------------------------------------------------------
rem Starting again as administrator

:Elevate
echo This installation for all users writes into "%PROGRAMS%" and needs
echo administrator rights. Windows now asks whether to allow that; the
echo installation then runs in a new window.
set "MIRTANE_SELF=%SELF%"
set "MIRTANE_ARGS="
if "%MODE%"=="named" set MIRTANE_ARGS=%ARCH% "%PLUGINS%"
rem The elevated window's command line is built inside PowerShell from the
rem environment, so that no folder name passes through two quoting rules.
rem Exit 255: the user refused, or it could not be started.
powershell.exe -NoProfile -ExecutionPolicy Bypass -Command "$q = [char]34; try { $p = Start-Process -FilePath $env:ComSpec -ArgumentList ('/c ' + $q + $q + $env:MIRTANE_SELF + $q + ' /elevated ' + $env:MIRTANE_ARGS + $q) -Verb RunAs -Wait -PassThru; exit $p.ExitCode } catch { exit 255 }"
set "ELEVATED_STATUS=%ERRORLEVEL%"
if "%ELEVATED_STATUS%"=="0" goto ElevatedDone
if "%ELEVATED_STATUS%"=="255" goto NotElevated
if "%ELEVATED_STATUS%"=="9009" goto NotElevated
echo The installation in the administrator window failed with exit code
echo %ELEVATED_STATUS%; it said why in that window.
set "STATUS=%ELEVATED_STATUS%"
goto Finish

:ElevatedDone
echo The installation ran in the administrator window and succeeded; that
echo window listed what it did.
rem That window waited for a key already; this one need not.
set "PAUSE_AT_END="
goto Finish

:NotElevated
echo.
echo Administrator rights were not given (or PowerShell could not ask for
echo them), so nothing was installed for all users.
if defined PAUSE_AT_END goto AskUserFolder
echo To install for yourself alone, without administrator rights, run
echo   install.cmd /user "folder"
set "STATUS=6"
goto Finish

rem ---------------------------------------------------------------------------
rem Subroutines

rem :ScanHosts goes through the plug-ins folders listed at the top. With
rem SCAN_ACTION list it prints and counts those that exist; with install it
rem installs the plug-in of each folder's bitness into it.
:ScanHosts
if "%WINDOWS_BITS%"=="64" call :ScanOneBitness x64 "%COMMON64%" "%PROGRAMS%"
call :ScanOneBitness x86 "%COMMON32%" "%PROGRAMS32%"
exit /b 0

rem :ScanOneBitness arch "Common Files" "Program Files"
:ScanOneBitness
set "SCAN_ARCH=%1"
set "FOLDER=%~2\Adobe\Plug-Ins\CC"
call :FoundFolder
rem dir lists the versions; for /d would do, but some cmd.exe versions
rem (Wine's among them) match no wildcard in for /d.
for /f "delims=" %%D in ('dir /b /ad "%~3\Adobe\Adobe Photoshop *" 2^>nul') do (
    set "FOLDER=%~3\Adobe\%%D\Plug-ins"
    call :FoundFolder
)
for /f "delims=" %%D in ('dir /b /ad "%~3\Adobe\Photoshop Elements *" 2^>nul') do (
    set "FOLDER=%~3\Adobe\%%D\Plug-Ins"
    call :FoundFolder
)
set "FOLDER=%~3\IrfanView\Plugins\Adobe 8BF"
call :FoundFolder
exit /b 0

rem :FoundFolder acts on FOLDER (plug-ins of SCAN_ARCH) when it exists. The
rem path travels in a variable, not an argument, so that call does not expand
rem percent signs in it a second time.
:FoundFolder
if not exist "%FOLDER%\*" exit /b 0
if "%SCAN_ACTION%"=="install" (
    call :InstallPlugin %SCAN_ARCH%
    exit /b 0
)
set /a FOUND_COUNT+=1
call :TargetOfFolder
if exist "%TARGET%\*" set "BLOCKED_TARGET=%TARGET%"
if "%SCAN_ARCH%"=="x64" echo   found 64-bit        "%FOLDER%"
if "%SCAN_ARCH%"=="x86" echo   found 32-bit        "%FOLDER%"
exit /b 0

rem :NormaliseFolder makes PLUGINS a full path without a trailing backslash
rem and sets FOLDER_IS_ROOT when it names the root of a drive or share, which
rem an installation must never fill (nor its removal empty). "\." resolves to
rem the folder itself, and only a root has no last part.
:NormaliseFolder
set "FOLDER_IS_ROOT="
for %%F in ("%PLUGINS%\.") do (
    set "PLUGINS=%%~fF"
    if "%%~nxF"=="" set "FOLDER_IS_ROOT=1"
)
exit /b 0

rem :TargetOfFolder sets TARGET to Mirtane.8bf in FOLDER.
:TargetOfFolder
set "TARGET=%FOLDER%\Mirtane.8bf"
if "%FOLDER:~-1%"=="\" set "TARGET=%FOLDER%Mirtane.8bf"
exit /b 0

rem :InstallPlugin arch copies that plug-in into FOLDER.
:InstallPlugin
if defined COPY_FAILED exit /b 0
call :TargetOfFolder
set "SOURCE=%PACKAGE%%1\Mirtane.8bf"
set "WHAT=plug-in"
if "%1"=="x64" set "WHAT=64-bit plug-in"
if "%1"=="x86" set "WHAT=32-bit plug-in"
call :CopyRecorded
if not defined COPY_FAILED set "INSTALLED_%1=1"
exit /b 0

rem :CopyRecorded copies SOURCE to TARGET, notes it in the record and says so;
rem sets COPY_FAILED when the copy fails.
:CopyRecorded
set "ACTION=copied  "
if exist "%TARGET%" set "ACTION=replaced"
copy /y "%SOURCE%" "%TARGET%" >nul 2>&1
if errorlevel 1 (
    set "COPY_FAILED=1"
    set "FAILED_TARGET=%TARGET%"
    exit /b 0
)
set "RECORD_LINE=file %TARGET%"
call :Record
set "WHAT_TEXT=%WHAT%                 "
echo   %ACTION% %WHAT_TEXT:~0,14% "%TARGET%"
exit /b 0

rem :WriteHelpValue view [switch] writes HelpFile, noting first which keys of
rem its path are new in that view.
:WriteHelpValue
set "VIEW=%1"
set "VIEW_SWITCH=%2"
call :NoteNewKey 1 "%KEY1%"
call :NoteNewKey 2 "%KEY2%"
call :NoteNewKey 3 "%KEY3%"
call :NoteNewKey 4 "%KEY4%"
reg add "%REG_ROOT%\%KEY4%" /v HelpFile /t REG_SZ /d "%PRODUCT_DIR%\\" /f %VIEW_SWITCH% >nul 2>&1
if errorlevel 1 (
    set "REGISTRY_FAILED=1"
    exit /b 0
)
set "RECORD_LINE=value %VIEW%"
call :Record
set "VIEW_TEXT="
if "%VIEW%"=="64" set "VIEW_TEXT= (64-bit registry view)"
if "%VIEW%"=="32" set "VIEW_TEXT= (32-bit registry view)"
echo   wrote registry      "%REG_ROOT%\%KEY4%"
echo                       HelpFile = "%PRODUCT_DIR%\"%VIEW_TEXT%
exit /b 0

rem :CanWriteMachineWide sets CAN_WRITE when a folder can be made in PROGRAMS
rem (uninstall.cmd makes the same check).
:CanWriteMachineWide
set "CAN_WRITE="
set "PROBE=%PROGRAMS%\Mirtane-rights-check.tmp"
if exist "%PROBE%\*" rd "%PROBE%" >nul 2>&1
mkdir "%PROBE%" >nul 2>&1
if exist "%PROBE%\*" set "CAN_WRITE=1"
rd "%PROBE%" >nul 2>&1
exit /b 0

rem :Record appends RECORD_LINE to the record unless it is there already. The
rem line travels in a variable, not an argument, so that call does not expand
rem percent signs or double carets in folder names a second time.
:Record
set "RECORD_FOUND="
if exist "%RECORD%" for /f "usebackq delims=" %%R in ("%RECORD%") do if /i "%%R"=="%RECORD_LINE%" set "RECORD_FOUND=1"
if defined RECORD_FOUND exit /b 0
for %%R in ("%RECORD_LINE%") do >>"%RECORD%" echo %%~R
exit /b 0

rem :NoteNewKey level "key" records a key of the path that does not exist yet.
:NoteNewKey
reg query "%REG_ROOT%\%~2" %VIEW_SWITCH% >nul 2>&1
if not errorlevel 1 exit /b 0
set "RECORD_LINE=key %VIEW%-%1"
call :Record
exit /b 0

rem ---------------------------------------------------------------------------
rem Messages; every way out passes :Finish.

:Usage
echo Installs the MIRTANE 1.1.4 filter plug-in and its help page.
echo.
echo   install.cmd
echo       finds the plug-ins folders of the host programs on this computer and
echo       installs both plug-ins, each into the folders of hosts of its bitness.
echo   install.cmd [x86 ^| x64] ["plug-ins folder"]
echo       installs one plug-in into the folder named: x64 for 64-bit host
echo       programs, x86 for 32-bit ones (default: this Windows' own). Without a
echo       folder: Photoshop's shared folder Common Files\Adobe\Plug-Ins\CC.
echo   install.cmd /user ["folder"]
echo       installs for you alone, without administrator rights, into folder\x64
echo       and folder\x86, with the help page beside each plug-in.
echo.
echo Folders looked for: Common Files\Adobe\Plug-Ins\CC,
echo Adobe\Adobe Photoshop *\Plug-ins, Adobe\Photoshop Elements *\Plug-Ins and
echo IrfanView\Plugins\Adobe 8BF in Program Files (64-bit hosts) and in
echo Program Files (x86) (32-bit hosts). See INSTALL.txt.
echo An installation for all users asks for administrator rights when it needs them.
echo /pause asks before installing for you alone and waits for a key at the end,
echo as after a double-click.
goto Finish

:TooManyArguments
echo install.cmd: more than one folder was named: "%PLUGINS%" and "%~1".
echo Put a folder name that contains spaces in double quotes. install.cmd /? shows the usage.
set "STATUS=1"
goto Finish

:UserTakesNoArch
echo install.cmd: /user installs both plug-ins; name no x86 or x64 with it.
set "STATUS=1"
goto Finish

:UnknownMachine
echo install.cmd: this Windows runs on a "%MACHINE%" processor; the plug-ins are
echo built for x86 and x64 Windows only. Nothing was installed.
set "STATUS=4"
goto Finish

:NoSixtyFourBit
echo install.cmd: this is 32-bit Windows, which cannot load the 64-bit plug-in.
echo Run install.cmd x86 instead. Nothing was installed.
set "STATUS=4"
goto Finish

:PackageIncomplete
echo install.cmd: the package is incomplete. These files must lie beside install.cmd:
echo   "%PACKAGE%x64\Mirtane.8bf"
echo   "%PACKAGE%x86\Mirtane.8bf"
echo   "%HELP_SOURCE%"
echo Unpack the whole zip file again and run install.cmd from there. Nothing was installed.
set "STATUS=3"
goto Finish

:NoHostFound
echo   none found.
echo install.cmd: no host program's plug-ins folder is in the places listed in
echo INSTALL.txt. Nothing was installed for all users.
if defined PAUSE_AT_END goto AskUserFolder
echo Name your host's plug-ins folder, for example:
echo   install.cmd x64 "D:\Graphics\Plug-ins"
echo or install for yourself alone:   install.cmd /user "folder"
set "STATUS=2"
goto Finish

:PluginsFolderMissing
echo install.cmd: the plug-ins folder "%PLUGINS%" does not exist.
if not defined PLUGINS_NAMED echo That is the default folder; your host program may keep its plug-ins elsewhere.
echo Name the folder your host program loads filters from, for example:
echo   install.cmd %ARCH% "C:\Program Files\Adobe\Adobe Photoshop 2024\Plug-ins"
echo INSTALL.txt lists the folders of common host programs. Nothing was installed.
set "STATUS=2"
goto Finish

:PluginTargetIsFolder
if defined BLOCKED_TARGET set "TARGET=%BLOCKED_TARGET%"
echo install.cmd: "%TARGET%" is a folder, not a plug-in file.
echo Rename or remove that folder, or name another plug-ins folder. Nothing was installed.
set "STATUS=5"
goto Finish

:StillNoRights
echo install.cmd: even as administrator this window cannot write into
echo "%PROGRAMS%". Nothing was installed.
set "STATUS=6"
goto Finish

:PluginCopyFailed
echo install.cmd: could not copy the plug-in to "%FAILED_TARGET%".
echo Close the host program if it is running and run install.cmd again.
echo What was done so far is noted in "%RECORD%"; uninstall.cmd removes it.
set "STATUS=5"
goto Finish

:RegistryFailed
echo install.cmd: could not write the registry value HelpFile under
echo "%REG_ROOT%\%KEY4%". The plug-in works without it, but its Help button
echo cannot find the help page. uninstall.cmd removes what was installed.
set "STATUS=5"
goto Finish

:WriteFailed
echo install.cmd: could not write to "%PRODUCT_DIR%".
echo Nothing more was installed; uninstall.cmd removes what the record lists.
set "STATUS=5"
goto Finish

:EmptyFolderName
echo install.cmd: an empty folder name ("") was given. Name the folder to install
echo into, for example:  install.cmd /user "%USERPROFILE%\Mirtane"
echo Nothing was installed.
set "STATUS=1"
goto Finish

:RootFolderRefused
echo install.cmd: "%PLUGINS%" is the root of a drive. MIRTANE is installed into a
echo folder, never into a drive's root. Nothing was installed.
if defined PAUSE_AT_END if "%MODE%"=="user" goto AskUserFolder
set "STATUS=1"
goto Finish

:UserFolderMissing
echo install.cmd: /user needs the folder to install into, for example:
echo   install.cmd /user "%USERPROFILE%\Mirtane"
set "STATUS=1"
goto Finish

:UserStopped
echo Stopped. Nothing was installed.
set "STATUS=6"
goto Finish

:UserFolderIsFile
echo install.cmd: "%PLUGINS%" is a file, not a folder. Nothing was installed.
set "STATUS=5"
goto Finish

:UserTargetIsFolder
echo install.cmd: a folder named Mirtane.8bf is in the way in "%PLUGINS%".
echo Rename or remove it, or name another folder. Nothing was installed.
set "STATUS=5"
goto Finish

:UserWriteFailed
echo install.cmd: could not write to "%PLUGINS%".
if defined FAILED_TARGET echo   the file that failed: "%FAILED_TARGET%"
echo What was done so far is noted in "%RECORD%"; uninstall.cmd /user removes it.
set "STATUS=5"
goto Finish

:Finish
if not defined PAUSE_AT_END exit /b %STATUS%
echo.
if not "%STATUS%"=="0" echo MIRTANE was NOT installed completely, exit code %STATUS%: see above.
pause
exit /b %STATUS%
