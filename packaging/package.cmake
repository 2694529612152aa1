# Installation layout and the Debian package built by tools/package: both programs in /usr/bin, the
# desktop entry, the icon and the manual pages (the command's generated from its --help).
include(GNUInstallDirs)
set(KONWERSJA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS konwersja-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET konwersja)
  install(TARGETS konwersja RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KONWERSJA_PACKAGING_DIR}/konwersja.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KONWERSJA_PACKAGING_DIR}/konwersja.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages, compressed as Debian keeps them, made from each program's --help.
set(man_dir ${CMAKE_BINARY_DIR}/man)
set(man_pages)
find_program(HELP2MAN help2man)
function(konwersja_manpage target name)
  add_custom_command(OUTPUT ${man_dir}/${target}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8 --section=1
            --version-string=${PROJECT_VERSION}
            "--name=${name}" --output=${man_dir}/${target}.1 $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${man_dir}/${target}.1
    DEPENDS ${target} VERBATIM)
  set(man_pages ${man_pages} ${man_dir}/${target}.1.gz PARENT_SCOPE)
endfunction()
if(HELP2MAN)
  konwersja_manpage(konwersja-cli "headless commands of the Paradox to Firebird conversion tool")
  if(TARGET konwersja)
    konwersja_manpage(konwersja "okno konwersji danych z Paradoxa do Firebirda")
  endif()
else()
  message(STATUS "help2man not found: no manual pages (tools/install-deps installs it)")
endif()
add_custom_target(manpages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME konwersja)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Paradox to Firebird conversion of a budgeting database")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Moves a budgeting product's whole database from its Paradox tables into its Firebird database.\n\
Includes the conversion window (konwersja) and the headless commands (konwersja-cli).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "konwersja <konwersja@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link come from dpkg-shlibdeps (libfbclient2, Qt 6, fmt, the C++ runtime);
# the embedded engine is loaded by the client at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "firebird3.0-server-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
