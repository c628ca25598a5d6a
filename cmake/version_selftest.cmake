# The version check must catch what it is there for: run over small scratch trees, a tree whose
# copies all say the project's version passes, and each tree with one copy wrong, missing or
# doubled fails, naming the file and both versions.
#   cmake -DCHECK_SCRIPT=<version.cmake> -DWORK_DIR=<scratch dir> -P version_selftest.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED CHECK_SCRIPT OR NOT DEFINED WORK_DIR)
  message(FATAL_ERROR "pass -DCHECK_SCRIPT=... -DWORK_DIR=...")
endif()

set(HEADER "#define RZ_DLL_VERSION_MAJOR 1\n#define RZ_SDK_VERSION_MAJOR 1 /**< major */\n#define RZ_SDK_VERSION_MINOR 4\n#define RZ_SDK_VERSION_PATCH 2\n#define RZ_SDK_VERSION RZ_MAKE_SDK_VERSION(1, 4, 2)\n")
set(BASE_FILES
  "include/ReziveSdk.h|${HEADER}"
  "python/pyproject.toml|[project]\nname = \"rezive\"\nversion = \"1.4.2\"\n"
  "python/build_backend/wheel_backend.py|NAME = \"rezive\"\nVERSION = \"1.4.2\"\n"
  "python/rezive/__init__.py|from .camera import Camera\n\n__version__ = \"1.4.2\"\n")

# name | project version | file replaced in the base tree | its text | what the report must say
string(REPLACE "MINOR 4" "MINOR 5" header_minor "${HEADER}")
string(REPLACE "#define RZ_SDK_VERSION_PATCH 2\n" "" header_no_patch "${HEADER}")
string(REPLACE "PATCH 2\n" "PATCH 2\n#define RZ_SDK_VERSION_PATCH 3\n" header_two_patch "${HEADER}")
set(CASES
  "clean|1.4.2|||"
  "project_bumped_alone|1.5.0|||ReziveSdk.h says RZ_SDK_VERSION is 1.4.2, the project is 1.5.0"
  "header_minor|1.4.2|include/ReziveSdk.h|${header_minor}|ReziveSdk.h says RZ_SDK_VERSION is 1.5.2, the project is 1.4.2"
  "header_without_patch|1.4.2|include/ReziveSdk.h|${header_no_patch}|(RZ_SDK_VERSION_PATCH), found 0"
  "header_patch_twice|1.4.2|include/ReziveSdk.h|${header_two_patch}|(RZ_SDK_VERSION_PATCH), found 2"
  "pyproject|1.4.2|python/pyproject.toml|version = \"1.4.1\"\n|pyproject.toml says the Python package version is 1.4.1"
  "wheel|1.4.2|python/build_backend/wheel_backend.py|VERSION = \"1.3.0\"\n|wheel_backend.py says the wheel version is 1.3.0"
  "package|1.4.2|python/rezive/__init__.py|__version__ = \"2.0.0\"\n|__init__.py says rezive.__version__ is 2.0.0"
  "package_missing|1.4.2|python/rezive/__init__.py|\"\"\"No version here.\"\"\"\n|(rezive.__version__), found 0")

set(failures "")
foreach(case IN LISTS CASES)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 version)
  list(GET fields 2 replaced)
  list(GET fields 3 text)
  list(GET fields 4 expected)
  set(tree ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${tree})
  foreach(entry IN LISTS BASE_FILES)
    string(FIND "${entry}" "|" bar)
    string(SUBSTRING "${entry}" 0 ${bar} path)
    math(EXPR start "${bar} + 1")
    string(SUBSTRING "${entry}" ${start} -1 content)
    file(WRITE ${tree}/${path} "${content}")
  endforeach()
  if(replaced)
    file(WRITE ${tree}/${replaced} "${text}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -DVERSION=${version}
                          -P ${CHECK_SCRIPT}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  # CMake wraps its error text; the expected phrase is looked for in the joined words.
  string(REGEX REPLACE "[ \n]+" " " report "${out}${err}")
  if(expected STREQUAL "")
    if(NOT rc EQUAL 0)
      list(APPEND failures "${name}: should pass, failed with: ${report}")
    endif()
  elseif(rc EQUAL 0)
    list(APPEND failures "${name}: should fail, passed")
  else()
    string(FIND "${report}" "${expected}" at)
    if(at EQUAL -1)
      list(APPEND failures "${name}: the report lacks '${expected}': ${report}")
    endif()
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" failures)
  message(FATAL_ERROR "${failures}")
endif()
list(LENGTH CASES count)
message(STATUS "version check: ${count} cases as expected")
