// The host's 256-colour table: sixteen named colours, a colour cube and a grey ramp.
#include "view/palette.h"

#include <algorithm>

namespace orv::view {

namespace {

// The sixteen named colours, tuned a little from the raw PC values so that thin lines stay legible
// on both a black and a white background.
constexpr Rgb kNamed[16] = {
    {0.00, 0.00, 0.00},  // 0 black
    {0.15, 0.35, 0.90},  // 1 blue
    {0.10, 0.62, 0.20},  // 2 green
    {0.05, 0.65, 0.70},  // 3 cyan
    {0.80, 0.12, 0.12},  // 4 red
    {0.70, 0.20, 0.70},  // 5 magenta
    {0.65, 0.42, 0.10},  // 6 brown
    {0.75, 0.75, 0.75},  // 7 light grey
    {0.45, 0.45, 0.45},  // 8 dark grey
    {0.40, 0.60, 1.00},  // 9 light blue
    {0.35, 0.90, 0.35},  // 10 light green
    {0.40, 0.95, 0.95},  // 11 light cyan
    {1.00, 0.40, 0.40},  // 12 light red
    {1.00, 0.50, 0.90},  // 13 pink
    {1.00, 0.92, 0.25},  // 14 yellow
    {1.00, 1.00, 1.00},  // 15 white
};

// Levels of the 6 x 6 x 6 cube, as terminals define them.
constexpr double kCube[6] = {0.0, 95 / 255.0, 135 / 255.0, 175 / 255.0, 215 / 255.0, 1.0};

}  // namespace

Rgb color_rgb(uint8_t n) {
  if (n < 16) return kNamed[n];
  if (n < 232) {
    int i = n - 16;
    return {kCube[i / 36], kCube[(i / 6) % 6], kCube[i % 6]};
  }
  double g = (8 + 10 * (n - 232)) / 255.0;
  return {g, g, g};
}

double luminance(Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

Rgb contrasting(Rgb background) {
  return luminance(background) > 0.45 ? Rgb{0.1, 0.1, 0.1} : Rgb{0.92, 0.92, 0.92};
}

int terminal_color_256(uint8_t n) {
  // Ours: blue, green, cyan, red, magenta, brown; the terminal's: red, green, yellow, blue, ...
  static constexpr int kToTerminal[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
  return n < 16 ? kToTerminal[n] : n;
}

int terminal_color_8(uint8_t n, bool* bright) {
  static constexpr Rgb kBasic[8] = {{0, 0, 0}, {0.8, 0, 0}, {0, 0.8, 0}, {0.8, 0.8, 0},
                                    {0, 0, 0.8}, {0.8, 0, 0.8}, {0, 0.8, 0.8}, {0.8, 0.8, 0.8}};
  Rgb c = color_rgb(n);
  double peak = std::max({c.r, c.g, c.b});
  if (bright) *bright = luminance(c) > 0.5;
  // Compare hues at full strength, so that a dark red is still red rather than black.
  Rgb h = peak > 0.15 ? Rgb{c.r / peak * 0.8, c.g / peak * 0.8, c.b / peak * 0.8} : Rgb{0, 0, 0};
  int best = 0;
  double best_d = 1e9;
  for (int i = 0; i < 8; ++i) {
    double d = (h.r - kBasic[i].r) * (h.r - kBasic[i].r) + (h.g - kBasic[i].g) * (h.g - kBasic[i].g) +
               (h.b - kBasic[i].b) * (h.b - kBasic[i].b);
    if (d < best_d) best_d = d, best = i;
  }
  // A light grey or white is white; a mid grey too, drawn dim by the caller.
  if (best == 0 && peak > 0.3) best = 7;
  return best;
}

}  // namespace orv::view
