# Layer check of the sources: every `#include "folder/..."` in a file of src/<folder>/ must be an
# edge the table below allows. Run as
#   cmake -DSOURCE_DIR=<path of src> -P cmake/check_layers.cmake
# It prints every forbidden include as `file:line: from -> to (#include "...")` and fails when
# there is at least one.
#
# The table is the one statement of the layering: api -> camera -> dialogs ->
# acquisition/settings/output -> device/imaging -> platform, dependencies pointing downwards only.
# `include` is the public C header (ReziveSdk.h): the layers that speak the public interface may
# include it; everything below works with its own internal constants, which the camera layer ties
# to the public ones in one place. An entry is a folder, or one header of a folder when a folder
# may see only that header.
cmake_minimum_required(VERSION 3.25)

set(LAYER_TABLE
  # folder         -> folders (or single headers) it may include
  "api             -> camera dialogs acquisition settings output device imaging platform include"
  # The camera layer wires the emulated camera into the driver seam (its backend registration),
  # so it is the one folder above the seam that may name virtual_camera.
  "camera          -> dialogs acquisition settings output device imaging platform virtual_camera include"
  "dialogs         -> acquisition settings output device imaging platform"
  # The settings records are the parameter blocks the pipeline and the auto-exposure run on; the
  # reverse edge (settings -> acquisition) stays forbidden so the tier has no cycle.
  "acquisition     -> settings device imaging platform"
  "settings        -> device imaging platform"
  "output          -> device imaging platform"
  "device          -> platform"
  "imaging         ->"
  "platform        ->"
  # The emulated camera answers the device protocol: it shares the protocol's constants and the
  # platform seam it plugs into, and nothing else of the device layer.
  "virtual_camera  -> device/protocol.h platform"
)

set(PUBLIC_HEADER_NAME "ReziveSdk.h")

if(NOT DEFINED SOURCE_DIR)
  message(FATAL_ERROR "check_layers: pass -DSOURCE_DIR=<path of src>")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "check_layers: ${SOURCE_DIR} is not a directory")
endif()

set(known_folders "")
foreach(row IN LISTS LAYER_TABLE)
  if(NOT row MATCHES "^([a-z_]+)[ ]*->(.*)$")
    message(FATAL_ERROR "check_layers: malformed table row '${row}'")
  endif()
  set(folder "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "[^ ]+" targets "${CMAKE_MATCH_2}")
  list(APPEND known_folders "${folder}")
  set(ALLOWED_${folder} ${targets})
endforeach()

# True (in out_var) when `from` may include `path` (the text between the quotes).
function(edge_allowed from to path out_var)
  set(result FALSE)
  if(to STREQUAL from)
    set(result TRUE)
  else()
    foreach(entry IN LISTS ALLOWED_${from})
      if(entry STREQUAL to OR entry STREQUAL path)
        set(result TRUE)
        break()
      endif()
    endforeach()
  endif()
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources LIST_DIRECTORIES false
  "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.hh" "${SOURCE_DIR}/*.inc"
  "${SOURCE_DIR}/*.c" "${SOURCE_DIR}/*.cc" "${SOURCE_DIR}/*.cpp")
list(SORT sources)

set(violations "")
set(checked 0)
foreach(source IN LISTS sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  if(NOT relative MATCHES "^([^/]+)/")
    list(APPEND violations "src/${relative}: a source outside every folder of the layer table")
    continue()
  endif()
  set(from "${CMAKE_MATCH_1}")
  if(NOT from IN_LIST known_folders)
    list(APPEND violations "src/${relative}: folder '${from}' is not in the layer table")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")

  # Walk the include directives in order, counting the newlines passed to know each one's line.
  # The leading newline lets the pattern demand that a directive starts its line.
  file(READ "${source}" content)
  string(PREPEND content "\n")
  set(passed_lines 0)
  while(TRUE)
    string(REGEX MATCH "\n[ \t]*#[ \t]*include[ \t]*([\"<])([^\">\n]*)[\">]" directive "${content}")
    if(NOT directive)
      break()
    endif()
    set(delimiter "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
    string(FIND "${content}" "${directive}" at)
    string(SUBSTRING "${content}" 0 ${at} before)
    string(REGEX MATCHALL "\n" newlines "${before}")
    list(LENGTH newlines count)
    math(EXPR line "${passed_lines} + ${count} + 1")
    set(passed_lines ${line})
    string(LENGTH "${directive}" length)
    math(EXPR after "${at} + ${length}")
    string(SUBSTRING "${content}" ${after} -1 content)

    set(to "")
    if(path STREQUAL PUBLIC_HEADER_NAME)
      set(to include)
    elseif(NOT delimiter STREQUAL "\"")
      continue()  # a system or third-party header
    elseif(path MATCHES "(^|/)\\.\\.(/|$)")
      list(APPEND violations
           "src/${relative}:${line}: relative include \"${path}\" hides its layer; name the folder")
      continue()
    elseif(path MATCHES "^([^/]+)/")
      set(to "${CMAKE_MATCH_1}")
      if(NOT to IN_LIST known_folders)
        list(APPEND violations
             "src/${relative}:${line}: ${from} -> ${to} (\"${path}\"): '${to}' is not in the layer table")
        continue()
      endif()
    else()
      continue()  # a header beside the file, in its own folder
    endif()

    edge_allowed("${from}" "${to}" "${path}" ok)
    if(NOT ok)
      list(APPEND violations "src/${relative}:${line}: forbidden edge ${from} -> ${to} (#include \"${path}\")")
    endif()
  endwhile()
endforeach()

list(LENGTH violations failures)
if(failures GREATER 0)
  string(REPLACE ";" "\n" report "${violations}")
  message("${report}")
  message(FATAL_ERROR "check_layers: ${failures} include(s) break the layering of ${SOURCE_DIR} "
          "(the allowed edges are the table in cmake/check_layers.cmake)")
endif()
message(STATUS "check_layers: ${checked} files of ${SOURCE_DIR} follow the layering")
