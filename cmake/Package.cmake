# The Debian package: `cpack -G DEB` in a Release build folder makes
# hotaru_<version>_<arch>.deb with the program in /usr/bin, the help text
# in /usr/share/hotaru (where the program looks from its own folder), the
# desktop entry and the icon.  The Qt libraries it links are found by
# dpkg-shlibdeps; the font and Qt's translations are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hotaru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Hotaru developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shift-JIS (CP932) text editor for Japanese prose")
set(CPACK_PACKAGE_DESCRIPTION
    "Hotaru keeps a file's Shift-JIS bytes exactly as they are, wraps long lines at a per-line column following Japanese line-breaking rules, and works with a Japanese input method.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
