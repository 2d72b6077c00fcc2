// The host's globals that the Zlink reads at plot time, with their start values. The application
// may change them from its command line before the Zlink runs.
#include "orvantis/host_geometry.h"

uint8_t main_color = 10;
uint8_t gr_back_color = 0;
int32_t main_level = 1;
attributes main_attrib{};
double surf_step_chord_dev = 0.001;
int16_t n_places_an = 4;
double tol = 0.0001;
