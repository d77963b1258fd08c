@echo off
rem Installs the MIRTANE filter plug-in from this package:
rem   - copies x86\Mirtane.8bf or x64\Mirtane.8bf into the host's plug-ins folder,
rem   - copies MirtaneHelp.htm into the product folder,
rem   - writes the registry value the plug-in's Help button reads:
rem     HKLM\SOFTWARE\NORLUND\PELT Plug-Ins\MIRTANE\10  HelpFile = product folder
rem     with its trailing backslash, as REG_SZ (the plug-in does not expand
rem     variables), in the registry view that the installed DLL reads.
rem Every change is noted in InstallRecord.txt in the product folder, so that
rem uninstall.cmd removes exactly what was added. Running it again repairs or
rem updates an installation and adds nothing twice.
rem
rem Exit codes: 0 done, 1 bad arguments, 2 plug-ins folder missing,
rem 3 package incomplete, 4 plug-in does not suit this Windows,
rem 5 a file or registry value could not be written.

setlocal EnableExtensions DisableDelayedExpansion

set "PACKAGE=%~dp0"
set "ARCH="
set "PLUGINS="

:ParseArguments
if "%~1"=="" goto ArgumentsParsed
if "%~1"=="/?" goto Usage
if /i "%~1"=="/h" goto Usage
if /i "%~1"=="-h" goto Usage
if /i "%~1"=="--help" goto Usage
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
if not defined ARCH if "%WINDOWS_BITS%"=="64" set "ARCH=x64"
if not defined ARCH set "ARCH=x86"
if "%ARCH%"=="x64" if "%WINDOWS_BITS%"=="32" goto NoSixtyFourBit

rem The registry view the installed DLL reads: a 32-bit DLL on 64-bit Windows
rem reads the 32-bit view (WOW6432Node); 32-bit Windows has one view only.
set "VIEW=only"
set "VIEW_SWITCH="
if "%WINDOWS_BITS%"=="64" if "%ARCH%"=="x64" set "VIEW=64"
if "%WINDOWS_BITS%"=="64" if "%ARCH%"=="x86" set "VIEW=32"
if not "%VIEW%"=="only" set "VIEW_SWITCH=/reg:%VIEW%"
set "BITS_TEXT=32-bit"
if "%ARCH%"=="x64" set "BITS_TEXT=64-bit"

rem One product folder for both plug-ins, in the 64-bit Program Files on
rem 64-bit Windows whichever cmd.exe runs this.
set "PROGRAMS=%ProgramFiles%"
if defined ProgramW6432 set "PROGRAMS=%ProgramW6432%"
set "VENDOR_DIR=%PROGRAMS%\Norlund"
set "PRODUCT_DIR=%VENDOR_DIR%\Mirtane"
set "RECORD=%PRODUCT_DIR%\InstallRecord.txt"
set "HELP_TARGET=%PRODUCT_DIR%\MirtaneHelp.htm"

set "REG_ROOT=HKLM\SOFTWARE"
set "KEY1=NORLUND"
set "KEY2=NORLUND\PELT Plug-Ins"
set "KEY3=NORLUND\PELT Plug-Ins\MIRTANE"
set "KEY4=NORLUND\PELT Plug-Ins\MIRTANE\10"

rem Default plug-ins folder: the shared filter folder of current Photoshop
rem versions, in the Common Files that matches the DLL's bitness.
set "COMMON=%CommonProgramFiles%"
if "%ARCH%"=="x64" if defined CommonProgramW6432 set "COMMON=%CommonProgramW6432%"
if "%ARCH%"=="x86" if "%WINDOWS_BITS%"=="64" set "COMMON=%CommonProgramFiles(x86)%"
set "DEFAULT_PLUGINS=%COMMON%\Adobe\Plug-Ins\CC"
set "PLUGINS_NAMED=1"
if not defined PLUGINS (
    set "PLUGINS=%DEFAULT_PLUGINS%"
    set "PLUGINS_NAMED="
)
rem Drop one trailing backslash, but keep a drive root such as C:\ intact.
if "%PLUGINS:~-1%"=="\" if not "%PLUGINS:~3%"=="" set "PLUGINS=%PLUGINS:~0,-1%"
set "PLUGIN_SOURCE=%PACKAGE%%ARCH%\Mirtane.8bf"
set "HELP_SOURCE=%PACKAGE%MirtaneHelp.htm"
set "PLUGIN_TARGET=%PLUGINS%\Mirtane.8bf"
if "%PLUGINS:~-1%"=="\" set "PLUGIN_TARGET=%PLUGINS%Mirtane.8bf"

rem Check everything before changing anything.
if not exist "%PLUGIN_SOURCE%" goto PackageIncomplete
if not exist "%HELP_SOURCE%" goto PackageIncomplete
if not exist "%PLUGINS%\*" goto PluginsFolderMissing
if exist "%PLUGIN_TARGET%\*" goto PluginTargetIsFolder

echo Installing MIRTANE 1.1.4, %BITS_TEXT% plug-in.

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
set "ACTION=copied  "
if exist "%HELP_TARGET%" set "ACTION=replaced"
copy /y "%HELP_SOURCE%" "%HELP_TARGET%" >nul 2>&1
if errorlevel 1 goto WriteFailed
set "RECORD_LINE=file %HELP_TARGET%"
call :Record
echo   %ACTION% help page  "%HELP_TARGET%"

rem 3. The plug-in.
set "ACTION=copied  "
if exist "%PLUGIN_TARGET%" set "ACTION=replaced"
copy /y "%PLUGIN_SOURCE%" "%PLUGIN_TARGET%" >nul 2>&1
if errorlevel 1 goto PluginCopyFailed
set "RECORD_LINE=file %PLUGIN_TARGET%"
call :Record
echo   %ACTION% plug-in    "%PLUGIN_TARGET%"

rem 4. The registry value, noting first which keys of the path are new.
call :NoteNewKey 1 "%KEY1%"
call :NoteNewKey 2 "%KEY2%"
call :NoteNewKey 3 "%KEY3%"
call :NoteNewKey 4 "%KEY4%"
reg add "%REG_ROOT%\%KEY4%" /v HelpFile /t REG_SZ /d "%PRODUCT_DIR%\\" /f %VIEW_SWITCH% >nul 2>&1
if errorlevel 1 goto RegistryFailed
set "RECORD_LINE=value %VIEW%"
call :Record
set "VIEW_TEXT="
if "%VIEW%"=="64" set "VIEW_TEXT= (64-bit registry view)"
if "%VIEW%"=="32" set "VIEW_TEXT= (32-bit registry view)"
echo   wrote registry      "%REG_ROOT%\%KEY4%"
echo                       HelpFile = "%PRODUCT_DIR%\"%VIEW_TEXT%

echo Done. Restart your host program: the filter is in the Filter menu under
echo Norlund, as MIRTANE v1.1.4. Its Help button opens the installed help page.
echo To remove it, run uninstall.cmd.
exit /b 0

rem ---------------------------------------------------------------------------
rem Subroutines

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
rem Messages

:Usage
echo Installs the MIRTANE 1.1.4 filter plug-in and its help page.
echo.
echo   install.cmd [x86 ^| x64] ["plug-ins folder"]
echo.
echo   x86, x64          which plug-in to install: x64 for 64-bit host programs,
echo                     x86 for 32-bit ones. Default: x64 on 64-bit Windows,
echo                     x86 on 32-bit Windows.
echo   plug-ins folder   the folder your host program loads filters from. Default:
echo                     the shared plug-ins folder of Photoshop,
echo                     Common Files\Adobe\Plug-Ins\CC. See INSTALL.txt.
echo.
echo Run it from a Command Prompt opened with "Run as administrator".
echo To install both plug-ins, run it once with x86 and once with x64.
exit /b 0

:TooManyArguments
echo install.cmd: more than one plug-ins folder was named: "%PLUGINS%" and "%~1".
echo Put a folder name that contains spaces in double quotes. install.cmd /? shows the usage.
exit /b 1

:UnknownMachine
echo install.cmd: this Windows runs on a "%MACHINE%" processor; the plug-ins are
echo built for x86 and x64 Windows only. Nothing was installed.
exit /b 4

:NoSixtyFourBit
echo install.cmd: this is 32-bit Windows, which cannot load the 64-bit plug-in.
echo Run install.cmd x86 instead. Nothing was installed.
exit /b 4

:PackageIncomplete
echo install.cmd: the package is incomplete. These files must lie beside install.cmd:
echo   "%PLUGIN_SOURCE%"
echo   "%HELP_SOURCE%"
echo Unpack the whole zip file again and run install.cmd from there. Nothing was installed.
exit /b 3

:PluginsFolderMissing
echo install.cmd: the plug-ins folder "%PLUGINS%" does not exist.
if not defined PLUGINS_NAMED echo That is the default folder; your host program may keep its plug-ins elsewhere.
echo Name the folder your host program loads filters from, for example:
echo   install.cmd %ARCH% "C:\Program Files\Adobe\Adobe Photoshop 2024\Plug-ins"
echo INSTALL.txt lists the folders of common host programs. Nothing was installed.
exit /b 2

:PluginTargetIsFolder
echo install.cmd: "%PLUGIN_TARGET%" is a folder, not a plug-in file.
echo Rename or remove that folder, or name another plug-ins folder. Nothing was installed.
exit /b 5

:PluginCopyFailed
echo install.cmd: could not copy the plug-in to "%PLUGIN_TARGET%".
echo Close the host program if it is running, and run install.cmd from a Command
echo Prompt opened with "Run as administrator".
echo What was done so far is noted in "%RECORD%"; uninstall.cmd removes it.
exit /b 5

:RegistryFailed
echo install.cmd: could not write the registry value HelpFile under
echo "%REG_ROOT%\%KEY4%". Run install.cmd from a Command Prompt opened with
echo "Run as administrator". The plug-in works without it, but its Help button
echo cannot find the help page. uninstall.cmd removes what was installed.
exit /b 5

:WriteFailed
echo install.cmd: could not write to "%PRODUCT_DIR%".
echo Run install.cmd from a Command Prompt opened with "Run as administrator".
exit /b 5
