# The rest of the Zlink: equation files, plotting, dialogs and the run driver, compiled against the
# host's interface headers (sdk/orvantis/*.h) and resolved against qxcore.
file(GLOB KUVRA_CORE_SOURCES CONFIGURE_DEPENDS
     eqfile/*.cpp geometry/*.cpp dialogs/*.cpp entry/*.cpp)
list(FILTER KUVRA_CORE_SOURCES EXCLUDE REGEX "_test\\.cpp$")
if(NOT KUVRA_CORE_SOURCES)
  return()
endif()
add_library(kuvra_core STATIC ${KUVRA_CORE_SOURCES})
target_include_directories(kuvra_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kuvra_core PUBLIC kuvra_lang orvantis_sdk)

# The plotters alone (no dialogs, no run driver), for a program that brings its own host services.
file(GLOB KUVRA_PLOT_SOURCES CONFIGURE_DEPENDS geometry/*.cpp)
list(FILTER KUVRA_PLOT_SOURCES EXCLUDE REGEX "_test\\.cpp$")
add_library(kuvra_plot STATIC ${KUVRA_PLOT_SOURCES})
target_link_libraries(kuvra_plot PUBLIC kuvra_lang orvantis_sdk)

file(GLOB KUVRA_CORE_TESTS CONFIGURE_DEPENDS eqfile/*_test.cpp geometry/*_test.cpp
     dialogs/*_test.cpp entry/*_test.cpp)
if(KUVRA_CORE_TESTS)
  kuvra_add_test(kuvra_core_tests ${KUVRA_CORE_TESTS})
  # The tests run the Zlink in-process against the real host and look into its database and
  # windows, so they, unlike the Zlink itself, see the host's own headers.
  target_link_libraries(kuvra_core_tests PRIVATE kuvra_core qxcore_host)
endif()

# The plug-in (kuvra.so) is defined by the run driver's folder.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/entry/CMakeLists.txt)
  add_subdirectory(entry)
endif()
