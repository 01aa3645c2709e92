# Install rules of the plug-in, component "plugin": the files a host's
# plug-ins folder holds, laid out as they sit there, so that the install
# prefix (or the unpacked package) is the plug-ins folder itself:
#
#   Quorvel1_2.dll (Windows) or Quorvel1_2.so (Linux)
#   Quorvel1_0.js
#   HelpFolder/index.html
#
# The host finds the dialog script and the help page by these names,
# relative to its plug-ins folder, so the layout is not configurable; only
# the folder is (QUORVEL_PLUGIN_INSTALL_DIR, relative to the prefix).

set(QUORVEL_PLUGIN_INSTALL_DIR "." CACHE STRING
    "Folder of the plug-in's files, relative to the install prefix")

# The import library that MinGW makes beside the DLL is of no use to a host,
# which finds the exports with GetProcAddress: it is left out of every
# component that is installed by default.
install(TARGETS Quorvel1_2
  RUNTIME DESTINATION ${QUORVEL_PLUGIN_INSTALL_DIR} COMPONENT plugin
  LIBRARY DESTINATION ${QUORVEL_PLUGIN_INSTALL_DIR} COMPONENT plugin
  ARCHIVE DESTINATION lib COMPONENT plugin_import_library EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/gui/Quorvel1_0.js
  DESTINATION ${QUORVEL_PLUGIN_INSTALL_DIR} COMPONENT plugin)
install(FILES ${PROJECT_SOURCE_DIR}/gui/HelpFolder/index.html
  DESTINATION ${QUORVEL_PLUGIN_INSTALL_DIR}/HelpFolder COMPONENT plugin)
