# `cpack -G DEB` in the build folder makes two Debian packages from one build, one per install
# component (dist/CMakeLists.txt), each named after the program it brings:
#   murvelctl  the command-line program: libc, libstdc++, libmagic, zlib and zstd (the
#              rescue's type database, inflate and zstd's decoder), so a server or a script gets
#              it without Qt;
#   murvel     the window and all the desktop reads (entry, type, icons, file-manager entries);
#              it depends on murvelctl of the same version, which gives the desktop's users the
#              command line too, as the single package of 1.0.0 did.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr and Debian's build flags: scripts/build-deb.sh.
set(CPACK_PACKAGE_NAME murvel)
set(CPACK_PACKAGE_VENDOR "Telva")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Murvel maintainers <maintainers@users.noreply.c-seed-ebfc5dfe.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL murvelctl murvel)
set(CPACK_COMPONENTS_GROUPING IGNORE)

# The libraries' packages come from dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Lines of the long descriptions stay under 80 characters, as Debian's tools show them.
set(CPACK_DEBIAN_MURVELCTL_PACKAGE_NAME murvelctl)
set(CPACK_DEBIAN_MURVELCTL_DESCRIPTION "codes and decodes files with a password, from the command line
murvelctl scrambles the contents of files in place and turns them back
with the same password, the work of the murvel window's button without
the window. Coding hides contents from casual eyes and keeps a file from
being opened by accident; it is not encryption. Sealing is: murvelctl
seal encrypts a file in place with a key derived from the password by
Argon2id, and checks every byte before it unseals. Coded files keep
their record in the file's user.* extended attributes, so copies must
keep them (cp -a, tar --xattrs, rsync -X); sealed files carry theirs.")
# GVfs keeps the per-file metadata in which coded files carry their lock emblem; GIO is loaded
# only when it is there (platform/CodedEmblem.h), so it is no dependency.
set(CPACK_DEBIAN_MURVELCTL_PACKAGE_SUGGESTS "gvfs")
# 1.0.0 had murvelctl in the one package murvel.
set(CPACK_DEBIAN_MURVELCTL_PACKAGE_REPLACES "murvel (<< 1.1.0)")
set(CPACK_DEBIAN_MURVELCTL_PACKAGE_BREAKS "murvel (<< 1.1.0)")

set(CPACK_DEBIAN_MURVEL_PACKAGE_NAME murvel)
set(CPACK_DEBIAN_MURVEL_DESCRIPTION "hides a file's contents behind a password
Murvel scrambles the contents of a single file in place and turns them
back with the same password: a small window to drop files on, with
context-menu entries in the file managers. Coding hides contents from
casual eyes and keeps a file from being opened by accident; sealing
encrypts them with a key derived from the password. The command line
is in the murvelctl package.")
# Qt's platform plugins, which no library names: X11 (qt6-qpa-plugins) and Wayland
# (qt6-wayland), so that the window starts on either kind of desktop.
set(CPACK_DEBIAN_MURVEL_PACKAGE_DEPENDS
  "murvelctl (= ${PROJECT_VERSION}), qt6-qpa-plugins, qt6-wayland")
# The caches that index the installed desktop entry, type and icons are rebuilt by these
# packages' triggers.
set(CPACK_DEBIAN_MURVEL_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
# GNOME Files reads the package's entry through its Python binding, which other desktops do
# without.
set(CPACK_DEBIAN_MURVEL_PACKAGE_SUGGESTS "python3-nautilus")

# Stripped as Debian strips (dh_strip): without symbols, and without the .comment and .note
# sections that name the compiler.
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripPrograms.cmake)
include(CPack)
