@echo off
rem Registers the Ostrel logger server and the spreadsheet server of this folder, so that Kestrova
rem finds them. Run it once after unpacking (on Windows from a command prompt run as administrator).
rem "Register.cmd /u" removes the registration again.
if /i "%~1"=="/u" goto remove
rem The logger server is a windowed program: "start /wait" waits for it and keeps its exit code.
start "" /wait "%~dp0OstrelServer.exe" /RegServer
if errorlevel 1 goto failed
regsvr32 /s "%~dp0KestrovaSheet.dll"
if errorlevel 1 goto failed
echo Kestrova's servers are registered.
exit /b 0
:remove
start "" /wait "%~dp0OstrelServer.exe" /Stop
start "" /wait "%~dp0OstrelServer.exe" /UnregServer
regsvr32 /s /u "%~dp0KestrovaSheet.dll"
echo Kestrova's servers are no longer registered.
exit /b 0
:failed
echo Registration failed: run this script as administrator.
exit /b 1
