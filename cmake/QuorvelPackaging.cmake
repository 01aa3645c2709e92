# Packages made by `cpack` in a build folder: the one place that includes
# CPack. Every install component gets a package of its own; a component
# joins by appending itself to QUORVEL_PACKAGE_COMPONENTS and the generator
# that packs it to QUORVEL_PACKAGE_GENERATORS before the include at the end.
#
#   plugin   Quorvel-<version>-plugin-windows-i686.zip (Windows build) or
#            Quorvel-<version>-plugin-linux-<arch>.tar.gz (Linux build):
#            the plug-ins folder's files at the top of the archive, so a
#            user unpacks it straight into the host's plug-ins folder.

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

set(CPACK_GENERATOR ${QUORVEL_PACKAGE_GENERATORS})
set(CPACK_COMPONENTS_ALL ${QUORVEL_PACKAGE_COMPONENTS})
include(CPack)
