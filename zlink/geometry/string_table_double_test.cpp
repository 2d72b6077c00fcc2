// Stand-ins for the window system's string loading and message box in the plotting tests: the
// string table entries the trace log and the warning load, and a message box that records what it
// was asked to show instead of waiting for a person.
#include <cstdio>
#include <cstring>

#include "dialogs/afx.h"
#include "dialogs/host_dialogs.h"
#include "geometry/plot_test_support.h"

std::vector<ShownMessage>& shown_messages() {
  static std::vector<ShownMessage> messages;
  return messages;
}

HINSTANCE AfxGetResourceHandle() { return nullptr; }
void AfxSetResourceHandle(HINSTANCE) {}

int LoadStringA(HINSTANCE, UINT id, char* buffer, int size) {
  static const char* const table[] = {
      "",        "Draw Spline", "Points",   "Lines",    "Parametric Spline", "NURB Spline",
      "Draw Surface", "Surface Points", "Parametric Surface", "NURB Surface", "Edit the Equation:",
      "Orvantis Kuvra Zlink\nKuvra", "Angles :", " Radians", " Degrees", " step = ", "Warning",
      "not found in equation"};
  if (id == 0 || id >= sizeof table / sizeof table[0] || size <= 0) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", table[id]);
  return static_cast<int>(std::strlen(buffer));
}

int message_box_ok(const char* text, const char* caption, int style, HWND) {
  shown_messages().push_back({text, caption, style});
  return 1;
}
