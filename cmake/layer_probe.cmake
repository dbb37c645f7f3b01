# Run by ctest (see ZavLayers.cmake): SOURCE includes HEADER; with the compiler
# arguments of library LOWER it must fail, because the header is not visible
# there, and with those of OWNER the header and all it includes must be found.
function(probe lib result_var error_var)
  execute_process(COMMAND ${CXX} @${FLAGS_DIR}/${lib}.flags -E -o /dev/null ${SOURCE}
                  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${error_var} "${error}" PARENT_SCOPE)
endfunction()

probe(${LOWER} lowResult lowError)
if(lowResult EQUAL 0)
  message(FATAL_ERROR "${HEADER} is visible in ${LOWER}: a lower layer can include it")
endif()
if(NOT lowError MATCHES "No such file or directory")
  message(FATAL_ERROR "${HEADER} failed in ${LOWER} for another reason than not being visible:\n${lowError}")
endif()
probe(${OWNER} ownResult ownError)
if(NOT ownResult EQUAL 0)
  message(FATAL_ERROR "${HEADER} is not found in ${OWNER} either, so the probe proves nothing:\n${ownError}")
endif()
message(STATUS "${HEADER}: refused in ${LOWER}, found in ${OWNER}")
