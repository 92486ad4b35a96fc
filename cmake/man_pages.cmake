# The manual pages, all kept in man/ at the top of the tree. Each goes
# compressed into its part's install component, in the section its name ends
# with, as Debian installs manual pages. With the tests, groff must read each
# without a warning, and the page of a header (HEADER) must agree with the
# exports and result codes it declares (cmake/check_man_page.cmake).
#
#   include(man_pages)
#   vornen_man_page(vornctl.1 cli)
#   vornen_man_page(VornEN.3 development HEADER library/include/VornEN.h)
set(vornen_man_dir ${PROJECT_SOURCE_DIR}/man)

function(vornen_man_page page component)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "HEADER" "")
  string(REGEX MATCH "[1-9]$" section "${page}")
  set(source ${vornen_man_dir}/${page})
  set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${source} > ${out}
    DEPENDS ${source} VERBATIM)
  add_custom_target(vornen_man_${page} ALL DEPENDS ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})

  if(VORNEN_BUILD_TESTS)
    find_program(VORNEN_GROFF groff REQUIRED)
    set(header "")
    if(arg_HEADER)
      set(header -DHEADER=${PROJECT_SOURCE_DIR}/${arg_HEADER})
    endif()
    add_test(NAME man.${page}
             COMMAND ${CMAKE_COMMAND} -DGROFF=${VORNEN_GROFF} -DPAGE=${source} ${header}
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_man_page.cmake)
    set_tests_properties(man.${page} PROPERTIES LABELS unit)
  endif()
endfunction()
