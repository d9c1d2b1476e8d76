# `cpack -G DEB` in the build folder: one Debian package holding what `cmake --install` puts in
# place. With the desktop program it is "dla" (dla and dla-grow, the .desktop entry and the
# icon); built with -DDLA_BUILD_GUI=OFF it is "dla-grow", the grower alone, needing no Qt: the
# package for the nodes of a cluster. Both hold dla-grow, so each replaces the other. The
# libraries they need are found by dpkg-shlibdeps and declared as their dependencies.
set(DLA_PACKAGE_MAINTAINER "dla developers <dla-developers@example.org>"
    CACHE STRING "The Debian package's maintainer: Name <address> (the address of whoever builds and hands out the package)")

if(DLA_BUILD_GUI)
  set(DLA_PACKAGE_NAME dla)
  set(DLA_OTHER_PACKAGE dla-grow)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diffusion-limited aggregation clusters: desktop program and grower")
  set(DLA_PACKAGE_DESCRIPTION
"dla grows random fractal clusters by diffusion-limited aggregation: wanderers
walk at random and stick where they first touch the cluster, building plant
life rising from the ground or a snowflake growing from its centre.
.
This package holds the desktop program dla, which grows and shows the
clusters in a window and saves them as BMP or PNG pictures, and the headless
grower dla-grow, for scripts, studies and ensembles of many seeds. dla-grow
also grows the off-lattice model that studies of aggregation use, in the
plane and in space: discs or balls moving by exact Brownian motion, a
million particles in seconds.
.
For the nodes of a cluster, the package dla-grow holds the grower alone.")
else()
  set(DLA_PACKAGE_NAME dla-grow)
  set(DLA_OTHER_PACKAGE dla)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diffusion-limited aggregation grower for batch jobs and clusters")
  set(DLA_PACKAGE_DESCRIPTION
"dla-grow grows random fractal clusters by diffusion-limited aggregation
without a window: plant life rising from the ground, snowflakes growing from
their centre, and the off-lattice model that studies of aggregation use, in
the plane and in space (discs or balls moving by exact Brownian motion, a
million particles in seconds), written as BMP or PNG pictures, with particle
lists, statistics and JSON summaries.
.
It grows ensembles of many seeds on every processor of a machine, honours the
CPUs and memory a batch system gives it, and sums up summaries written on
many machines. An example Slurm job-array script is in its documentation.
.
This package holds the grower alone, needing no graphical libraries: the one
for the nodes of a cluster. The package dla adds the desktop program.")
endif()

if(DLA_PYTHON_PACKAGE_DEPENDS)
  string(APPEND DLA_PACKAGE_DESCRIPTION "
.
The Python module dla grows the same clusters as NumPy arrays, for notebooks
and scripts.")
endif()

set(DLA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${DLA_PACKAGE_NAME})
find_program(GZIP gzip)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
# Debian wants its changelog at the highest compression, without a time stamp.
execute_process(COMMAND ${GZIP} -9 -n -c ${PROJECT_BINARY_DIR}/debian/changelog
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${DLA_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/schedulers.md DESTINATION ${DLA_DOC_DIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/slurm-ensemble.sh DESTINATION ${DLA_DOC_DIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${DLA_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DLA_PACKAGE_MAINTAINER}")
# CPack puts the summary first, as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${DLA_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module's interpreter and NumPy, beside the libraries dpkg-shlibdeps finds.
if(DLA_PYTHON_PACKAGE_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${DLA_PYTHON_PACKAGE_DEPENDS}")
endif()
set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${DLA_OTHER_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_REPLACES ${DLA_OTHER_PACKAGE})
include(CPack)
