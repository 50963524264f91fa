# Run by CPack after it has made a .tar.gz or .zip. CPack adds the files in
# the order the file system lists them, and its gzip header holds the time
# it ran: so the archive is made again from the same files, sorted by name,
# each with the time of the commit (which cmake/cpack-file-times.cmake gave
# them) and owner root, so that two packages from one commit are the same
# bytes. GNU tar and gzip make the .tar.gz, Info-ZIP's zip the .zip.
if(NOT CPACK_GENERATOR MATCHES "^(TGZ|ZIP)$" OR NOT CPACK_VELMIRE_SOURCE_DATE_EPOCH)
  return()
endif()
set(epoch ${CPACK_VELMIRE_SOURCE_DATE_EPOCH})
get_filename_component(staged_parent ${CPACK_TEMPORARY_DIRECTORY} DIRECTORY)
get_filename_component(top ${CPACK_TEMPORARY_DIRECTORY} NAME)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(REMOVE ${package})
  if(CPACK_GENERATOR STREQUAL "TGZ")
    if(CPACK_INCLUDE_TOPLEVEL_DIRECTORY)
      set(where ${staged_parent})
      set(members ${top})
    else()
      set(where ${CPACK_TEMPORARY_DIRECTORY})
      file(GLOB members RELATIVE ${where} ${where}/*)
    endif()
    execute_process(COMMAND tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mtime=@${epoch}
                            -cf - ${members}
                    COMMAND gzip -9n
                    WORKING_DIRECTORY ${where} OUTPUT_FILE ${package} COMMAND_ERROR_IS_FATAL ANY)
  else()
    # Info-ZIP's zip without extra fields (which would hold each file's
    # change time, which no one can set), times in UTC.
    file(GLOB_RECURSE members RELATIVE ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_TEMPORARY_DIRECTORY}/*)
    list(SORT members)
    list(JOIN members "\n" listing)
    file(WRITE ${staged_parent}/sorted-members.txt "${listing}\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -q -9 ${package} -@
                    INPUT_FILE ${staged_parent}/sorted-members.txt
                    WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
