# Installs the build into STAGE, then builds and runs the snapshot example against it: with the
# C compiler and pkg-config only, and as a CMake project using find_package(ReziveSdk).
foreach(var BUILD_DIR STAGE WORK CONSUMER EXAMPLE C_COMPILER GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${STAGE} ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE})

# What an installation must hold.
file(GLOB pc_files ${STAGE}/lib*/pkgconfig/ReziveSdk.pc ${STAGE}/lib/*/pkgconfig/ReziveSdk.pc)
file(GLOB config_files ${STAGE}/lib*/cmake/ReziveSdk/ReziveSdkConfig.cmake
     ${STAGE}/lib/*/cmake/ReziveSdk/ReziveSdkConfig.cmake)
file(GLOB libraries ${STAGE}/lib*/libReziveSdk_417DIR_DEZ.so* ${STAGE}/lib/*/libReziveSdk_417DIR_DEZ.so*)
list(LENGTH libraries library_count)
if(NOT pc_files OR NOT config_files OR library_count LESS 3 OR NOT EXISTS ${STAGE}/include/ReziveSdk.h
   OR NOT EXISTS ${STAGE}/bin/rezive-cam)
  message(FATAL_ERROR "incomplete installation: pc=${pc_files} config=${config_files} "
                      "libraries=${libraries}")
endif()
foreach(library ${libraries})
  if(library MATCHES "\\.so$")
    if(NOT IS_SYMLINK ${library})
      message(FATAL_ERROR "${library} should be a link to the versioned library")
    endif()
    get_filename_component(libdir ${library} DIRECTORY)
  endif()
endforeach()
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)

# 1. pkg-config and the C compiler, as a Makefile would do it.
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run(pkg-config --cflags ReziveSdk)
string(STRIP "${last_output}" cflags)
run(pkg-config --libs ReziveSdk)
string(STRIP "${last_output}" libs)
separate_arguments(cflags UNIX_COMMAND "${cflags}")
separate_arguments(libs UNIX_COMMAND "${libs}")
# The build's own C flags too, so that a sanitizer build links its runtime.
separate_arguments(extra_flags UNIX_COMMAND "${C_FLAGS}")
run(${C_COMPILER} -std=c11 -Wall -Wextra -Werror ${extra_flags} ${cflags} ${EXAMPLE} -o ${WORK}/snapshot_with_pkg_config ${libs})
set(ENV{LD_LIBRARY_PATH} ${libdir})
run(${WORK}/snapshot_with_pkg_config ${WORK}/pkg-config.png)
if(NOT EXISTS ${WORK}/pkg-config.png)
  message(FATAL_ERROR "the pkg-config build wrote no image")
endif()
unset(ENV{LD_LIBRARY_PATH})

# 2. A CMake project with find_package.
run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/cmake-build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${STAGE} -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_C_FLAGS=${C_FLAGS}"
    -DEXAMPLE=${EXAMPLE})
run(${CMAKE_COMMAND} --build ${WORK}/cmake-build)
run(${WORK}/cmake-build/snapshot_with_cmake_package ${WORK}/cmake-package.png)
if(NOT EXISTS ${WORK}/cmake-package.png)
  message(FATAL_ERROR "the find_package build wrote no image")
endif()

# 3. The installed tool finds its library through its run path.
run(${STAGE}/bin/rezive-cam --version)
message(STATUS "installation in ${STAGE} builds and runs: ${last_output}")
