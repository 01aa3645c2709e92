# Fails when a source of the command includes a header of a folder that
# cli/floors.cmake does not let its folder include, or when a folder of
# cli/ is missing from that table. The build catches the same includes
# when it compiles; this names every one of them at once, in the suite.
# Usage: cmake -DSOURCE_DIR=<repository> -P check_floors.cmake
cmake_minimum_required(VERSION 3.20)
include(${SOURCE_DIR}/cli/floors.cmake)

set(faults)
# The table itself runs one way: a folder names only folders before it.
set(below)
foreach(floor IN LISTS QUORVEL_CLI_FLOORS)
  foreach(allowed IN LISTS QUORVEL_CLI_FLOOR_${floor})
    if(NOT allowed IN_LIST below)
      list(APPEND faults "cli/floors.cmake: ${floor} names ${allowed}, which is not below it")
    endif()
  endforeach()
  list(APPEND below ${floor})
endforeach()

file(GLOB entries RELATIVE ${SOURCE_DIR}/cli ${SOURCE_DIR}/cli/*)
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY ${SOURCE_DIR}/cli/${entry} AND NOT entry IN_LIST QUORVEL_CLI_FLOORS)
    list(APPEND faults "cli/${entry}: a folder that cli/floors.cmake does not place")
  endif()
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/cli
     ${SOURCE_DIR}/cli/*.h ${SOURCE_DIR}/cli/*.cpp)
foreach(source IN LISTS sources)
  if(source MATCHES "^([a-z_]+)/")
    set(floor ${CMAKE_MATCH_1})
  else()
    set(floor main)
  endif()
  file(STRINGS ${SOURCE_DIR}/cli/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"cli/")
  foreach(line IN LISTS includes)
    if(line MATCHES "\"cli/([a-z_]+)/")
      set(target ${CMAKE_MATCH_1})
    else()
      set(target main)  # a file directly in cli/
    endif()
    if(NOT target STREQUAL floor AND NOT target IN_LIST QUORVEL_CLI_FLOOR_${floor})
      list(APPEND faults "cli/${source}: ${line}: ${floor}/ may not include ${target}/ "
                         "(it may include: ${QUORVEL_CLI_FLOOR_${floor}})")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "includes against the order of cli/floors.cmake:\n${text}")
endif()
