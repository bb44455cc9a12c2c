# Installs the build into a scratch prefix, builds the consumer against the installed
# package and runs it, then runs the installed rlf, which must find its plug-in.
#   cmake -DBUILD=<build dir> -DSOURCE=<consumer dir> -DSCRATCH=<dir> -P InstalledPackage.cmake
file(REMOVE_RECURSE ${SCRATCH})
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGV} failed (${status}):\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${SCRATCH}/prefix)
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${SCRATCH}/consumer -G Ninja -DCMAKE_PREFIX_PATH=${SCRATCH}/prefix)
run(${CMAKE_COMMAND} --build ${SCRATCH}/consumer)
run(${SCRATCH}/consumer/consumer ${SCRATCH}/one.rlf)
if(EXISTS ${SCRATCH}/prefix/bin/rlf)
  run(${SCRATCH}/prefix/bin/rlf export -o ${SCRATCH}/sample.rlf)
endif()
file(REMOVE_RECURSE ${SCRATCH})
