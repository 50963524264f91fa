# Run by CPack after it has installed a package's files and before it packs
# them: every file and folder gets the time of the commit, so that two
# packages made from one commit are the same bytes.
if(CPACK_VELMIRE_SOURCE_DATE_EPOCH)
  execute_process(COMMAND find ${CPACK_TEMPORARY_DIRECTORY} -exec touch -h -d @${CPACK_VELMIRE_SOURCE_DATE_EPOCH} {} +
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
