# `cpack -G DEB` in the build folder makes a Debian package of what `cmake --install` installs.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr for a package (scripts/package-test.sh does).
set(CPACK_PACKAGE_NAME murvel)
set(CPACK_PACKAGE_VENDOR "Telva")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Murvel maintainers <maintainers@users.noreply.c-seed-ebfc5dfe.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hides a file's contents behind a password")
set(CPACK_PACKAGE_DESCRIPTION
  "Murvel scrambles the contents of a single file in place and turns them back with the same
password: a small window to drop files on, and murvelctl for the command line. It hides
contents from casual eyes and keeps a file from being opened by accident; it is not
encryption. The record lives in the file's user.* extended attributes, so copies must
keep them (cp -a, tar --xattrs, rsync -X).")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries' packages come from dpkg-shlibdeps (dpkg-dev); the window needs Qt's platform
# plugins besides, which no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The caches that index the installed desktop entry, type and icons are rebuilt by these
# packages' triggers.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_STRIP_FILES ON)
include(CPack)
