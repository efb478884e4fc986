@echo off
rem Installs a downloaded Fotoria update once the tray client has quit.
rem Usage: win_auto_update.bat INSTALLER
setlocal
set "installer=%~1"
if "%installer%"=="" exit /b 2
if not exist "%installer%" exit /b 2

rem Wait up to a minute for Tessel to go away so no file in use is replaced.
set /a tries=0
:wait
tasklist /FI "IMAGENAME eq Tessel.exe" 2>nul | find /I "Tessel.exe" >nul
if errorlevel 1 goto install
set /a tries+=1
if %tries% geq 60 goto install
timeout /t 1 /nobreak >nul
goto wait

:install
start "" /wait "%installer%" /SILENT
start "" "%~dp0Tessel.exe"
endlocal
