# Install rules of the quorvel command, component "command": a relocatable
# tree in which the command finds the plug-in, the simulated host and the
# dialog script beside its own executable, as it does in the build folder:
#
#   lib/quorvel/quorvel            the command (RPATH $ORIGIN: Noravia.exe)
#   lib/quorvel/Noravia.exe        the simulated host
#   lib/quorvel/Quorvel1_2.so      the plug-in
#   lib/quorvel/Quorvel1_0.js      the installed dialog script (never written)
#   lib/quorvel/HelpFolder/index.html
#   bin/quorvel -> ../lib/quorvel/quorvel
#
# The command resolves its own folder through /proc/self/exe, which follows
# the link in bin/, so the tree works wherever the prefix is.

set(QUORVEL_COMMAND_LIB_DIR lib/quorvel)
install(TARGETS quorvel noravia_sim Quorvel1_2
  RUNTIME DESTINATION ${QUORVEL_COMMAND_LIB_DIR} COMPONENT command
  LIBRARY DESTINATION ${QUORVEL_COMMAND_LIB_DIR} COMPONENT command)
install(FILES ${PROJECT_SOURCE_DIR}/gui/Quorvel1_0.js
  DESTINATION ${QUORVEL_COMMAND_LIB_DIR} COMPONENT command)
install(FILES ${PROJECT_SOURCE_DIR}/gui/HelpFolder/index.html
  DESTINATION ${QUORVEL_COMMAND_LIB_DIR}/HelpFolder COMPONENT command)

# A relative link, made at configure time and installed as a link.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ../lib/quorvel/quorvel ${CMAKE_BINARY_DIR}/install-links/quorvel SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install-links/quorvel DESTINATION bin COMPONENT command)
