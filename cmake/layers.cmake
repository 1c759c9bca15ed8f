# One library per folder, with its files listed and the folders it may use
# named. At configure time every listed file is checked: an include
# of another folder of the project that is not named in USES (or, for
# platform/, any header but the seam platform/platform.h where only the seam
# is allowed) stops the configuration. Libraries are linked PRIVATE, so a
# symbol from a folder not named fails to link as well.
#
#   instprobe_library(NAME FOLDER SOURCES a.h a.cpp ... USES lib ... [SEAM])
#
# NAME is the CMake target; SOURCES are the folder's headers and sources
# (relative to it; headers alone make an interface library); USES names the
# targets of the folders it may include; SEAM allows platform/platform.h
# (the core's only way to the OS) and links the platform's implementation,
# instprobe_platform.
set(INSTPROBE_FOLDERS bytes unicode codepage ini regfile pe dospath pathtext
    trace probe run platform)

function(instprobe_library name folder)
  cmake_parse_arguments(ARG "SEAM" "" "SOURCES;USES" ${ARGN})
  set(allowed ${folder})
  foreach(dep ${ARG_USES})
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${name}: ${dep} must be defined before it")
    endif()
    get_target_property(dep_folder ${dep} INSTPROBE_FOLDER)
    list(APPEND allowed ${dep_folder})
  endforeach()
  list(TRANSFORM ARG_SOURCES PREPEND ${folder}/)
  foreach(file ${ARG_SOURCES})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${file} includes REGEX "^#include \"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"/]+)/.*" "\\1" used "${line}")
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      if(NOT used IN_LIST INSTPROBE_FOLDERS OR used IN_LIST allowed)
        continue()
      endif()
      if(ARG_SEAM AND header STREQUAL "platform/platform.h")
        continue()
      endif()
      message(FATAL_ERROR "${file} includes ${header}: ${folder}/ may use "
                          "only ${allowed}")
    endforeach()
  endforeach()
  set(compiled ${ARG_SOURCES})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(compiled)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${INSTPROBE_PREFIX_MAP})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_USES})
    if(ARG_SEAM)
      target_link_libraries(${name} PRIVATE instprobe_platform)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_USES})
  endif()
  set_target_properties(${name} PROPERTIES INSTPROBE_FOLDER ${folder})
endfunction()
