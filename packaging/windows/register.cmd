@echo off
rem Makes the Tavrin.exe in this folder open .torrent files and magnet links
rem for you (no administrator rights needed), lists it in Windows' Default
rem apps, and takes your client into Settings.ini from the program that
rem opened .torrent files so far. When another app is your choice in Default
rem apps, it opens that page with a line of guidance. unregister.cmd gives
rem everything back. "/nopause" skips the page and the final pause.
cscript //nologo "%~dp0registration.js" register
set result=%errorlevel%
if /i "%~1"=="/nopause" exit /b %result%
if %result%==0 cscript //nologo "%~dp0registration.js" defaults
pause
exit /b %result%
