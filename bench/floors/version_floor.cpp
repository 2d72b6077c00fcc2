// The floor of `orvantis --version`: a program linking the libraries the host itself needs at
// start-up (cairo, ncurses, GLFW and OpenGL, the C++ library), touching one function of each so that
// each is loaded and bound, and printing a version line. What the host spends beyond it is its own.
#include <GLFW/glfw3.h>
#include <cairo.h>
#include <ncurses.h>

#include <cstdio>

int main(int argc, char**) {
  // Never true: the calls are only there to make the libraries needed.
  if (argc > 99) {
    cairo_surface_destroy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    initscr();
    glfwInit();
  }
  std::printf("floor 1.0\n");
  return 0;
}
