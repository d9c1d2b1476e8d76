# `cpack -G DEB` in the build folder: one Debian package holding what `cmake --install` puts in
# place (dla-grow, and dla with its .desktop entry and icon when the desktop program is built),
# for putting the grower on the nodes of a cluster. The libraries it needs are found by
# dpkg-shlibdeps and declared as its dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dla)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Diffusion-limited aggregation grower: desktop program and dla-grow")
set(CPACK_PACKAGE_DESCRIPTION "Grows random fractal clusters by diffusion-limited aggregation. \
dla is the desktop program; dla-grow grows pictures, particle lists, statistics and ensembles \
of many seeds without a window.")
set(CPACK_PACKAGE_CONTACT "dla developers <dla@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
