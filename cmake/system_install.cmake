# The "system" install layout and its .deb (see cmake/install.cmake for the
# list of files). Included from there; the install prefix is /usr.

set(retrackers_linux "${PROJECT_SOURCE_DIR}/packaging/linux")
set(retrackers_generated "${PROJECT_BINARY_DIR}/system-install")
set(retrackers_deb_release 1)
set(retrackers_deb_version "${PROJECT_VERSION}-${retrackers_deb_release}")
set(retrackers_maintainer "Retrackers maintainers <maintainers@users.noreply.c-seed-50c8703d.example>")
file(MAKE_DIRECTORY "${retrackers_generated}")
# Folders 0755 whatever the builder's umask (files are 0644 by default).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Program names as Debian spells them: lower case.
set_target_properties(Tavrin PROPERTIES OUTPUT_NAME tavrin)
set_target_properties(Keswel PROPERTIES OUTPUT_NAME keswel)
# Built with the hardening Debian's own packages get.
foreach(target numbers platform bencoding settings augment probe Tavrin Keswel)
  target_compile_options(${target} PRIVATE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
endforeach()
target_link_options(Tavrin PRIVATE -Wl,-z,relro,-z,now)
target_link_options(Keswel PRIVATE -Wl,-z,relro,-z,now)
install(TARGETS Tavrin Keswel RUNTIME DESTINATION bin)
# The compiler's version note (.comment) is no use in a package.
foreach(program tavrin keswel)
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\")")
endforeach()

# The desktop entry and the units from the same templates the folder
# install's script fills in, here with the fixed paths of the package.
set(TRYEXEC "${CMAKE_INSTALL_PREFIX}/bin/tavrin")
set(EXEC "${CMAKE_INSTALL_PREFIX}/bin/tavrin")
set(EXECSTART "${CMAKE_INSTALL_PREFIX}/bin/keswel")
configure_file("${retrackers_linux}/retrackers-tavrin.desktop.in" "${retrackers_generated}/retrackers-tavrin.desktop" @ONLY)
configure_file("${retrackers_linux}/retrackers-keswel.service.in" "${retrackers_generated}/retrackers-keswel.service" @ONLY)
configure_file("${retrackers_linux}/retrackers-keswel.timer.in" "${retrackers_generated}/retrackers-keswel.timer" @ONLY)
install(FILES "${retrackers_generated}/retrackers-tavrin.desktop" DESTINATION share/applications)
install(FILES "${retrackers_generated}/retrackers-keswel.service" "${retrackers_generated}/retrackers-keswel.timer"
        DESTINATION lib/systemd/user)

install(FILES "${retrackers_linux}/Settings.ini" DESTINATION share/retrackers)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/retrackers-default.ini" DESTINATION share/retrackers
        RENAME retrackers.ini)

# Debian wants its documents compressed at the highest level and without a
# time stamp (gzip -9n), so that the package builds the same bytes each time.
function(retrackers_gzip source target)
  execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${source}")
  endif()
endfunction()
set(DEB_VERSION "${retrackers_deb_version}")
set(DEB_MAINTAINER "${retrackers_maintainer}")
configure_file("${retrackers_linux}/deb/changelog.Debian.in" "${retrackers_generated}/changelog.Debian" @ONLY)
retrackers_gzip("${retrackers_generated}/changelog.Debian" "${retrackers_generated}/changelog.Debian.gz")
retrackers_gzip("${retrackers_linux}/man/tavrin.1" "${retrackers_generated}/tavrin.1.gz")
retrackers_gzip("${retrackers_linux}/man/keswel.1" "${retrackers_generated}/keswel.1.gz")
file(MAKE_DIRECTORY "${retrackers_generated}/ru")
retrackers_gzip("${retrackers_linux}/man/ru/tavrin.1" "${retrackers_generated}/ru/tavrin.1.gz")
retrackers_gzip("${retrackers_linux}/man/ru/keswel.1" "${retrackers_generated}/ru/keswel.1.gz")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${retrackers_linux}/deb/changelog.Debian.in" "${retrackers_linux}/man/tavrin.1" "${retrackers_linux}/man/keswel.1"
  "${retrackers_linux}/man/ru/tavrin.1" "${retrackers_linux}/man/ru/keswel.1")
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/README.ru.md" "${retrackers_linux}/deb/copyright"
              "${retrackers_generated}/changelog.Debian.gz"
        DESTINATION share/doc/retrackers)
install(FILES "${retrackers_generated}/tavrin.1.gz" "${retrackers_generated}/keswel.1.gz" DESTINATION share/man/man1)
install(FILES "${retrackers_generated}/ru/tavrin.1.gz" "${retrackers_generated}/ru/keswel.1.gz"
        DESTINATION share/man/ru/man1)
install(FILES "${retrackers_linux}/deb/lintian-overrides" DESTINATION share/lintian/overrides RENAME retrackers)

# The .deb. No maintainer scripts: the package holds no user's file, so
# removing or purging it leaves every user's settings, directory, log and
# torrents where they are; the desktop database is refreshed by dpkg's
# triggers.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "retrackers")
set(CPACK_PACKAGE_VENDOR "Retrackers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "add your provider's retrackers to torrents and magnet links")
# The extended description under the summary line: lines of at most 80
# characters; "." alone is an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[Many Internet providers run BitTorrent trackers of their own, called
retrackers: a client that also announces a torrent to them finds peers inside
the provider's network, which are faster and often free of traffic limits.
Which retrackers exist is listed, by city and provider, in a directory file.
.
Tavrin is the program torrent files and magnet links open with: it adds the
working retrackers of the user's city and provider and starts the user's
BitTorrent client on the result. Keswel finds which of those retrackers
answer; a systemd user timer can run it daily.
.
Each user's settings, log and changed torrents live in that user's XDG
folders (~/.config, ~/.local/state and ~/.local/share).]])
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME "retrackers")
set(CPACK_DEBIAN_PACKAGE_RELEASE "${retrackers_deb_release}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${retrackers_maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE "xz")
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
