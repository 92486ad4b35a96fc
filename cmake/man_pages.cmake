# The manual pages, all kept in man/ at the top of the tree. Each goes
# compressed into its part's install component, in the section its name ends
# with, as Debian installs manual pages; with the tests, groff must read each
# without a warning.
#
#   include(man_pages)
#   vornen_man_page(vornctl.1 cli)
set(vornen_man_dir ${PROJECT_SOURCE_DIR}/man)

function(vornen_man_page page component)
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
    add_test(NAME man.${page}
             COMMAND ${CMAKE_COMMAND} -DGROFF=${VORNEN_GROFF} -DPAGE=${source}
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_man_page.cmake)
    set_tests_properties(man.${page} PROPERTIES LABELS unit)
  endif()
endfunction()
