# The Debian package, built by CPack: harvex_<version>_<arch>.deb.
# scripts/package.sh configures a build with the prefix /usr and runs cpack.

file(STRINGS ${PROJECT_SOURCE_DIR}/platform/Version.h version_line REGEX "#define HARVEX_VERSION_TEXT")
string(REGEX MATCH "\"([0-9.]+)\"" _ "${version_line}")
set(HARVEX_PACKAGE_VERSION ${CMAKE_MATCH_1})

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/harvex)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog ${changelog_gz}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog VERBATIM)
add_custom_target(harvex_package_docs ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/harvex)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harvex)
set(CPACK_PACKAGE_VERSION ${HARVEX_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR Morvane)
set(CPACK_PACKAGE_CONTACT "Morvane <harvex@morvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch unpacker for release folders, RAR sets and ZIP files")
set(CPACK_PACKAGE_DESCRIPTION
    "Harvex works down a list of release folders, multi-volume RAR sets and\n\
ZIP files one item at a time: it finds the first volume of every RAR set,\n\
extracts or tests the archives, keeps the sample, subtitles, covers and nfo\n\
file when asked to, and cleans up after an item that came out whole.\n\
Presets keep named option sets, and the context menus of Dolphin,\n\
Nautilus, Nemo and Thunar send folders and archives to Harvex with the\n\
preset of your choice.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libunzdll.so lives in the private folder: dpkg-shlibdeps must not look for it elsewhere.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${HARVEX_COMPANION_INSTALL_DIR})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvane.com/harvex")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
