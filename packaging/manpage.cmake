# Makes a gzipped manual page from its template:
#   cmake -DTEMPLATE=x.1.in -DOUTPUT=x.1 -DVERSION=2.0 [-DADMIN=verimond-admin] -P manpage.cmake
# With ADMIN, @ADMIN_COMMANDS@ becomes the command lines of "verimond-admin --help", so
# the page lists every command the tool has.
if(ADMIN)
  execute_process(COMMAND ${ADMIN} --help OUTPUT_VARIABLE help RESULT_VARIABLE result
    ERROR_QUIET)
  string(REGEX MATCHALL "\n  verimond-admin [^\n]*" lines "${help}")
  if(NOT lines)
    message(FATAL_ERROR "verimond-admin --help listed no commands (exit ${result})")
  endif()
  set(ADMIN_COMMANDS "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    string(REPLACE "\\" "\\e" line "${line}")
    string(REPLACE "-" "\\-" line "${line}")
    string(APPEND ADMIN_COMMANDS "${line}\n")
  endforeach()
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
execute_process(COMMAND gzip -9nf ${OUTPUT} RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${OUTPUT}")
endif()
