# Layer libraries. A layer's library is compiled against a folder of forwarding headers
# holding its own headers and those of the layers it links, never the source root, so
# that `#include "workspace/sample_strip.h"` in an operation is "No such file".

set(VERIMOND_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# The stems (folder/name, no extension) of the sources and headers in the folders.
function(verimond_layer_files out)
  set(stems)
  foreach(folder ${ARGN})
    file(GLOB found RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(file ${found})
      string(REGEX REPLACE "\\.(cpp|h)$" "" stem ${file})
      list(APPEND stems ${stem})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES stems)
  set(${out} ${stems} PARENT_SCOPE)
endfunction()

# The folder of forwarding headers of `name` (${VERIMOND_LAYER_ROOT}/name) holding the
# headers given (paths from the source root). Each is written only when it changes, so a
# new configure rebuilds nothing; a header that is gone loses its forwarder.
function(verimond_forward_headers name)
  set(folder ${VERIMOND_LAYER_ROOT}/${name})
  foreach(header ${ARGN})
    file(CONFIGURE OUTPUT ${folder}/${header}
      CONTENT "#include \"${PROJECT_SOURCE_DIR}/${header}\"\n" @ONLY)
  endforeach()
  file(GLOB_RECURSE present RELATIVE ${folder} ${folder}/*.h)
  foreach(header ${present})
    if(NOT header IN_LIST ARGN)
      file(REMOVE ${folder}/${header})
    endif()
  endforeach()
endfunction()

# verimond_layer(target FILES stems... LINKS libraries...)
# The library of the stems' sources. It sees the headers of its stems and of the layers
# among LINKS (as they see theirs); whoever links it sees the same.
function(verimond_layer target)
  cmake_parse_arguments(LAYER "" "" "FILES;LINKS" ${ARGN})
  set(sources)
  set(headers)
  foreach(stem ${LAYER_FILES})
    if(EXISTS ${PROJECT_SOURCE_DIR}/${stem}.cpp)
      list(APPEND sources ${PROJECT_SOURCE_DIR}/${stem}.cpp)
    endif()
    if(EXISTS ${PROJECT_SOURCE_DIR}/${stem}.h)
      list(APPEND headers ${stem}.h)
    endif()
  endforeach()
  foreach(lower ${LAYER_LINKS})
    get_property(lower_headers GLOBAL PROPERTY VERIMOND_HEADERS_${lower})
    list(APPEND headers ${lower_headers})
  endforeach()
  list(REMOVE_DUPLICATES headers)
  set_property(GLOBAL PROPERTY VERIMOND_HEADERS_${target} ${headers})

  verimond_forward_headers(${target} ${headers})

  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${VERIMOND_LAYER_ROOT}/${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
endfunction()
