# Writes OUT with the source's `git describe --always --dirty`, or "unknown"
# when the source is not a checkout (or git is missing). The file is
# rewritten only when the text changes, so an unchanged tree rebuilds
# nothing.
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty
  OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE failed ERROR_QUIET)
if(failed OR version STREQUAL "")
  set(version "unknown")
endif()
string(REPLACE "\\" "\\\\" version "${version}")
string(REPLACE "\"" "\\\"" version "${version}")
set(text "#define DIAGSUM_SOURCE_VERSION \"${version}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
