# Packages made by `cpack` in a build folder: the one place that includes
# CPack. Every install component gets a package of its own; a component
# joins by appending itself to QUORVEL_PACKAGE_COMPONENTS and the generator
# that packs it to QUORVEL_PACKAGE_GENERATORS before the include at the end.
#
#   plugin   Quorvel-<version>-plugin-windows-i686.zip (Windows build) or
#            Quorvel-<version>-plugin-linux-<arch>.tar.gz (Linux build):
#            the plug-ins folder's files at the top of the archive, so a
#            user unpacks it straight into the host's plug-ins folder.
#   command  quorvel_<version>_<arch>.deb (Linux build with the command):
#            the relocatable command tree under /usr, installed with
#            `apt-get install ./quorvel_*.deb`.
#
# `cpack` makes every generator's packages; QuorvelCPackComponents.cmake,
# read by cpack once per generator, keeps each component to its own kind.

set(QUORVEL_PACKAGE_COMPONENTS plugin)
if(WIN32)
  set(QUORVEL_PACKAGE_GENERATORS ZIP)
  set(QUORVEL_PACKAGE_SYSTEM windows-i686)
else()
  set(QUORVEL_PACKAGE_GENERATORS TGZ)
  string(TOLOWER "linux-${CMAKE_SYSTEM_PROCESSOR}" QUORVEL_PACKAGE_SYSTEM)
endif()

set(CPACK_PACKAGE_NAME Quorvel)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Quorvel: quality maps and outlier reports of fMRI runs")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

# Archives hold their files at the top, one archive per component; the
# libraries in them are stripped of their debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_PLUGIN_FILE_NAME
    "Quorvel-${PROJECT_VERSION}-plugin-${QUORVEL_PACKAGE_SYSTEM}")

if(TARGET quorvel)
  list(APPEND QUORVEL_PACKAGE_COMPONENTS command)
  list(APPEND QUORVEL_PACKAGE_GENERATORS DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_COMMAND_PACKAGE_NAME quorvel)
  set(CPACK_DEBIAN_COMMAND_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvel developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "quality maps, outlier counts and reports of fMRI runs, headless")
  # The shared libraries the command links, by their Debian 12 packages.
  set(CPACK_DEBIAN_COMMAND_PACKAGE_DEPENDS
      "libc6, libstdc++6, libgcc-s1, libnifti2-2, libznz3, zlib1g, libisal2, libdeflate0, libpng16-16")
endif()
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/QuorvelCPackComponents.cmake)

set(CPACK_GENERATOR ${QUORVEL_PACKAGE_GENERATORS})
set(CPACK_COMPONENTS_ALL ${QUORVEL_PACKAGE_COMPONENTS})
include(CPack)
