# Runs lupdate on a copy of the English .ts and fails when a source text has
# no finished translation, or when the .ts in the tree differs from what
# lupdate makes of the sources (texts added or gone without an update).
#   cmake -DLUPDATE=... -DTS=... -DSOURCES=<list file> -DWORK=<dir> -DOPTIONS=... -P CheckTranslations.cmake
foreach(var LUPDATE TS SOURCES WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckTranslations: ${var} is not set")
  endif()
endforeach()

file(MAKE_DIRECTORY ${WORK})
get_filename_component(_name ${TS} NAME)
set(_copy ${WORK}/${_name})
configure_file(${TS} ${_copy} COPYONLY)
execute_process(COMMAND ${LUPDATE} ${OPTIONS} @${SOURCES} -ts ${_copy}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${_rc}):\n${_out}${_err}")
endif()

file(READ ${_copy} _text)
# Each unfinished message: its source text, for the report.
string(REGEX MATCHALL "<source>[^<]*</source>[^<]*(<comment>[^<]*</comment>[^<]*)?(<extracomment>[^<]*</extracomment>[^<]*)?<translation type=\"unfinished\"" _unfinished "${_text}")
list(LENGTH _unfinished _count)
if(_count GREATER 0)
  set(_report "")
  foreach(m IN LISTS _unfinished)
    string(REGEX REPLACE "^<source>([^<]*)</source>.*" "\\1" _source "${m}")
    string(APPEND _report "  ${_source}\n")
  endforeach()
  message(FATAL_ERROR "${_count} text(s) without a finished English translation in ${_name}:\n${_report}"
                      "Run: cmake --build <build> --target update_translations, then translate them.")
endif()

file(READ ${TS} _original)
if(NOT _original STREQUAL _text)
  message(FATAL_ERROR "${_name} is not in step with the sources (texts gone or moved). "
                      "Run: cmake --build <build> --target update_translations")
endif()
message(STATUS "${_name}: every text translated")
