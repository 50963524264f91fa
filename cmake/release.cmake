# What a release holds and how CPack packs it: on Linux a .tar.gz and a
# .deb (the "package" preset), on Windows a .zip (the "package-windows"
# preset). `cmake --install` installs the programs, their manual pages and
# documents; the samples and Debian's files go only into the packages.

include(GNUInstallDirs)

# The manual pages, with the version of project() and the date of the
# commit (SOURCE_DATE_EPOCH, which string(TIMESTAMP) honours).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VELMIRE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE VELMIRE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_status ERROR_QUIET)
  if(NOT git_status EQUAL 0)
    set(VELMIRE_SOURCE_DATE_EPOCH "")
  endif()
endif()
if(VELMIRE_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${VELMIRE_SOURCE_DATE_EPOCH})
endif()
string(TIMESTAMP VELMIRE_DATE "%Y-%m-%d" UTC)

set(manual_pages velmire.1 velmire-pack.1)
set(release_files)
foreach(page IN LISTS manual_pages)
  configure_file(man/${page}.in man/${page} @ONLY)
  # Debian's manual pages are compressed, without a name or time inside.
  add_custom_command(OUTPUT man/${page}.gz
                     COMMAND gzip -9nc man/${page} > man/${page}.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/man/${page}
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
  list(APPEND release_files ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()

# Windows users get the texts with CR LF line ends, named .txt.
foreach(text README.md:README.txt LICENSE:LICENSE.txt)
  string(REPLACE ":" ";" names ${text})
  list(GET names 0 from)
  list(GET names 1 to)
  add_custom_command(OUTPUT ${to}
                     COMMAND ${CMAKE_COMMAND} -DFROM=${PROJECT_SOURCE_DIR}/${from} -DTO=${to}
                             -P ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
                     DEPENDS ${PROJECT_SOURCE_DIR}/${from} ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake)
  list(APPEND release_files ${PROJECT_BINARY_DIR}/${to})
endforeach()
add_custom_target(release_files ALL DEPENDS ${release_files})

if(WIN32)
  install(TARGETS velmire velmire-pack RUNTIME DESTINATION . COMPONENT programs)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION . COMPONENT documents)
  install(DIRECTORY samples/ DESTINATION samples COMPONENT samples)
  set(CPACK_PACKAGE_FILE_NAME velmire-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS velmire velmire-pack RUNTIME COMPONENT programs)
  foreach(page IN LISTS manual_pages)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manuals)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT debian EXCLUDE_FROM_ALL)
  endforeach()
  install(FILES README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT documents)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)
  install(FILES cmake/debian-copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright
          COMPONENT debian EXCLUDE_FROM_ALL)
  install(DIRECTORY samples/ DESTINATION samples COMPONENT samples EXCLUDE_FROM_ALL)
  set(CPACK_PACKAGE_FILE_NAME velmire-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_PACKAGE_NAME velmire)
set(CPACK_PACKAGE_VENDOR "The velmire authors")
set(CPACK_PACKAGE_CONTACT "The velmire authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extracts the textures of Carmageddon's PIX files into images, and packs them back")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "velmire writes every texture stored in the PIX files of Carmageddon, its Splat Pack
expansion and Carmageddon 2 (with its TWT archives) as BMP or PNG files, with a report
and a page to browse them. velmire-pack puts edited images back into the PIX files.")
# Depends: computed by dpkg-shlibdeps from the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Each generator takes its components (see cmake/cpack-components.cmake);
# every file bears the time of the commit, and archives are sorted.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-components.cmake)
set(CPACK_VELMIRE_SOURCE_DATE_EPOCH "${VELMIRE_SOURCE_DATE_EPOCH}")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-file-times.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-sorted-archive.cmake)
include(CPack)
