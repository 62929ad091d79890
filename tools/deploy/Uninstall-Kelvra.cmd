@echo off
rem Removes Kelvra V9.0 from this computer without a question: the uninstall
rem counterpart of Install-Kelvra.cmd, for a Group Policy startup script or an
rem administrator's prompt. It runs the uninstall entry's QuietUninstallString,
rem found in the 64-bit or the 32-bit registry view, so it follows the product
rem into whatever folder it was installed; data files such as Kelvra.mdb stay.
rem
rem   Uninstall-Kelvra.cmd [<log folder>]
rem
rem   <log folder>  a share computers may write to: the uninstaller's log goes
rem                 to <log folder>\<computer name>\Kelvra V9 Uninstall.log and
rem                 one line per run to <log folder>\<computer name>\result.txt;
rem                 unreachable or not given: both in %TEMP%
rem
rem Exit code: that of Uninstall-64.exe (0 removed, 1603 failed, 1618 another
rem setup running, 3010 files left for removal at restart), or 0 when the
rem product is not installed.
setlocal EnableExtensions

set "LOGROOT=%~1"
if defined LOGROOT if "%LOGROOT:~-1%"=="\" set "LOGROOT=%LOGROOT:~0,-1%"

set "ENTRY=HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Kelvra V9"
set "QUIET="
call :read_quiet 64
if not defined QUIET call :read_quiet 32
call :result_folder
if not defined QUIET (
  echo Kelvra V9.0 is not installed on %COMPUTERNAME%.
  call :write_result 0 "not installed"
  exit /b 0
)

echo Removing Kelvra V9.0: %QUIET%
rem The entry's command is the quoted program and /S; the log follows it.
start "" /wait %QUIET% "/LOG=%RESULTDIR%\Kelvra V9 Uninstall.log"
set "RESULT=%ERRORLEVEL%"
echo Uninstall-64.exe ended with exit code %RESULT%.
call :write_result %RESULT% "uninstall"
exit /b %RESULT%

rem QUIET: the entry's QuietUninstallString in registry view %1 (64 or 32).
:read_quiet
for /f "tokens=2,*" %%A in ('reg query "%ENTRY%" /v QuietUninstallString /reg:%1 2^>nul ^| find "REG_SZ"') do set "QUIET=%%B"
goto :eof

rem RESULTDIR: <log folder>\<computer name> when it can be made, else %TEMP%.
:result_folder
set "RESULTDIR=%TEMP%"
if not defined LOGROOT goto :eof
if not exist "%LOGROOT%\%COMPUTERNAME%\" mkdir "%LOGROOT%\%COMPUTERNAME%" 2>nul
if exist "%LOGROOT%\%COMPUTERNAME%\" set "RESULTDIR=%LOGROOT%\%COMPUTERNAME%"
goto :eof

rem One line per run in this computer's own result file, with an ISO 8601 date.
:write_result
call :iso_now
>>"%RESULTDIR%\result.txt" echo %NOW% %COMPUTERNAME% %~1 %~2
goto :eof

:iso_now
set "NOW="
set "STAMP="
for /f "skip=1 tokens=1 delims=." %%T in ('wmic os get LocalDateTime 2^>nul') do if not defined STAMP set "STAMP=%%T"
rem Windows without wmic (11 24H2 and later) has PowerShell.
if not defined STAMP for /f %%T in ('powershell -NoProfile -Command "Get-Date -Format yyyyMMddHHmmss" 2^>nul') do set "STAMP=%%T"
if defined STAMP set "NOW=%STAMP:~0,4%-%STAMP:~4,2%-%STAMP:~6,2%T%STAMP:~8,2%:%STAMP:~10,2%:%STAMP:~12,2%"
if not defined NOW set "NOW=unknown-time"
goto :eof
