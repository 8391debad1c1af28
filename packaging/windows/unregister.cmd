@echo off
rem Gives .torrent files and magnet links back to the programs that opened
rem them before register.cmd (or the installer) made Tavrin open them.
rem Settings.ini stays as it is. "/nopause" skips the final pause.
cscript //nologo "%~dp0registration.js" unregister
set result=%errorlevel%
if /i not "%~1"=="/nopause" pause
exit /b %result%
