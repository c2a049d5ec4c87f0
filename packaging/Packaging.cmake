# What makes Bitreel a desktop program once installed: the install rules
# (program, desktop entry, icons, AppStream metainfo, MIME types, manual page,
# bash completion, documents) and the Debian package that CPack builds from them.

include(GNUInstallDirs)
# GNUInstallDirs would name the folder after the project, "Bitreel".
set(BITREEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/bitreel)

set(BITREEL_APP_ID io.github.bitreel.Bitreel)
set(BITREEL_HOMEPAGE "https://github.com/bitreel/bitreel"
    CACHE STRING "Home page named by the metainfo and the package")
set(BITREEL_MAINTAINER "Bitreel maintainers <bitreel@users.noreply.github.com>"
    CACHE STRING "Maintainer named by the Debian package")
set(BITREEL_SCREENSHOTS_URL "https://raw.githubusercontent.com/bitreel/bitreel/main/docs/screenshots"
    CACHE STRING "Where software centres fetch the screenshots of docs/screenshots")
# The day PROJECT_VERSION was released; change it with the version.
set(BITREEL_RELEASE_DATE 2026-12-07)

set(_src ${CMAKE_CURRENT_LIST_DIR})
set(_gen ${PROJECT_BINARY_DIR}/packaging)

configure_file(${_src}/${BITREEL_APP_ID}.metainfo.xml.in ${_gen}/${BITREEL_APP_ID}.metainfo.xml
               @ONLY)
configure_file(${_src}/debian/copyright.in ${_gen}/copyright @ONLY)
configure_file(${_src}/debian/changelog.in ${_gen}/changelog @ONLY)

# Debian installs the manual page and the changelog compressed; -n keeps the
# time stamps out, so that the same sources give the same package.
find_program(BITREEL_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${_gen}/bitreel.1.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${_src}/bitreel.1 ${_gen}/bitreel.1
  COMMAND ${BITREEL_GZIP} -9nf ${_gen}/bitreel.1
  DEPENDS ${_src}/bitreel.1
  VERBATIM)
add_custom_command(
  OUTPUT ${_gen}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${_gen}/changelog ${_gen}/changelog.tmp
  COMMAND ${BITREEL_GZIP} -9nf ${_gen}/changelog.tmp
  COMMAND ${CMAKE_COMMAND} -E rename ${_gen}/changelog.tmp.gz ${_gen}/changelog.gz
  DEPENDS ${_gen}/changelog
  VERBATIM)
add_custom_target(bitreel_packaging_files ALL DEPENDS ${_gen}/bitreel.1.gz ${_gen}/changelog.gz)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Resolve every symbol at start-up, so that the relocations can be made
# read-only (what distributions ask of the programs they ship).
target_link_options(bitreel PRIVATE LINKER:-z,relro LINKER:-z,now)
target_link_options(bitreel-desktop PRIVATE LINKER:-z,relro LINKER:-z,now)

install(TARGETS bitreel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Started by `bitreel` alone, so not on the PATH.
install(TARGETS bitreel-desktop RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/bitreel)
install(FILES ${_src}/${BITREEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_gen}/${BITREEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_src}/${BITREEL_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${BITREEL_APP_ID}.xml)
install(FILES ${_src}/icons/${BITREEL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${_src}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${_gen}/bitreel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion looks for a command's completion when it is first typed.
install(FILES ${_src}/bash-completion/bitreel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The machine's side of the line, as `bitreel companion` writes it.
install(FILES ${BITREEL_COMPANION_TAPES} DESTINATION ${CMAKE_INSTALL_DATADIR}/bitreel)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${_gen}/copyright
              ${_gen}/changelog.gz
        DESTINATION ${BITREEL_INSTALL_DOCDIR})

# The Debian package: `cpack -G DEB` in the build folder, or scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bitreel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Bitreel developers")
set(CPACK_PACKAGE_CONTACT ${BITREEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "list, play and record cassette tapes of the Spectrum and Jupiter Ace")
set(CPACK_PACKAGE_DESCRIPTION
    "Bitreel keeps the cassette software of two 8-bit home computers, the
Spectrum and the Jupiter Ace. It lists the blocks of a tape image file
(Spectrum TAP; Jupiter Ace TAP, DIC, BYT and JUP; TZX and PZX, Jupiter Ace
TZX included), plays an image to the real machine over an RS-232 line with
RTS/CTS handshaking, and records the blocks that the machine sends into a
new image.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BITREEL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BITREEL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only the Debian package: no source package is made.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
