# The orvantis application, its data directory and its tests (included by host/CMakeLists.txt).
#   orvantis          the executable: command line, front end, Zlink loader, part file and exports
#   orvantis_data     the host's data directory in the build tree, copied from host/app/data, so
#                     that a write-back of ZLINKS/kuvra.eqn never touches a tracked file
#   host_app_tests    the command line's unit tests and the end-to-end tests against the built
#                     orvantis and kuvra.so
include(GNUInstallDirs)

set(ORV_APP_DIR ${CMAKE_CURRENT_SOURCE_DIR}/app)
set(ORV_DATA_BUILD_DIR ${CMAKE_CURRENT_BINARY_DIR}/app/data)
# Installed paths relative to the installation's prefix (the parent of its bin directory), so that
# an installation under any --prefix or DESTDIR finds its own Zlink and data.
set(ORV_INSTALL_ZLINK ${CMAKE_INSTALL_LIBDIR}/orvantis/kuvra.so)
set(ORV_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/orvantis)

# Copy the tracked data files into the build tree. A copy is refreshed only when its tracked file
# changes, so what a user wrote back into the build tree's copy survives an ordinary rebuild.
file(GLOB_RECURSE ORV_DATA_FILES CONFIGURE_DEPENDS RELATIVE ${ORV_APP_DIR}/data ${ORV_APP_DIR}/data/*)
set(ORV_DATA_OUTPUTS)
foreach(f ${ORV_DATA_FILES})
  add_custom_command(OUTPUT ${ORV_DATA_BUILD_DIR}/${f}
    COMMAND ${CMAKE_COMMAND} -E copy ${ORV_APP_DIR}/data/${f} ${ORV_DATA_BUILD_DIR}/${f}
    DEPENDS ${ORV_APP_DIR}/data/${f}
    COMMENT "Copying host data ${f}")
  list(APPEND ORV_DATA_OUTPUTS ${ORV_DATA_BUILD_DIR}/${f})
endforeach()
add_custom_target(orvantis_data ALL DEPENDS ${ORV_DATA_OUTPUTS})

file(GLOB ORV_APP_SOURCES CONFIGURE_DEPENDS ${ORV_APP_DIR}/*.cpp)
list(FILTER ORV_APP_SOURCES EXCLUDE REGEX "_test\\.cpp$")
list(FILTER ORV_APP_SOURCES EXCLUDE REGEX "/(main|leak_suppressions)\\.cpp$")

# Everything but main() as a library, so the tests link the same code.
add_library(orv_app STATIC ${ORV_APP_SOURCES})
target_include_directories(orv_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orv_app PUBLIC qxcore_host)
if(TARGET orv_frontend)
  target_link_libraries(orv_app PUBLIC orv_frontend)
endif()
if(TARGET orv_desktop)
  target_link_libraries(orv_app PUBLIC orv_desktop)
endif()
if(TARGET kuvra)
  set(ORV_BUILD_ZLINK $<TARGET_FILE:kuvra>)
else()
  set(ORV_BUILD_ZLINK ${CMAKE_BINARY_DIR}/zlink/entry/kuvra.so)
endif()
target_compile_definitions(orv_app PRIVATE
  ORV_VERSION="${PROJECT_VERSION}"
  ORV_BUILD_ZLINK="${ORV_BUILD_ZLINK}"
  ORV_BUILD_DATA="${ORV_DATA_BUILD_DIR}/"
  ORV_BUILD_BIN_DIR="$<TARGET_FILE_DIR:orvantis>"
  ORV_INSTALL_ZLINK="${ORV_INSTALL_ZLINK}"
  ORV_INSTALL_DATA="${ORV_INSTALL_DATA}/")

add_executable(orvantis ${ORV_APP_DIR}/main.cpp ${ORV_APP_DIR}/leak_suppressions.cpp)
target_link_libraries(orvantis PRIVATE orv_app)
set_target_properties(orvantis PROPERTIES ENABLE_EXPORTS ON
  INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
add_dependencies(orvantis orvantis_data)
if(TARGET kuvra)
  add_dependencies(orvantis kuvra)
endif()

# Install: the executable, the host's library, the Zlink and the data directory.
install(TARGETS orvantis RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qxcore LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET kuvra)
  set_target_properties(kuvra PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS kuvra LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/orvantis)
endif()
install(DIRECTORY ${ORV_APP_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orvantis)

# Tests: the command line on its own, and the whole application run as a user runs it.
file(GLOB ORV_APP_TESTS CONFIGURE_DEPENDS ${ORV_APP_DIR}/*_test.cpp)
if(ORV_APP_TESTS)
  kuvra_add_test(host_app_tests ${ORV_APP_TESTS})
  target_link_libraries(host_app_tests PRIVATE orv_app)
  target_compile_definitions(host_app_tests PRIVATE
    ORV_TEST_ORVANTIS="$<TARGET_FILE:orvantis>"
    ORV_TEST_ZLINK="${ORV_BUILD_ZLINK}"
    ORV_TEST_EXAMPLES="${CMAKE_SOURCE_DIR}/examples"
    ORV_TEST_DATA_SOURCE="${ORV_APP_DIR}/data")
  add_dependencies(host_app_tests orvantis)
endif()
if(TARGET orv_desktop)
  include(${CMAKE_CURRENT_SOURCE_DIR}/desktop/desktop_tests.cmake)
endif()
