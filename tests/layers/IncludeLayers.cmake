# Checks that the includes between the folders of src/ only point down the
# layers of the engine:
#
#   engine                              entry, run sequence, library calls
#   input  pressure  pycurves  wall     the phases, which never include
#                                       each other
#   core                                run context, stops and the helpers
#                                       that more than one phase takes
#   model  textio                       problem model; reader and writer
#
# A folder may include itself and the folders listed for it below; an
# include of an unknown folder, or a source file outside every folder,
# fails as well, so that a new folder has to be given its place here.
#
#   cmake -DSOURCE_DIR=<dir holding src/> -P IncludeLayers.cmake

cmake_minimum_required(VERSION 3.20)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(below_textio)
set(below_model)
set(below_core model textio)
set(below_input core model textio)
set(below_pressure core model textio)
set(below_pycurves core model textio)
set(below_wall core model textio)
# korven: the public headers of include/ (korven.h, korven/...), which only
# the engine implements.
set(below_engine core input pressure pycurves wall model textio korven)
set(layers textio model core input pressure pycurves wall engine)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.cc)
list(SORT sources)
if(NOT sources)
  message(FATAL_ERROR "no sources under ${SOURCE_DIR}/src")
endif()

set(faults 0)
foreach(source IN LISTS sources)
  string(FIND "${source}" "/" slash)
  if(slash LESS 0)
    message(SEND_ERROR "src/${source}: outside every layer")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  string(SUBSTRING "${source}" 0 ${slash} from)
  if(NOT from IN_LIST layers)
    message(SEND_ERROR "src/${source}: folder '${from}' has no layer")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" target "${line}")
    string(REGEX MATCH "^[^/.]*" to "${target}")
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT to IN_LIST layers AND NOT to STREQUAL "korven")
      message(SEND_ERROR "src/${source}: includes \"${target}\", which is in no layer")
      math(EXPR faults "${faults} + 1")
    elseif(NOT to IN_LIST below_${from})
      message(SEND_ERROR "src/${source}: includes \"${target}\" (${from} -> ${to})")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layers in ${count} files")
endif()
message(STATUS "${count} files, every include points down the layers")
