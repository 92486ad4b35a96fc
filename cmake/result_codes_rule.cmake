# vornen_result_codes(<CXX_OUT|PY_OUT|CS_OUT> FILE COMMENT): the build rule
# that writes FILE from the result codes in VornEN.h (cmake/result_codes.cmake),
# again whenever the header or the generator changes.
function(vornen_result_codes kind file comment)
  set(header ${PROJECT_SOURCE_DIR}/library/include/VornEN.h)
  set(generator ${PROJECT_SOURCE_DIR}/cmake/result_codes.cmake)
  add_custom_command(OUTPUT ${file}
    COMMAND ${CMAKE_COMMAND} -DHEADER=${header} -D${kind}=${file} -P ${generator}
    DEPENDS ${header} ${generator}
    COMMENT "${comment}"
    VERBATIM)
endfunction()
