# Installation and packages, in one of two layouts (RETRACKERS_INSTALL_LAYOUT):
#
# "folder" (the default): everything goes into ONE folder, the install
# prefix. The programs find Settings.ini beside themselves and Tavrin writes
# its log and the changed torrents there, so the folder must belong to the
# user (the "install" preset puts it at ~/Retrackers).
#
#   <prefix>/Tavrin, Keswel            the programs (.exe on Windows)
#   <prefix>/Settings.ini              commented sample settings, never replaced
#   <prefix>/retrackers.ini            the default retracker directory, replaced
#                                      only while it is one the project shipped
#   <prefix>/README.md                 the user's guide
#   <prefix>/retrackers-desktop.sh     Linux: desktop entry, default handler,
#   <prefix>/integration/*.in          and Keswel timer (install/uninstall);
#   <prefix>/integration/retrackers-desktop.ru.sh   its Russian messages
#   <prefix>/retrackers.reg,           Windows: .torrent and magnet sample
#   <prefix>/retrackers-remove.reg       and its removal
#   <prefix>/register.cmd,             Windows: registration for the user from
#   <prefix>/unregister.cmd,             this folder, and its undoing, both
#   <prefix>/registration.js             through this script
#
# "system" (Linux, the "deb" preset, prefix /usr): the programs for every
# user, who each keep their own files in their XDG folders (see
# settings/locations.h); packed as a .deb.
#
#   /usr/bin/tavrin, keswel
#   /usr/share/applications/retrackers-tavrin.desktop
#   /usr/lib/systemd/user/retrackers-keswel.service, .timer
#   /usr/share/retrackers/Settings.ini, retrackers.ini   copied for a user on first use
#                                      (retrackers.ini: the default directory)
#   /usr/share/doc/retrackers/README.md, README.ru.md, copyright, changelog.Debian.gz
#   /usr/share/man/man1/tavrin.1.gz, keswel.1.gz; man/ru/man1/ the same in Russian
#
# A Windows build also has the target "installer" (when makensis is found):
# a per-user setup program made from this folder, see
# packaging/windows/retrackers.nsi.

set(RETRACKERS_INSTALL_LAYOUT "folder" CACHE STRING "folder: all in one user-owned folder; system: /usr and a .deb")
set_property(CACHE RETRACKERS_INSTALL_LAYOUT PROPERTY STRINGS folder system)
if(RETRACKERS_INSTALL_LAYOUT STREQUAL "system")
  if(WIN32)
    message(FATAL_ERROR "RETRACKERS_INSTALL_LAYOUT=system is for Linux; Windows installs into one folder")
  endif()
  include(cmake/system_install.cmake)
  return()
endif()

set(RETRACKERS_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")

install(TARGETS Tavrin RUNTIME DESTINATION .)
if(TARGET Keswel)
  install(TARGETS Keswel RUNTIME DESTINATION .)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/README.ru.md" DESTINATION .)

if(WIN32)
  set(retrackers_sample_settings "${RETRACKERS_PACKAGING_DIR}/windows/Settings.ini")
  # The registration script and the installer's texts carry the Russian
  # messages of po/ru.po, made by CMake alone (no gettext tools needed).
  set(retrackers_registration "${PROJECT_BINARY_DIR}/windows/registration.js")
  set(RETRACKERS_INSTALLER_RUSSIAN "${PROJECT_BINARY_DIR}/windows/installer-strings-ru.nsh")
  set(retrackers_catalogue "${PROJECT_SOURCE_DIR}/cmake/po_catalogue.cmake")
  add_custom_command(
    OUTPUT "${retrackers_registration}"
    COMMAND "${CMAKE_COMMAND}" -DFORMAT=js "-DPO=${PROJECT_SOURCE_DIR}/po/ru.po"
            "-DTEMPLATE=${RETRACKERS_PACKAGING_DIR}/windows/registration.js"
            "-DOUT=${retrackers_registration}" -DNAME=RUSSIAN -P "${retrackers_catalogue}"
    DEPENDS "${PROJECT_SOURCE_DIR}/po/ru.po" "${RETRACKERS_PACKAGING_DIR}/windows/registration.js"
            "${retrackers_catalogue}"
    VERBATIM)
  add_custom_command(
    OUTPUT "${RETRACKERS_INSTALLER_RUSSIAN}"
    COMMAND "${CMAKE_COMMAND}" -DFORMAT=nsis "-DPO=${PROJECT_SOURCE_DIR}/po/ru.po"
            "-DTEMPLATE=${RETRACKERS_PACKAGING_DIR}/windows/installer-strings.nsh"
            "-DOUT=${RETRACKERS_INSTALLER_RUSSIAN}" -DNAME=LANG_RUSSIAN -P "${retrackers_catalogue}"
    DEPENDS "${PROJECT_SOURCE_DIR}/po/ru.po" "${RETRACKERS_PACKAGING_DIR}/windows/installer-strings.nsh"
            "${retrackers_catalogue}"
    VERBATIM)
  add_custom_target(windows_texts ALL DEPENDS "${retrackers_registration}" "${RETRACKERS_INSTALLER_RUSSIAN}")
  install(FILES "${RETRACKERS_PACKAGING_DIR}/windows/retrackers.reg"
                "${RETRACKERS_PACKAGING_DIR}/windows/retrackers-remove.reg"
                "${RETRACKERS_PACKAGING_DIR}/windows/register.cmd"
                "${RETRACKERS_PACKAGING_DIR}/windows/unregister.cmd"
                "${retrackers_registration}"
          DESTINATION .)
else()
  set(retrackers_sample_settings "${RETRACKERS_PACKAGING_DIR}/linux/Settings.ini")
  install(PROGRAMS "${RETRACKERS_PACKAGING_DIR}/linux/retrackers-desktop.sh" DESTINATION .)
  # The script's Russian messages, a bash table made from po/ru.po as the
  # programs' is; the script reads it when the user's language is Russian.
  set(retrackers_desktop_messages "${PROJECT_BINARY_DIR}/retrackers-desktop.ru.sh")
  add_custom_command(
    OUTPUT "${retrackers_desktop_messages}"
    COMMAND "${CMAKE_COMMAND}" "-DPO=${PROJECT_SOURCE_DIR}/po/ru.po" "-DOUT=${retrackers_desktop_messages}"
            -DNAME=russian_messages -DFORMAT=bash -P "${PROJECT_SOURCE_DIR}/cmake/po_catalogue.cmake"
    DEPENDS "${PROJECT_SOURCE_DIR}/po/ru.po" "${PROJECT_SOURCE_DIR}/cmake/po_catalogue.cmake"
    VERBATIM)
  add_custom_target(desktop_messages ALL DEPENDS "${retrackers_desktop_messages}")
  install(FILES "${RETRACKERS_PACKAGING_DIR}/linux/retrackers-tavrin.desktop.in"
                "${RETRACKERS_PACKAGING_DIR}/linux/retrackers-keswel.service.in"
                "${RETRACKERS_PACKAGING_DIR}/linux/retrackers-keswel.timer.in"
                "${retrackers_desktop_messages}"
          DESTINATION integration)
endif()

# The user's files: installed only where the folder has none, so a reinstall
# or an upgrade keeps the settings (and the TrackerCheck that Keswel wrote)
# and the user's own directory byte for byte. The directory is replaced only
# while it is byte for byte one the project shipped: the default directory or
# an earlier version of it (packaging/earlier-directories/ keeps each one),
# never one the user changed or brought.
set(RETRACKERS_DEFAULT_DIRECTORY "${RETRACKERS_PACKAGING_DIR}/retrackers-default.ini")
file(GLOB retrackers_earlier_directories "${RETRACKERS_PACKAGING_DIR}/earlier-directories/*.ini")
set(retrackers_shipped_sums "")
foreach(shipped IN LISTS RETRACKERS_DEFAULT_DIRECTORY retrackers_earlier_directories)
  file(SHA256 "${shipped}" sum)
  list(APPEND retrackers_shipped_sums "${sum}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${shipped}")
endforeach()
function(retrackers_install_user_file source name replaceable_sums)
  install(CODE "
    set(target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\")
    set(replace NO)
    set(replaceable \"${replaceable_sums}\")
    if(NOT IS_SYMLINK \"\${target}\" AND NOT IS_DIRECTORY \"\${target}\" AND EXISTS \"\${target}\")
      file(SHA256 \"\${target}\" sum)
      list(FIND replaceable \"\${sum}\" at)
      if(at GREATER -1)
        set(replace YES)
      endif()
    endif()
    if((EXISTS \"\${target}\" OR IS_SYMLINK \"\${target}\") AND NOT replace)
      message(STATUS \"Keeping your: \${target}\")
    else()
      file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}\" TYPE FILE FILES \"${source}\" RENAME \"${name}\")
    endif()")
endfunction()
retrackers_install_user_file("${retrackers_sample_settings}" Settings.ini "")
retrackers_install_user_file("${RETRACKERS_DEFAULT_DIRECTORY}" retrackers.ini "${retrackers_shipped_sums}")

# Packages: a .tar.gz on Linux, a .zip from a Windows build, each holding the
# folder above under the name "Retrackers".
set(CPACK_PACKAGE_NAME "Retrackers")
set(CPACK_PACKAGE_VENDOR "Retrackers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Tavrin and Keswel: add your provider's retrackers to torrents, and find which of them answer")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
if(WIN32)
  set(CPACK_GENERATOR "ZIP")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(retrackers_system "windows-x64")
  else()
    set(retrackers_system "windows-x86")
  endif()
else()
  set(CPACK_GENERATOR "TGZ")
  set(retrackers_system "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
endif()
# The archive's name carries the version and the system; the folder inside
# it is always "Retrackers", so unpacking it into the home folder gives the
# folder the "install" preset makes.
set(CPACK_PACKAGE_FILE_NAME "Retrackers-${PROJECT_VERSION}-${retrackers_system}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX "/Retrackers")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)

# The Windows installer: the install folder above, staged afresh (so the
# sample Settings.ini is the one packed), then packed by makensis.
if(WIN32)
  find_program(RETRACKERS_MAKENSIS makensis)
  if(RETRACKERS_MAKENSIS)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(retrackers_arch x64)
    else()
      set(retrackers_arch x86)
    endif()
    set(retrackers_stage "${PROJECT_BINARY_DIR}/installer-stage")
    set(RETRACKERS_INSTALLER "${PROJECT_BINARY_DIR}/Retrackers-${PROJECT_VERSION}-${retrackers_system}-setup.exe")
    add_custom_target(installer
      COMMAND "${CMAKE_COMMAND}" -E rm -rf "${retrackers_stage}"
      COMMAND "${CMAKE_COMMAND}" --install "${PROJECT_BINARY_DIR}" --prefix "${retrackers_stage}" --strip
      COMMAND "${RETRACKERS_MAKENSIS}" -V2 -NOCD "-DVERSION=${PROJECT_VERSION}" "-DARCH=${retrackers_arch}"
              "-DSTAGE=${retrackers_stage}" "-DOUTFILE=${RETRACKERS_INSTALLER}"
              "-DRUSSIAN_STRINGS=${RETRACKERS_INSTALLER_RUSSIAN}"
              "${RETRACKERS_PACKAGING_DIR}/windows/retrackers.nsi"
      COMMENT "Packing ${RETRACKERS_INSTALLER}"
      VERBATIM)
    add_dependencies(installer Tavrin windows_texts)
    if(TARGET Keswel)
      add_dependencies(installer Keswel)
    endif()
  endif()
endif()
