# The layer check must catch what it is there for: run over small scratch trees, a clean tree
# passes and each tree with one forbidden include fails, naming the file, the line and the edge.
#   cmake -DCHECK_SCRIPT=<check_layers.cmake> -DWORK_DIR=<scratch dir> -P check_layers_selftest.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED CHECK_SCRIPT OR NOT DEFINED WORK_DIR)
  message(FATAL_ERROR "pass -DCHECK_SCRIPT=... -DWORK_DIR=...")
endif()

# Every tree starts from files that follow the layering, including the forms the check must let
# through: a system header, a header beside the file, the one device header the virtual camera
# may see, a commented-out include and the public header where it belongs.
set(BASE_FILES
  "platform/clock.h|#pragma once\n#include <cstdint>\n"
  "device/protocol.h|#pragma once\n#include \"platform/clock.h\"\n"
  "device/transport.cpp|#include \"transport.h\"\n// #include \"camera/camera.h\"\n"
  "virtual_camera/scene.h|#include \"device/protocol.h\"\n#include \"platform/clock.h\"\n"
  "camera/camera.h|#include \"ReziveSdk.h\"\n#include \"virtual_camera/scene.h\"\n"
  "api/exports.cpp|#include <ReziveSdk.h>\n#include \"camera/camera.h\"\n")

# name | file added to the base tree | its text | what the failure report must contain
set(CASES
  "clean||||"
  "upward|device/model.cpp|#include <cstdint>\n\n#include \"camera/camera.h\"\n|src/device/model.cpp:3: forbidden edge device -> camera"
  "seam|device/transport2.cpp|  #  include \"virtual_camera/scene.h\"\n|src/device/transport2.cpp:1: forbidden edge device -> virtual_camera"
  "public_header|acquisition/pool.h|#pragma once\n\n\n#include \"ReziveSdk.h\"\n|src/acquisition/pool.h:4: forbidden edge acquisition -> include"
  "public_header_angle|output/writers.h|#include <ReziveSdk.h>\n|src/output/writers.h:1: forbidden edge output -> include"
  "single_header|virtual_camera/camera.cpp|#include \"device/protocol.h\"\n#include \"device/transport.h\"\n|src/virtual_camera/camera.cpp:2: forbidden edge virtual_camera -> device"
  "imaging_pure|imaging/kernel.h|#include \"platform/clock.h\"\n|src/imaging/kernel.h:1: forbidden edge imaging -> platform"
  "platform_pure|platform/file.cpp|#include \"device/protocol.h\"\n|src/platform/file.cpp:1: forbidden edge platform -> device"
  "peer_reverse|settings/store.h|#include \"acquisition/pool.h\"\n|src/settings/store.h:1: forbidden edge settings -> acquisition"
  "unknown_target|camera/x.cpp|#include \"gadgets/thing.h\"\n|'gadgets' is not in the layer table"
  "unknown_folder|gadgets/thing.cpp|#include <cstdint>\n|folder 'gadgets' is not in the layer table"
  "relative|output/avi.cpp|#include \"../camera/camera.h\"\n|src/output/avi.cpp:1: relative include"
)

set(failed 0)
foreach(case IN LISTS CASES)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 added)
  list(GET fields 2 text)
  list(GET fields 3 expected)
  set(tree "${WORK_DIR}/${name}/src")
  file(REMOVE_RECURSE "${WORK_DIR}/${name}")
  foreach(entry IN LISTS BASE_FILES)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 path)
    list(GET parts 1 body)
    string(REPLACE "\\n" "\n" body "${body}")
    file(WRITE "${tree}/${path}" "${body}")
  endforeach()
  if(added)
    string(REPLACE "\\n" "\n" text "${text}")
    file(WRITE "${tree}/${added}" "${text}")
  endif()

  execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${tree} -P "${CHECK_SCRIPT}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(report "${out}${err}")
  if(name STREQUAL "clean")
    if(NOT rc EQUAL 0)
      message(SEND_ERROR "case ${name}: a tree that follows the layering failed:\n${report}")
      math(EXPR failed "${failed} + 1")
    endif()
  elseif(rc EQUAL 0)
    message(SEND_ERROR "case ${name}: the forbidden include of ${added} passed the check")
    math(EXPR failed "${failed} + 1")
  else()
    string(FIND "${report}" "${expected}" found)
    if(found EQUAL -1)
      message(SEND_ERROR "case ${name}: the report lacks '${expected}':\n${report}")
      math(EXPR failed "${failed} + 1")
    endif()
  endif()
endforeach()

if(failed GREATER 0)
  message(FATAL_ERROR "${failed} case(s) of the layer check misbehaved")
endif()
message(STATUS "layer check self-test: every case behaved")
