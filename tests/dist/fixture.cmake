# The dist tests' set-up steps, run by CTest before them (tests/CMakeLists.txt):
#   -DSTEP=install: the build installed into WORK/prefix, and once more into
#     WORK/destdir with DESTDIR set and the prefix /opt/drensolk, so that a
#     file installed to an absolute path shows up outside WORK/destdir/opt.
#   -DSTEP=package: `cpack -G DEB` into WORK/package.
# Each starts from an empty folder, so a file no rule installs any more is gone.
foreach(var STEP BUILD WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "fixture.cmake needs -D${var}=")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${rc}):\n${out}")
  endif()
endfunction()

if(STEP STREQUAL "install")
  file(REMOVE_RECURSE ${WORK}/prefix ${WORK}/destdir)
  run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
  run(${CMAKE_COMMAND} -E env DESTDIR=${WORK}/destdir ${CMAKE_COMMAND} --install ${BUILD} --prefix /opt/drensolk)
elseif(STEP STREQUAL "package")
  file(REMOVE_RECURSE ${WORK}/package)
  run(${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK}/package)
else()
  message(FATAL_ERROR "STEP: install or package, not '${STEP}'")
endif()
