// The host's colour numbers as colours. Entities and marks carry an 8-bit colour number; the
// graphics window, the pictures and the terminal all read it through this one table so that a
// colour looks the same everywhere. The table is the PC-style 256-colour layout: sixteen named
// colours in the PC's order, then the colour cube and grey ramp that 256-colour terminals use too:
//     0 black      1 blue        2 green        3 cyan         4 red         5 magenta
//     6 brown      7 light grey  8 dark grey    9 light blue  10 light green 11 light cyan
//    12 light red 13 pink       14 yellow      15 white
//    16..231 a 6 x 6 x 6 colour cube (16 + 36 r + 6 g + b, each 0..5)
//   232..255 a grey ramp from near black to near white
// Colour 10 (light green) is the default colour of new entities; 0 the default background.
#pragma once
#include <cstdint>

namespace orv::view {

struct Rgb {
  double r, g, b;  // 0..1
};

/// The colour of host colour number `n`.
Rgb color_rgb(uint8_t n);

/// Black or white, whichever stands out more on `background` (text and axes on the picture).
Rgb contrasting(Rgb background);

/// Relative luminance of a colour (0 black .. 1 white).
double luminance(Rgb c);

/// The index of colour `n` on a 256-colour terminal: the named colours reordered into the
/// terminal's order (its 1 is red where ours is blue), the cube and greys as they stand.
int terminal_color_256(uint8_t n);
/// The nearest of a terminal's eight basic colours (0 black, 1 red, 2 green, 3 yellow, 4 blue,
/// 5 magenta, 6 cyan, 7 white); `bright` tells whether the colour is a light one.
int terminal_color_8(uint8_t n, bool* bright = nullptr);

}  // namespace orv::view
