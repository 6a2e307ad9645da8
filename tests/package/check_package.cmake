# Installs the core into a fresh prefix, then configures, builds and runs the
# consumer project against it. Run with cmake -P; every -D below is required:
#   BUILD_DIR  the build tree to install from
#   WORK_DIR   a folder of the test's own (emptied first)
#   SOURCE_DIR the consumer project
#   GENERATOR, CXX_COMPILER, BUILD_TYPE, CXX_FLAGS, LINKER_FLAGS, LAUNCHER
#              as in the build tree, so that its libraries link
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(consumer ${WORK_DIR}/consumer)
file(REMOVE_RECURSE ${WORK_DIR})

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component development)

# The installed targets link no GUI toolkit.
file(GLOB_RECURSE target_files ${prefix}/*/inicryptTargets*.cmake)
if(NOT target_files)
  message(FATAL_ERROR "no inicryptTargets.cmake under ${prefix}")
endif()
foreach(f IN LISTS target_files)
  file(READ ${f} text)
  if(text MATCHES "Qt[0-9]*::")
    message(FATAL_ERROR "${f} links Qt")
  endif()
endforeach()

run("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${consumer} -G ${GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")

# The package was found in the prefix, not in the source or build tree.
file(STRINGS ${consumer}/CMakeCache.txt found REGEX "^inicrypt_DIR:")
string(FIND "${found}" "${prefix}/" at)
if(NOT at GREATER -1)
  message(FATAL_ERROR "inicrypt found elsewhere: ${found}")
endif()

run("build" ${CMAKE_COMMAND} --build ${consumer})
run("consumer" ${consumer}/consumer ${WORK_DIR}/config.ini)
if(NOT output MATCHES "^ok")
  message(FATAL_ERROR "consumer said: ${output}")
endif()
