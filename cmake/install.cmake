# Installation (cmake --install, DESTDIR) and the Debian package (make package).
include(GNUInstallDirs)

install(TARGETS quorva quorva-cli quorva-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/firmware/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/firmware)
install(FILES ${CMAKE_SOURCE_DIR}/examples/blink.c ${CMAKE_SOURCE_DIR}/examples/blink.hex
              ${CMAKE_SOURCE_DIR}/examples/blink.eep ${CMAKE_SOURCE_DIR}/examples/demo.kx2
              ${CMAKE_SOURCE_DIR}/examples/Makefile
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# The manual, where the Help command looks when the working folder has none.
install(FILES ${CMAKE_SOURCE_DIR}/help/quorva.htm ${CMAKE_SOURCE_DIR}/help/production-station-en.png
              ${CMAKE_SOURCE_DIR}/help/production-station-ru.png DESTINATION ${CMAKE_INSTALL_DOCDIR})
# What Debian asks of every package's documentation folder.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(debian_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${debian_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${debian_changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${debian_changelog})
install(FILES ${debian_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/completions/quorva-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The desktop's menu entry, software-centre listing and project file type; dpkg's
# triggers refresh the desktop and MIME databases and the icon cache.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorva.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# AppStream finds a listing by its component id, so the file carries that name.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorva.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME io.github.quorva.quorva.metainfo.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorva-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME quorva.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/quorva.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(TARGET quorva_gui)
  foreach(size ${QUORVA_ICON_SIZES})
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/quorva.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# Man pages from each program's own --help and --version plus a hand-written
# description, so they cannot drift from the options.
# Not from instrumented builds: their programs are for the tests and fuzzers.
# QUORVA_MAN_PAGES tells the install tests which it is.
if(QUORVA_SANITIZE OR QUORVA_FUZZ)
  set(QUORVA_MAN_PAGES instrumented)
else()
  find_program(HELP2MAN help2man)
  if(HELP2MAN)
    set(QUORVA_MAN_PAGES built)
  else()
    set(QUORVA_MAN_PAGES help2man-missing)
    message(WARNING "help2man not found: no man pages (`make deps` installs it)")
  endif()
endif()
if(QUORVA_MAN_PAGES STREQUAL "built")
  set(man_pages)
  foreach(program quorva quorva-cli quorva-sim)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${HELP2MAN} --no-info --section=1 --include=${CMAKE_SOURCE_DIR}/man/${program}.h2m
              --output=${page} $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program} ${CMAKE_SOURCE_DIR}/man/${program}.h2m
      COMMENT "Writing the ${program} man page")
    list(APPEND man_pages ${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QUORVA maintainers <maintainers@quorva.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program of the QUORVA in-system programmer")
set(CPACK_PACKAGE_DESCRIPTION
    "Programs Atmel AVR, AT89S, AT45, AT25 and AT26 chips in the target circuit\nthrough the QUORVA box on a serial or USB-serial line: images, lock and fuse\nbits, production runs on one box or several at once, and a box simulator.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window on a Wayland desktop; without it Qt falls back to XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_STRIP_FILES ON)
include(CPack)
