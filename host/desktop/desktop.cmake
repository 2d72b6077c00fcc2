# The desktop front end (included by host/CMakeLists.txt when GLFW, Dear ImGui and OpenGL are found):
#   orv_desktop          the window, the painter of the host's windows, the 3D view and the prompts
#   orv_desktop_bench    frames a second while the view turns about a part file's geometry
# Its tests are added with the application's (desktop_tests.cmake), since they run orvantis.
file(GLOB ORV_DESKTOP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/desktop/*.cpp)
list(FILTER ORV_DESKTOP_SOURCES EXCLUDE REGEX "(_test|_bench)\\.cpp$")
add_library(orv_desktop STATIC ${ORV_DESKTOP_SOURCES})
target_link_libraries(orv_desktop PUBLIC orv_frontend PRIVATE PkgConfig::IMGUI PkgConfig::GLFW OpenGL::GL
  PkgConfig::CAIRO)
target_compile_definitions(orv_desktop PUBLIC ORV_HAVE_DESKTOP=1)

add_executable(orv_desktop_bench ${CMAKE_CURRENT_SOURCE_DIR}/desktop/orbit_bench.cpp)
target_link_libraries(orv_desktop_bench PRIVATE orv_desktop PkgConfig::GLFW)
