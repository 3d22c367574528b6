# Makes one man page at build time: help2man runs PROGRAM under the C
# locale, adds INCLUDE (the program's .h2m) and writes PAGE and PAGE.gz.
# help2man and gzip are looked for here, at every build, not when the build
# was configured: a build made before help2man was installed makes its pages
# at its next build once it is there. Without them the page is left out
# (REQUIRED=ON makes that an error), and the next build tries again.
#   cmake -DPROGRAM=... -DINCLUDE=... -DPAGE=... [-DREQUIRED=ON] -P manpage.cmake
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
get_filename_component(name "${PROGRAM}" NAME)
if(NOT HELP2MAN OR NOT GZIP)
  if(REQUIRED)
    message(FATAL_ERROR "The man page of ${name} needs help2man and gzip (scripts/install-deps installs them)")
  endif()
  message(STATUS "No man page of ${name}: help2man or gzip not found")
  file(REMOVE "${PAGE}" "${PAGE}.gz")
  return()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C LANG=C LANGUAGE=
    ${HELP2MAN} --no-info --include=${INCLUDE} --output=${PAGE} ${PROGRAM}
  RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  file(REMOVE "${PAGE}")
  message(FATAL_ERROR "help2man could not make the man page of ${name}")
endif()
execute_process(COMMAND ${GZIP} -9nkf ${PAGE} RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${PAGE}")
endif()
