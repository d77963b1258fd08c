@echo off
rem Removes what install.cmd added, as noted in InstallRecord.txt in the
rem product folder (or, with /user "folder", in the folder of an installation
rem for the current user), and nothing else: the plug-in files it copied, the help
rem page, the registry value HelpFile, the registry keys and folders it created
rem (only when they are empty again), and the record itself. Folders and keys
rem that other programs use stay. Running it again finds nothing to remove.
rem
rem When this window cannot change the Program Files folder it starts itself
rem again as administrator through PowerShell. Started by a double-click, in
rem that administrator window or with /pause, it waits for a key before its
rem window closes.
rem
rem Exit codes: 0 done (or nothing installed), 1 bad arguments (an empty
rem folder name or the root of a drive among them), 5 something
rem could not be removed (the record then stays, so that running it again
rem finishes the work), 6 administrator rights needed and not given.

setlocal EnableExtensions DisableDelayedExpansion

rem A double-click runs cmd /c "script": see install.cmd.
set "NAMED="
setlocal EnableDelayedExpansion
set "LAUNCH=!CMDCMDLINE!"
if defined LAUNCH if /i not "!LAUNCH:%~nx0=!"=="!LAUNCH!" set "NAMED=1"
endlocal & set "PAUSE_AT_END=%NAMED%"

set "SELF=%~f0"
set "USER_DIR="
set "USER_MODE="
set "ELEVATED="
set "STATUS=0"

:ParseArguments
rem An empty folder name ("") is refused, not taken for the end of the
rem arguments.
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
    set "USER_MODE=1"
    goto NextArgument
)
if not defined USER_MODE goto BadArgument
if defined USER_DIR goto BadArgument
set "USER_DIR=%~f1"
:NextArgument
shift
goto ParseArguments

:ArgumentsParsed
if defined USER_MODE if not defined USER_DIR goto UserFolderMissing
rem A full path without a trailing backslash ("\." resolves to the folder
rem itself); a drive's root, which has no last part, is refused: no
rem installation goes there, and its removal must not start from there.
if defined USER_DIR for %%F in ("%USER_DIR%\.") do (
    set "USER_DIR=%%~fF"
    if "%%~nxF"=="" goto RootFolderRefused
)

set "PROGRAMS=%ProgramFiles%"
if defined ProgramW6432 set "PROGRAMS=%ProgramW6432%"
set "VENDOR_DIR=%PROGRAMS%\Norlund"
set "PRODUCT_DIR=%VENDOR_DIR%\Mirtane"
set "RECORD=%PRODUCT_DIR%\InstallRecord.txt"

set "REG_ROOT=HKLM\SOFTWARE"
set "KEY1=NORLUND"
set "KEY2=NORLUND\PELT Plug-Ins"
set "KEY3=NORLUND\PELT Plug-Ins\MIRTANE"
set "KEY4=NORLUND\PELT Plug-Ins\MIRTANE\10"

if defined USER_DIR set "RECORD=%USER_DIR%\InstallRecord.txt"

if not exist "%RECORD%" goto NothingInstalled
if defined USER_DIR goto RemoveNow
rem Removing from Program Files needs an administrator: try it.
set "PROBE=%PROGRAMS%\Mirtane-rights-check.tmp"
if exist "%PROBE%\*" rd "%PROBE%" >nul 2>&1
mkdir "%PROBE%" >nul 2>&1
set "CAN_WRITE="
if exist "%PROBE%\*" set "CAN_WRITE=1"
rd "%PROBE%" >nul 2>&1
if not defined CAN_WRITE if defined ELEVATED goto StillNoRights
if not defined CAN_WRITE goto Elevate

:RemoveNow
echo Removing MIRTANE 1.1.4.
set "FAILED="

rem 1. Files, and what the record says about keys, values and folders.
for /f "usebackq tokens=1,*" %%a in ("%RECORD%") do (
    if /i "%%a"=="file" (
        set "FILE=%%b"
        call :RemoveFile
    )
    if /i "%%a"=="key" set "NEW_KEY_%%b=1"
    if /i "%%a"=="value" set "VALUE_%%b=1"
    if /i "%%a"=="dir" set "NEW_DIR_%%b=1"
)

rem 2. The registry value in each view that received it, then the keys
rem install.cmd created, deepest first.
if defined VALUE_64 call :RemoveFromView 64 /reg:64
if defined VALUE_32 call :RemoveFromView 32 /reg:32
if defined VALUE_only call :RemoveFromView only

if defined FAILED goto SomethingStayed

rem 3. The record, then the folders install.cmd created, if nothing else is in them.
del /f /q "%RECORD%" >nul 2>&1
if exist "%RECORD%" goto SomethingStayed
if defined NEW_DIR_product call :RemoveFolder "%PRODUCT_DIR%"
if defined NEW_DIR_vendor call :RemoveFolder "%VENDOR_DIR%"
if defined NEW_DIR_user-x64 call :RemoveFolder "%USER_DIR%\x64"
if defined NEW_DIR_user-x86 call :RemoveFolder "%USER_DIR%\x86"
if defined NEW_DIR_user call :RemoveFolder "%USER_DIR%"

echo Done. MIRTANE is removed; restart your host program to drop it from the menu.
goto Finish

rem ---------------------------------------------------------------------------
rem Starting again as administrator, as install.cmd does.

:Elevate
echo Removing MIRTANE from "%PROGRAMS%" needs administrator rights. Windows now
echo asks whether to allow that; the removal then runs in a new window.
set "MIRTANE_SELF=%SELF%"
powershell.exe -NoProfile -ExecutionPolicy Bypass -Command "$q = [char]34; try { $p = Start-Process -FilePath $env:ComSpec -ArgumentList ('/c ' + $q + $q + $env:MIRTANE_SELF + $q + ' /elevated' + $q) -Verb RunAs -Wait -PassThru; exit $p.ExitCode } catch { exit 255 }"
set "ELEVATED_STATUS=%ERRORLEVEL%"
if "%ELEVATED_STATUS%"=="0" goto ElevatedDone
if "%ELEVATED_STATUS%"=="255" goto NotElevated
if "%ELEVATED_STATUS%"=="9009" goto NotElevated
echo The removal in the administrator window failed with exit code
echo %ELEVATED_STATUS%; it said why in that window.
set "STATUS=%ELEVATED_STATUS%"
goto Finish

:ElevatedDone
echo The removal ran in the administrator window and succeeded.
set "PAUSE_AT_END="
goto Finish

:NotElevated
echo Administrator rights were not given, or PowerShell could not ask for them.
echo Nothing was removed.
set "STATUS=6"
goto Finish

rem ---------------------------------------------------------------------------
rem Subroutines

rem :RemoveFile removes FILE. The path travels in a variable, not an argument,
rem so that call does not expand percent signs in it a second time.
:RemoveFile
if exist "%FILE%\*" (
    echo   left alone       "%FILE%" is a folder now
    exit /b 0
)
if not exist "%FILE%" (
    echo   already gone     "%FILE%"
    exit /b 0
)
del /f /q "%FILE%" >nul 2>&1
if exist "%FILE%" (
    echo   COULD NOT REMOVE "%FILE%"
    set "FAILED=1"
    exit /b 0
)
echo   removed          "%FILE%"
exit /b 0

rem :RemoveFromView view [switch]: the value HelpFile, then the new keys.
rem Messages naming the view stay outside parenthesised blocks, where the
rem parenthesis in the view's text would end the block.
:RemoveFromView
set "VIEW=%1"
set "VIEW_SWITCH=%2"
set "VIEW_TEXT="
if "%VIEW%"=="64" set "VIEW_TEXT= (64-bit registry view)"
if "%VIEW%"=="32" set "VIEW_TEXT= (32-bit registry view)"
reg query "%REG_ROOT%\%KEY4%" /v HelpFile %VIEW_SWITCH% >nul 2>&1
if not errorlevel 1 goto DeleteHelpValue
echo   already gone     registry value HelpFile%VIEW_TEXT%
goto RemoveKeys
:DeleteHelpValue
reg delete "%REG_ROOT%\%KEY4%" /v HelpFile /f %VIEW_SWITCH% >nul 2>&1
reg query "%REG_ROOT%\%KEY4%" /v HelpFile %VIEW_SWITCH% >nul 2>&1
if not errorlevel 1 goto HelpValueStayed
echo   removed          registry value "%REG_ROOT%\%KEY4%" HelpFile%VIEW_TEXT%
goto RemoveKeys
:HelpValueStayed
echo   COULD NOT REMOVE registry value "%REG_ROOT%\%KEY4%" HelpFile%VIEW_TEXT%
set "FAILED=1"
exit /b 0
:RemoveKeys
if defined NEW_KEY_%VIEW%-4 call :RemoveKeyIfEmpty "%KEY4%"
if defined NEW_KEY_%VIEW%-3 call :RemoveKeyIfEmpty "%KEY3%"
if defined NEW_KEY_%VIEW%-2 call :RemoveKeyIfEmpty "%KEY2%"
if defined NEW_KEY_%VIEW%-1 call :RemoveKeyIfEmpty "%KEY1%"
exit /b 0

rem :RemoveKeyIfEmpty "key under HKLM\SOFTWARE", in the view of VIEW_SWITCH.
rem reg query lists a key's values (indented) and subkeys (full paths); any
rem line but the key's own name means another program uses the key.
:RemoveKeyIfEmpty
reg query "%REG_ROOT%\%~1" %VIEW_SWITCH% >nul 2>&1
if errorlevel 1 exit /b 0
set "KEY_IN_USE="
for /f "delims=" %%L in ('reg query "%REG_ROOT%\%~1" %VIEW_SWITCH% 2^>nul') do (
    if /i not "%%L"=="HKEY_LOCAL_MACHINE\SOFTWARE\%~1" if /i not "%%L"=="HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\%~1" set "KEY_IN_USE=1"
)
if not defined KEY_IN_USE goto DeleteKey
echo   kept in use      registry key "%REG_ROOT%\%~1"%VIEW_TEXT%
exit /b 0
:DeleteKey
reg delete "%REG_ROOT%\%~1" /f %VIEW_SWITCH% >nul 2>&1
reg query "%REG_ROOT%\%~1" %VIEW_SWITCH% >nul 2>&1
if errorlevel 1 goto KeyDeleted
echo   COULD NOT REMOVE registry key "%REG_ROOT%\%~1"%VIEW_TEXT%
set "FAILED=1"
exit /b 0
:KeyDeleted
echo   removed          registry key "%REG_ROOT%\%~1"%VIEW_TEXT%
exit /b 0

rem :RemoveFolder "path" removes the folder only when it is empty.
:RemoveFolder
if not exist "%~1\*" exit /b 0
rd "%~1" >nul 2>&1
if exist "%~1\*" (
    echo   kept in use      folder "%~1"
    exit /b 0
)
echo   removed          folder "%~1"
exit /b 0

rem ---------------------------------------------------------------------------
rem Messages

:Usage
echo Removes the MIRTANE 1.1.4 filter plug-in and its help page: everything that
echo install.cmd added, as noted in its record, and nothing else.
echo.
echo   uninstall.cmd                  removes the installation for all users; asks
echo                                  for administrator rights when it needs them
echo   uninstall.cmd /user "folder"   removes an installation for you alone
echo.
echo /pause waits for a key at the end, as after a double-click.
goto Finish

:BadArgument
echo uninstall.cmd: unknown argument "%~1". uninstall.cmd /? shows the usage.
set "STATUS=1"
goto Finish

:EmptyFolderName
echo uninstall.cmd: an empty folder name ("") was given. Name the folder of the
echo installation, for example:  uninstall.cmd /user "%LOCALAPPDATA%\Mirtane"
echo Nothing was removed.
set "STATUS=1"
goto Finish

:RootFolderRefused
echo uninstall.cmd: "%USER_DIR%" is the root of a drive, where no installation
echo of MIRTANE lies. Name the folder it was installed into. Nothing was removed.
set "STATUS=1"
goto Finish

:UserFolderMissing
echo uninstall.cmd: /user needs the folder of the installation, for example:
echo   uninstall.cmd /user "%LOCALAPPDATA%\Mirtane"
set "STATUS=1"
goto Finish

:StillNoRights
echo uninstall.cmd: even as administrator this window cannot change
echo "%PRODUCT_DIR%". Nothing was removed.
set "STATUS=6"
goto Finish

:NothingInstalled
echo MIRTANE is not installed: there is no "%RECORD%".
if not defined USER_DIR echo An installation for one user is removed with  uninstall.cmd /user "folder"
echo Nothing was removed.
goto Finish

:SomethingStayed
echo Some parts could not be removed, see above. Close the host program and run
echo uninstall.cmd again.
set "STATUS=5"
goto Finish

:Finish
if not defined PAUSE_AT_END exit /b %STATUS%
echo.
if not "%STATUS%"=="0" echo MIRTANE was NOT removed completely, exit code %STATUS%: see above.
pause
exit /b %STATUS%
