# make package: a Debian package of the programs and everything installed
# with them, its library dependencies worked out by dpkg-shlibdeps.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ortelan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ortelan <dev@ortelan.app>")
set(CPACK_PACKAGE_VENDOR Ortelan)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy the music and photos of an iPod to the computer")
# Lines of at most 80 characters, as Debian's tools want them.
set(CPACK_PACKAGE_DESCRIPTION [=[
Ortelan reads the databases of an iPod and shows its tracks, playlists,
albums and pictures; what is ticked is copied into a folder: tracks as
files named from their tags, photos as JPEG files or as the device's
originals. It never writes to the device and never overwrites a file.

This package holds the program ortelan and the command-line program
ortelan-cli.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.ortelan.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its image formats (the camera roll's pictures) in this package.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, udisks2")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
