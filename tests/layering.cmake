cmake_minimum_required(VERSION 3.25)
# Each layer includes only itself and the layers below it:
#   platform (raster library, window-system adapters)  <  document core  <  everything else.
# The document window (document/ui) hosts the mouse tools and stands above them.
# Run as: cmake -DSOURCE_DIR=<repository> -P layering.cmake
set(above_platform document tools ops colour userfilters browser app cli)
set(above_document tools ops colour userfilters browser app cli)
set(allowed "")

set(faults "")
function(check_layer folder banned skip)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/${folder}/*.h
       ${SOURCE_DIR}/src/${folder}/*.cpp)
  if(skip)
    list(FILTER files EXCLUDE REGEX "${skip}")
  endif()
  foreach(f ${files})
    file(STRINGS ${SOURCE_DIR}/${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" target "${line}")
      foreach(layer ${banned})
        if(target MATCHES "^${layer}/" AND NOT "${f}:${target}" IN_LIST allowed)
          list(APPEND faults "${f} includes ${target}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

check_layer(platform "${above_platform}" "")
check_layer(document "${above_document}" "^src/document/ui/")
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the layering:\n  ${text}")
endif()
