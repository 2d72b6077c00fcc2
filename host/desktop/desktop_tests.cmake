# The desktop front end's tests (included by CMakeLists.app.cmake): the layout on its own, and
# orvantis --desktop run under Xvfb (skipped, saying so, where there is no Xvfb).
file(GLOB ORV_DESKTOP_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/desktop/*_test.cpp)
kuvra_add_test(host_desktop_tests ${ORV_DESKTOP_TESTS})
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)  # the tests read the screen back from the X server
target_link_libraries(host_desktop_tests PRIVATE orv_desktop PkgConfig::GLFW PkgConfig::CAIRO PkgConfig::X11)
target_compile_definitions(host_desktop_tests PRIVATE
  ORV_TEST_ORVANTIS="$<TARGET_FILE:orvantis>"
  ORV_TEST_EXAMPLES="${CMAKE_SOURCE_DIR}/examples")
add_dependencies(host_desktop_tests orvantis)
