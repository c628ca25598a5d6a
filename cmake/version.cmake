# The one version of the SDK is the project's (project() in the top CMakeLists.txt). The public
# header spells it for programs that test it at compile time, and the Python package spells it
# for pip; each copy is read here and the configure stops when one disagrees, so that none can be
# left behind by a version change. Each file is a configure dependency: editing one checks again.
# Also a script, for its self-test:
#   cmake -DSOURCE_DIR=<tree> -DVERSION=<x.y.z> -P version.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  set(rezive_source_dir ${SOURCE_DIR})
  set(rezive_version ${VERSION})
else()
  set(rezive_source_dir ${PROJECT_SOURCE_DIR})
  set(rezive_version ${PROJECT_VERSION})
endif()

# The first group of `regex` on the one line of `file` that matches it, into `out`.
function(rezive_read_version file regex what out)
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  endif()
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: it holds ${what}")
  endif()
  file(STRINGS ${file} lines REGEX "${regex}")
  list(LENGTH lines count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${file}: expected one line matching '${regex}' (${what}), found ${count}")
  endif()
  string(REGEX REPLACE ".*${regex}.*" "\\1" found "${lines}")
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(rezive_expect_version file found what)
  if(NOT found STREQUAL rezive_version)
    message(FATAL_ERROR "${file} says ${what} is ${found}, the project is ${rezive_version}: "
      "make them agree")
  endif()
endfunction()

set(rezive_header ${rezive_source_dir}/include/ReziveSdk.h)
set(rezive_header_version "")
foreach(part MAJOR MINOR PATCH)
  rezive_read_version(${rezive_header} "^#define RZ_SDK_VERSION_${part} ([0-9]+)"
    "RZ_SDK_VERSION_${part}" number)
  list(APPEND rezive_header_version ${number})
endforeach()
list(JOIN rezive_header_version "." rezive_header_version)
rezive_expect_version(${rezive_header} ${rezive_header_version} "RZ_SDK_VERSION")

foreach(copy
    "python/pyproject.toml|^version = \"([0-9.]+)\"|the Python package version"
    "python/build_backend/wheel_backend.py|^VERSION = \"([0-9.]+)\"|the wheel version"
    "python/rezive/__init__.py|^__version__ = \"([0-9.]+)\"|rezive.__version__")
  string(REPLACE "|" ";" copy "${copy}")
  list(GET copy 0 path)
  list(GET copy 1 regex)
  list(GET copy 2 what)
  rezive_read_version(${rezive_source_dir}/${path} "${regex}" "${what}" found)
  rezive_expect_version(${rezive_source_dir}/${path} ${found} "${what}")
endforeach()
