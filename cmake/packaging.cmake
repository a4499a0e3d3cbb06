# The Debian package: `cpack -G DEB` in a release build (scripts/package).
# The runtime dependencies are named by hand, as Debian 12 calls the
# packages of the libraries the program links and the fonts it draws with;
# dpkg-shlibdeps would need a source package layout we do not have.
set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tolvenor)
set(CPACK_PACKAGE_CONTACT "Tolvenor <support@tolvenor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert Macintosh PICT pictures to JPEG in batches")
set(CPACK_PACKAGE_DESCRIPTION
    "Tolvenor Dravik turns Macintosh PICT pictures (.pic, .pict, .pct) into JPEG files, one or
thousands at a time, from a window or from the command line. Pictures can be rotated, resized,
colour-corrected, framed and watermarked on the way.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.tolvenor.example/")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1, libfreeimage3, libqt6core6, libqt6gui6, libqt6widgets6, qt6-qpa-plugins, libcairo2, libpango-1.0-0, libpangocairo-1.0-0, libglib2.0-0, libfontconfig1, libarchive13, libpng16-16, zlib1g, libjpeg62-turbo, libtiff6, libavcodec59, libavutil57, liblcms2-2, libgif7, fonts-liberation, fonts-dejavu-core")
# ImageMagick reads the pictures our own reader declines; the program works without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "imagemagick, shared-mime-info")

include(CPack)
