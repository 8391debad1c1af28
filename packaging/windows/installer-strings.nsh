; The installer's own texts, in English. Each is a message of po/ru.po
; (po/update.sh takes them into the template); the build makes the Russian
; LangStrings of the same names from po/ru.po (cmake/po_catalogue.cmake,
; FORMAT nsis). One LangString a line, its text in double quotes; $0 and
; $INSTDIR are the installer's variables, kept as they are in a translation.
LangString PROGRAMS ${LANG_ENGLISH} "Tavrin and Keswel"
LangString SECTION_REGISTER ${LANG_ENGLISH} "Open .torrent files and magnet links with Tavrin"
LangString SECTION_TASK ${LANG_ENGLISH} "Run Keswel every day (Task Scheduler)"
LangString KEEPING_DIRECTORY ${LANG_ENGLISH} "Keeping your retrackers.ini"
LangString REGISTRATION_FAILED ${LANG_ENGLISH} "The registration script ended with $0; run register.cmd in $INSTDIR to try again."
LangString TASK_REFUSED ${LANG_ENGLISH} "The Task Scheduler refused the daily task ($0); the README shows how to create it by hand."
LangString DEFAULTS_GUIDANCE ${LANG_ENGLISH} "Windows lets only you choose the default app for torrents: in the Default apps page that opens now, choose Tavrin for .torrent and for MAGNET."
LangString WRONG_ARCHITECTURE ${LANG_ENGLISH} "This is the installer for 64-bit Windows; use the x86 one."
