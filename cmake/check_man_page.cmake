# groff reads the manual page PAGE without a warning of any kind.
#
#   cmake -DGROFF=groff -DPAGE=man/vornctl.1 -P check_man_page.cmake
execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${PAGE}
                OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "groff on ${PAGE} (exit ${rc}):\n${out}")
endif()
