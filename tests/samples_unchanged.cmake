# Regenerates the sample PIX files and checks that the shipped ones are the
# same, byte for byte. Run with -DGENERATOR=... -DSAMPLES=... -DWORK=... and,
# for a generator built for another system, -DEMULATOR=... (the program that
# runs it, such as wine; a list for a command with arguments).
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND ${EMULATOR} "${GENERATOR}" "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the sample generator failed")
endif()
file(GLOB_RECURSE generated RELATIVE "${WORK}" "${WORK}/*")
file(GLOB_RECURSE shipped RELATIVE "${SAMPLES}" "${SAMPLES}/*.PIX")
list(SORT generated)
list(SORT shipped)
if(NOT generated STREQUAL shipped)
  message(FATAL_ERROR "generated ${generated}, shipped ${shipped}")
endif()
foreach(file IN LISTS generated)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/${file}" "${SAMPLES}/${file}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "samples/${file} differs from what tools/make_samples writes")
  endif()
endforeach()
