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
rem                          the log goes to <log folder>\<computer name>\Kelvra V9 Setup.log
rem                          and one line per run to <log folder>\results.txt;
rem                          unreachable or not given: %TEMP%\Kelvra V9 Setup.log
rem   <destination>          the installation folder; default C:\Program Files\Morvane\Kelvra\
rem
rem Exit code: 0 when installed now or already; otherwise that of Setup.exe
rem (1603 failed or incomplete, 1618 another setup running, 1639 bad command
rem line), or 2 when Setup.exe is not in the distribution folder.
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

rem Detection: the product key's Ver (the 32-bit view holds the same value).
set "VER="
for /f "tokens=2,*" %%A in ('reg query "HKLM\SOFTWARE\Morvane\Kelvra\V9" /v Ver 2^>nul ^| find "REG_SZ"') do set "VER=%%B"
if "%VER%"=="9.00" (
  echo Kelvra V9.0 is already installed on %COMPUTERNAME%.
  exit /b 0
)

if not exist "%DIST%\Setup.exe" (
  echo Setup.exe not found in "%DIST%".
  exit /b 2
)

set "LOGFILE="
if defined LOGROOT (
  if not exist "%LOGROOT%\%COMPUTERNAME%\" mkdir "%LOGROOT%\%COMPUTERNAME%" 2>nul
  if exist "%LOGROOT%\%COMPUTERNAME%\" set "LOGFILE=%LOGROOT%\%COMPUTERNAME%\Kelvra V9 Setup.log"
)

set ARGS=/S
if defined LOGFILE set ARGS=%ARGS% "/LOG=%LOGFILE%"
rem /D= comes last: it runs to the end of the line, blanks included.
if defined DEST set ARGS=%ARGS% /D=%DEST%

echo Installing Kelvra V9.0 from "%DIST%" ...
start "" /wait "%DIST%\Setup.exe" %ARGS%
set "RESULT=%ERRORLEVEL%"
echo Setup.exe ended with exit code %RESULT%.
if defined LOGFILE (
  >>"%LOGROOT%\results.txt" echo %DATE% %TIME% %COMPUTERNAME% %RESULT%
)
exit /b %RESULT%
