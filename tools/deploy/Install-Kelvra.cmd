@echo off
rem Installs Kelvra V9.0 on this computer unless this version is already
rem there: a Group Policy computer startup script (it runs as SYSTEM), or run
rem by hand from an administrator's prompt.
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
rem line), or 2 when Setup.exe cannot be reached in the distribution folder.
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
rem ("Ver" is there as soon as the registration began).
set "VER="
for /f "tokens=2,*" %%A in ('reg query "HKLM\SOFTWARE\Morvane\Kelvra\V9" /v InstalledVersion 2^>nul ^| find "REG_SZ"') do set "VER=%%B"
if "%VER%"=="9.00" (
  echo Kelvra V9.0 is already installed on %COMPUTERNAME%.
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
