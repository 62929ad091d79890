@echo off
rem Installs Kelvra V9.0 @PROJECT_VERSION@ on this computer unless this build or a
rem newer one is already there: a Group Policy computer startup script (it
rem runs as SYSTEM), or run by hand from an administrator's prompt. The build
rem writes this file with its own version (build\deploy\, and the release).
rem
rem   Install-Kelvra.cmd <distribution folder> [<log folder>] [<destination>]
rem
rem   <distribution folder>  the share holding Setup.exe and the content folders,
rem                          e.g. \\server\soft\Kelvra V9 (computer accounts need read access)
rem   <log folder>           a share computers may write to, e.g. \\server\logs\Kelvra:
rem                          the log goes to <log folder>\<computer name>\Kelvra V9 Setup.log,
rem                          one line per run to <log folder>\<computer name>\result.txt;
rem                          unreachable or not given: both in %TEMP%
rem   <destination>          the installation folder; default the installed
rem                          product's folder, else C:\Program Files\Morvane\Kelvra\
rem
rem At boot the network may come up after the startup scripts start: the
rem script looks for Setup.exe up to KELVRA_SHARE_TRIES times (default 18),
rem KELVRA_SHARE_WAIT seconds apart (default 10), three minutes in all.
rem
rem Exit code: 0 when installed now or already; otherwise that of Setup.exe
rem (1603 failed or incomplete, 1618 another setup running, 1639 bad command
rem line, 3010 installed with files replaced at the next restart), or 2 when
rem Setup.exe cannot be reached in the distribution folder.
setlocal EnableExtensions

set "DIST=%~1"
set "LOGROOT=%~2"
set "DEST=%~3"
if not defined DIST (
  echo Usage: %~nx0 ^<distribution folder^> [^<log folder^>] [^<destination^>]
  exit /b 1639
)
if "%DIST:~-1%"=="\" set "DIST=%DIST:~0,-1%"
if defined LOGROOT if "%LOGROOT:~-1%"=="\" set "LOGROOT=%LOGROOT:~0,-1%"
if not defined KELVRA_SHARE_TRIES set "KELVRA_SHARE_TRIES=18"
if not defined KELVRA_SHARE_WAIT set "KELVRA_SHARE_WAIT=10"

rem Detection: InstalledVersion is written last, only by a run that ended 0
rem ("Ver" is there as soon as the registration began). A newer build counts
rem as installed too: Setup.exe would not replace it (1638).
set "THIS=@PROJECT_VERSION@"
set "VER="
for /f "tokens=2,*" %%A in ('reg query "HKLM\SOFTWARE\Morvane\Kelvra\V9" /v InstalledVersion 2^>nul ^| find "REG_SZ"') do set "VER=%%B"
if defined VER call :at_least "%VER%" "%THIS%"
if defined VER if not errorlevel 1 (
  echo Kelvra V9.0 %VER% is already installed on %COMPUTERNAME% ^(this script installs %THIS%^).
  exit /b 0
)

rem Wait for the share, a bounded number of times.
set /a TRY=1
:wait_for_share
if exist "%DIST%\Setup.exe" goto share_ready
if %TRY% GEQ %KELVRA_SHARE_TRIES% goto share_missing
echo Waiting for "%DIST%" (try %TRY% of %KELVRA_SHARE_TRIES%) ...
set /a PINGS=KELVRA_SHARE_WAIT+1
ping -n %PINGS% 127.0.0.1 >nul
set /a TRY+=1
goto wait_for_share

:share_missing
echo Setup.exe not found in "%DIST%" after %TRY% tries.
call :result_folder
call :write_result 2 "Setup.exe not found in %DIST% after %TRY% tries"
exit /b 2

:share_ready
call :result_folder
set "LOGFILE=%RESULTDIR%\Kelvra V9 Setup.log"

set ARGS=/S "/LOG=%LOGFILE%"
rem /D= comes last: it runs to the end of the line, blanks included.
if defined DEST set ARGS=%ARGS% /D=%DEST%

echo Installing Kelvra V9.0 from "%DIST%" ...
start "" /wait "%DIST%\Setup.exe" %ARGS%
set "RESULT=%ERRORLEVEL%"
echo Setup.exe ended with exit code %RESULT%.
call :write_result %RESULT% "install from %DIST%"
exit /b %RESULT%

rem ERRORLEVEL 0 when version %1 is at least version %2: up to four numbers
rem separated by dots, compared one by one, a missing one as 0 ("9.00" is 9.0.0.0).
:at_least
setlocal
for /f "tokens=1-4 delims=." %%a in ("%~1.0.0.0.0") do set /a A1=%%a+0, A2=%%b+0, A3=%%c+0, A4=%%d+0
for /f "tokens=1-4 delims=." %%a in ("%~2.0.0.0.0") do set /a B1=%%a+0, B2=%%b+0, B3=%%c+0, B4=%%d+0
if %A1% GTR %B1% exit /b 0
if %A1% LSS %B1% exit /b 1
if %A2% GTR %B2% exit /b 0
if %A2% LSS %B2% exit /b 1
if %A3% GTR %B3% exit /b 0
if %A3% LSS %B3% exit /b 1
if %A4% LSS %B4% exit /b 1
exit /b 0

rem RESULTDIR: <log folder>\<computer name> when it can be made, else %TEMP%.
:result_folder
set "RESULTDIR=%TEMP%"
if not defined LOGROOT goto :eof
if not exist "%LOGROOT%\%COMPUTERNAME%\" mkdir "%LOGROOT%\%COMPUTERNAME%" 2>nul
if exist "%LOGROOT%\%COMPUTERNAME%\" set "RESULTDIR=%LOGROOT%\%COMPUTERNAME%"
goto :eof

rem One line per run in this computer's own result file:
rem   2026-03-14T07:05:09 <computer> <exit code> <what was done>
rem The date is ISO 8601 whatever the locale (%DATE% follows it).
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
