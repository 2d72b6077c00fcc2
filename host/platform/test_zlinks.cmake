# Small Zlinks that the platform tests load: a sound one, one without q_main, one of another version.
if(TARGET host_platform_tests)
  foreach(lib zlink_good zlink_no_main zlink_old_version)
    add_library(${lib} MODULE ${CMAKE_CURRENT_LIST_DIR}/testdata/${lib}.cpp)
    set_target_properties(${lib} PROPERTIES PREFIX "")
    target_link_libraries(${lib} PRIVATE qxcore)
    add_dependencies(host_platform_tests ${lib})
    target_compile_definitions(host_platform_tests PRIVATE
      "TEST_${lib}=\"$<TARGET_FILE:${lib}>\"")
  endforeach()
endif()
