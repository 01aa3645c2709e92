# Read by cpack once per generator: the archive packs the plug-ins folder
# with its files at the top, the Debian package the command under /usr, so
# neither carries the other's layout.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL command)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
elseif(CPACK_GENERATOR MATCHES "^(TGZ|ZIP)$")
  set(CPACK_COMPONENTS_ALL plugin)
endif()
