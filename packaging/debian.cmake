# SPDX-License-Identifier: MIT
# The Debian packages, made by "cpack -G DEB" in the build folder
# (tools/package.sh): quillane (the Runtime component) and libquillane-dev
# (Development).  Their version is the library's, from its header.
# QUILLANE_PACKAGE_MAINTAINER is set in CMakeLists.txt, beside the changelog.
set(QUILLANE_PACKAGE_RELEASE 1 CACHE STRING "Debian revision of the packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VENDOR "Quillane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILLANE_PACKAGE_MAINTAINER}")
# Each package's synopsis is the first line of its component's description.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs and the library go into the package without their debugging
# information, as Debian ships them.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${QUILLANE_RUNTIME} ${QUILLANE_DEVELOPMENT})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUILLANE_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(_quillane_deb_version "${PROJECT_VERSION}-${QUILLANE_PACKAGE_RELEASE}")

# quillane: the libraries the programs link come from dpkg-shlibdeps (Qt 6,
# the C and C++ run-time libraries); the plots are drawn in Liberation Serif
# (a Times-compatible face) and the report list in a fixed-pitch face, which
# fonts-liberation2 provides.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quillane)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
# The library's shlibs entry, and the loader's cache brought up to date
# when the package is installed or removed: by dpkg's ldconfig trigger, as
# Debian asks, and by the ldconfig calls CPack puts into postinst and postrm
# of every package that holds a library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/triggers)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "comparison of analytical-ultracentrifuge scans
Quillane reads a series of radial scans of one analytical-ultracentrifuge
cell (absorbance or interference scans taken at known times) and matches
every scan against every other one: with no offset, with a y-offset, and with
a y-offset and a position offset. It reports sums of squared deviations, RMS
deviations, offsets and the critical value of a variance-ratio F test, and
plots the differences against time and radius, for example to see whether a
cell has reached sedimentation equilibrium.
.
This package holds the desktop program quillane, the command-line runner
quillane-batch, which draws its plots as image files without a display, the
analysis library they share, and example scans.")

# libquillane-dev: the header and the link for programs built against the
# library; the library itself is in quillane, of exactly this version.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillane-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "quillane (= ${_quillane_deb_version})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "comparison of analytical-ultracentrifuge scans - development files
Quillane compares the radial scans of one analytical-ultracentrifuge cell with
each other. Its analysis library has a plain C interface.
.
This package holds the header quillane.h, the link libquillane.so, the
pkg-config file quillane.pc and the CMake package Quillane, for programs that
call the library.")

include(CPack)
