@echo off
rem Makes the Tavrin.exe in this folder open .torrent files and magnet links
rem for you (no administrator rights needed), and takes your client into
rem Settings.ini from the program that opened .torrent files so far.
rem unregister.cmd gives both back. "/nopause" skips the final pause.
cscript //nologo "%~dp0registration.js" register
set result=%errorlevel%
if /i not "%~1"=="/nopause" pause
exit /b %result%
