# The Debian package: `cpack -G DEB` in the build folder (scripts/package does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavixat-setup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TavixAT Setup developers")
# No public address yet: .invalid says so rather than inventing one.
set(CPACK_PACKAGE_CONTACT "TavixAT Setup maintainers <maintainers@tavixat.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for TavixAT serial adapter modules")
# One text, not a list: CMake would join the pieces of a list with ";".
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "TavixAT Setup connects to a TavixAT serial adapter module over a serial\n"
    "port, reads the settings stored in the module (name, PIN code, serial\n"
    "line settings, Master or Slave role, remote address, discoverability)\n"
    "and writes changed settings back.\n"
    "\n"
    "The package also holds tavixat-cli, which does the same from scripts\n"
    "with exit codes, and tavixat-sim, a simulated module on a\n"
    "pseudo-terminal for trying the tool without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# A Debian revision makes the package non-native, so its change log is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tavixat-setup_<version>-<revision>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is worked out by dpkg-shlibdeps from the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
